#include "ui/connectfailure.h"

#include "protocol/commands.h"

#include <QCoreApplication>

namespace {

QString Tr(const char* text) {
    return QCoreApplication::translate("ConnectFailure", text);
}

} // namespace

QString OpenFailureCause(OpenFailure failure) {
    switch (failure) {
    case OpenFailure::NotFound:
        return Tr("no such device");
    case OpenFailure::PermissionDenied:
        return Tr("permission denied");
    case OpenFailure::Busy:
        return Tr("the port is in use by another program");
    case OpenFailure::BadSettings:
        return Tr("the line settings are not valid");
    default:
        return QString();
    }
}

QString OpenFailureNextStep(OpenFailure failure) {
    switch (failure) {
    case OpenFailure::NotFound:
        return Tr("Plug the reader's adapter in, or choose another port.");
    case OpenFailure::PermissionDenied:
        // Serial devices belong to the dialout group on Debian and its kin; the fix is one command.
        return Tr("Add your user to the dialout group: sudo adduser $USER dialout, then log in "
                  "again.");
    case OpenFailure::Busy:
        return Tr("Close the program that holds it (a terminal, a modem manager), then connect "
                  "again.");
    case OpenFailure::BadSettings:
        return Tr("Choose another baud rate.");
    default:
        return Tr("Check the device, then connect again.");
    }
}

QString ConnectFailureDetails(const ConnectAttempt& a) {
    const QString where = Tr("Port %1 at %2 bit/s.").arg(a.port, a.baud);
    QString cause;
    QString next;
    if (!a.portValid) {
        cause = Tr("This names no port.");
        next = Tr("Choose COM1 .. COM10, Simulator or a device path such as /dev/ttyUSB0.");
    } else if (!a.baudValid) {
        cause = Tr("This is not a baud rate.");
        next = Tr("Choose one of the rates in Baud Rate.");
    } else if (!a.opened) {
        const QString known = OpenFailureCause(a.openFailure);
        cause = Tr("The port did not open: %1.").arg(known.isEmpty() ? a.openError : known);
        next = OpenFailureNextStep(a.openFailure);
    } else if (a.lost) {
        cause = Tr("The device went away during the attempt.");
        next = Tr("Check the cable or adapter, then connect again.");
    } else if (a.lastCommand == kCmdVersion) {
        cause = Tr("The reader acknowledged the handshake but did not report its firmware "
                   "version.");
        next = Tr("Switch the reader off and on, then connect again.");
    } else if (a.lastCommand == kCmdHandshake) {
        cause = Tr("The reader answered the stop request but did not acknowledge the handshake.");
        next = Tr("Switch the reader off and on, then connect again.");
    } else if (a.bytesReceived > 0) {
        cause = Tr("Bytes came back, but no answer the program understands: the reader probably "
                   "uses another baud rate.");
        next = Tr("Try the other rates in Baud Rate.");
    } else {
        cause = Tr("No answer came from the reader at this rate.");
        next = Tr("Check that the reader is powered and cabled to this port, or try another baud "
                  "rate.");
    }
    return where + QLatin1Char(' ') + cause + QLatin1Char(' ') + next;
}
