#include "link/cmscomm.h"

#include "link/portnames.h"
#include "link/serialportbackend.h"
#include "link/simulatorbackend.h"

#include <QStringList>

namespace {

std::unique_ptr<ICommBackend> MakeBackendFor(const QString& device) {
    if (device == kSimulatorPort)
        return std::make_unique<CSimulatorBackend>();
    return std::make_unique<CSerialPortBackend>(device);
}

} // namespace

CMSComm::CMSComm(QObject* parent) : QObject(parent), m_factory(MakeBackendFor) {
    m_device = DeviceForComPort(m_commPort);
}

CMSComm::~CMSComm() {
    for (auto& [device, backend] : m_backends)
        backend->Close();
}

void CMSComm::SetBackendFactory(BackendFactory factory) {
    SetPortOpen(false);
    m_factory = std::move(factory);
    m_backend = nullptr;
    m_backends.clear();
}

void CMSComm::SetCommPort(short port) {
    m_commPort = port;
    SetDevice(DeviceForComPort(port));
}

void CMSComm::SetDevice(const QString& device) {
    m_device = device;
}

void CMSComm::SetSettings(const QString& settings) {
    m_settings = settings;
    if (GetPortOpen())
        if (auto parsed = ParseSettings(settings))
            m_backend->ApplySettings(*parsed);
}

std::optional<LineSettings> CMSComm::ParseSettings(const QString& settings) {
    const QStringList parts = settings.split(QLatin1Char(','));
    if (parts.size() != 4)
        return std::nullopt;
    LineSettings s;
    bool ok = false;
    s.baud = parts[0].trimmed().toInt(&ok);
    if (!ok || s.baud <= 0)
        return std::nullopt;
    const QString parity = parts[1].trimmed().toLower();
    if (parity.size() != 1 || !QStringLiteral("neoms").contains(parity))
        return std::nullopt;
    s.parity = parity[0].toLatin1();
    s.dataBits = parts[2].trimmed().toInt(&ok);
    if (!ok || s.dataBits < 5 || s.dataBits > 8)
        return std::nullopt;
    s.stopBits = parts[3].trimmed().toInt(&ok);
    if (!ok || (s.stopBits != 1 && s.stopBits != 2))
        return std::nullopt;
    return s;
}

void CMSComm::MakeBackend() {
    auto found = m_backends.find(m_device);
    if (found != m_backends.end() && found->second.get() == m_backend)
        return;
    if (m_backend)
        m_backend->Close();
    if (found == m_backends.end()) {
        std::unique_ptr<ICommBackend> made = m_factory(m_device);
        if (!made) {
            m_backend = nullptr;
            return;
        }
        ICommBackend* backend = made.get();
        connect(backend, &ICommBackend::DataReady, this, [this, backend] {
            if (backend == m_backend)
                OnDataReady();
        });
        connect(backend, &ICommBackend::DeviceLost, this, [this, backend](const QString& text) {
            if (backend != m_backend)
                return;
            m_pending.clear();
            emit DeviceLost(text);
        });
        found = m_backends.emplace(m_device, std::move(made)).first;
    }
    m_backend = found->second.get();
}

bool CMSComm::GetPortOpen() const {
    return m_backend && m_backend->IsOpen();
}

void CMSComm::SetPortOpen(bool open) {
    if (!open) {
        if (m_backend)
            m_backend->Close();
        m_pending.clear();
        return;
    }
    if (GetPortOpen())
        return;
    m_lastFailure = OpenFailure::None;
    m_lastError.clear();
    const auto settings = ParseSettings(m_settings);
    if (!settings) {
        m_lastFailure = OpenFailure::BadSettings;
        m_lastError = QStringLiteral("invalid line settings \"%1\"").arg(m_settings);
        return;
    }
    MakeBackend();
    if (!m_backend) {
        m_lastFailure = OpenFailure::NotFound;
        m_lastError = QStringLiteral("no such port");
        return;
    }
    OpenFailure failure = OpenFailure::Other;
    QString text;
    if (!m_backend->Open(*settings, &failure, &text)) {
        m_lastFailure = failure;
        m_lastError = text;
    }
    m_pending.clear();
}

QByteArray CMSComm::GetInput() {
    if (m_backend && m_backend->IsOpen())
        m_pending += m_backend->ReadAll();
    QByteArray bytes;
    if (m_inputLen > 0 && m_pending.size() > m_inputLen) {
        bytes = m_pending.left(m_inputLen);
        m_pending.remove(0, m_inputLen);
    } else {
        bytes.swap(m_pending);
    }
    return bytes;
}

void CMSComm::SetOutput(const QByteArray& bytes) {
    if (GetPortOpen())
        m_backend->Write(bytes);
}

void CMSComm::OnDataReady() {
    if (m_rThreshold <= 0)
        return;
    m_commEvent = kEvReceive;
    emit OnComm();
}
