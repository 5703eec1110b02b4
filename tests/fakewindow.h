// A main window connected to an in-memory line, for tests and benchmarks that drive the pages
// without a reader.
#pragma once

#include "fakebackend.h"

#include "ui/creaderdlg.h"

#include <memory>

// Gives the window a line of type Line (a CFakeBackend) with a receive event for every byte
// delivered, makes it connected as after a handshake, and leaves the port closed. Returns the
// line, which the window owns.
template <typename Line = CFakeBackend> Line* ConnectToFakeLine(CReaderDlg& dlg) {
    dlg.m_serial.SetBackendFactory(
        [](const QString& device) { return std::make_unique<Line>(device); });
    dlg.m_serial.SetDevice(QStringLiteral("fake"));
    dlg.m_serial.SetRThreshold(1);
    dlg.OpenPortIfClosed();
    auto* line = dynamic_cast<Line*>(dlg.m_serial.Backend());
    dlg.ClosePortIfOpen();
    dlg.OnHandshakeDone();
    return line;
}
