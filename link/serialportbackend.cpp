#include "link/serialportbackend.h"

#include <QDeadlineTimer>
#include <QFile>

#include <fcntl.h>
#include <unistd.h>

CSerialPortBackend::CSerialPortBackend(const QString& device, QObject* parent)
    : ICommBackend(parent), m_device(device) {
    m_port.setPortName(device);
    connect(&m_port, &QSerialPort::readyRead, this, &ICommBackend::DataReady);
    connect(&m_port, &QSerialPort::errorOccurred, this, &CSerialPortBackend::OnError);
}

bool CSerialPortBackend::ApplySettings(const LineSettings& s) {
    QSerialPort::Parity parity = QSerialPort::NoParity;
    switch (s.parity) {
    case 'e':
        parity = QSerialPort::EvenParity;
        break;
    case 'o':
        parity = QSerialPort::OddParity;
        break;
    case 'm':
        parity = QSerialPort::MarkParity;
        break;
    case 's':
        parity = QSerialPort::SpaceParity;
        break;
    default:
        break;
    }
    return m_port.setBaudRate(s.baud) &&
           m_port.setDataBits(static_cast<QSerialPort::DataBits>(s.dataBits)) &&
           m_port.setParity(parity) &&
           m_port.setStopBits(s.stopBits == 2 ? QSerialPort::TwoStop : QSerialPort::OneStop) &&
           m_port.setFlowControl(QSerialPort::NoFlowControl);
}

bool CSerialPortBackend::Open(const LineSettings& settings, OpenFailure* failure,
                              QString* errorText) {
    if (m_port.isOpen())
        return true;
    if (m_port.open(QIODevice::ReadWrite) && ApplySettings(settings)) {
        m_port.clear();
        return true;
    }
    switch (m_port.error()) {
    case QSerialPort::DeviceNotFoundError:
        *failure = OpenFailure::NotFound;
        break;
    case QSerialPort::PermissionError:
        // QSerialPort also reports a port that another program holds (its lock file, or the
        // terminal's exclusive mode) as a permission error. A device the user may read and write
        // is in use, not forbidden.
        *failure = ::faccessat(AT_FDCWD, QFile::encodeName(m_device).constData(), R_OK | W_OK,
                               AT_EACCESS) == 0
                       ? OpenFailure::Busy
                       : OpenFailure::PermissionDenied;
        break;
    case QSerialPort::OpenError:
        *failure = OpenFailure::Busy;
        break;
    case QSerialPort::UnsupportedOperationError:
        *failure = OpenFailure::BadSettings;
        break;
    default:
        *failure = OpenFailure::Other;
        break;
    }
    *errorText = m_port.errorString();
    if (m_port.isOpen())
        m_port.close();
    return false;
}

void CSerialPortBackend::Write(const QByteArray& bytes) {
    if (m_port.isOpen())
        m_port.write(bytes);
}

void CSerialPortBackend::Close() {
    if (!m_port.isOpen())
        return;
    // Several operations close the port right after sending; their request must still reach
    // the reader.
    QDeadlineTimer deadline(kFlushTimeoutMs);
    while (m_port.bytesToWrite() > 0 && !deadline.hasExpired())
        m_port.waitForBytesWritten(static_cast<int>(deadline.remainingTime()));
    m_port.close();
}

void CSerialPortBackend::OnError(QSerialPort::SerialPortError error) {
    if (error != QSerialPort::ResourceError || !m_port.isOpen())
        return;
    const QString text = m_port.errorString();
    m_port.close();
    emit DeviceLost(text);
}
