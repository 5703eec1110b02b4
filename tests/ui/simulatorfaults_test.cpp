// The program's reaction to each way the simulated reader can misbehave during Connect, through
// the window and the "Simulator" port entry: what the box says of the cause.
#include "windowtest.h"

#include "link/portnames.h"
#include "link/simulatorbackend.h"

#include <QDeadlineTimer>

namespace {

struct FaultRow {
    const char* name;
    std::uint8_t command;
    FaultKind kind;
    bool connects;                // the handshake ends connected
    const char* detail = nullptr; // for a failed Connect: what its box says of the cause
};

class SimulatorFault : public WindowTest, public ::testing::WithParamInterface<FaultRow> {
protected:
    CSimulatorBackend& Backend() {
        dlg.m_serial.SetDevice(kSimulatorPort);
        dlg.OpenPortIfClosed();
        dlg.ClosePortIfOpen();
        return *static_cast<CSimulatorBackend*>(dlg.m_serial.Backend());
    }
    void Connect() {
        auto* ports = dlg.findChild<QComboBox*>(QStringLiteral("portList"));
        ports->setCurrentIndex(ports->findText(kSimulatorPort));
        Click(dlg, "connectButton");
        QDeadlineTimer deadline(CReaderDlg::s_connectTimeoutMs + 300);
        while (dlg.State().m_connected != 1 && !deadline.hasExpired())
            QTest::qWait(5);
    }
    CReaderDlg dlg;
};

TEST_P(SimulatorFault, ProgramReactsAsAnOperatorExpects) {
    const FaultRow& row = GetParam();
    FaultSpec fault;
    fault.kind = row.kind;
    fault.uses = 1;
    Backend().Simulator().Faults().Set(row.command, fault);
    Connect();
    EXPECT_EQ(dlg.State().m_connected, row.connects ? 1 : 0);
    if (!row.connects) {
        QTest::qWait(CReaderDlg::s_connectTimeoutMs + 100);
        EXPECT_EQ(messages, QStringList({"Failed to Connect Device!"}));
        EXPECT_TRUE(details.value(0).startsWith("Port Simulator at 9600 bit/s. ") &&
                    details.value(0).contains(row.detail))
            << details.value(0).toStdString();
        EXPECT_TRUE(Button(dlg, "connectButton")->isEnabled());
    }
}

INSTANTIATE_TEST_SUITE_P(
    Table, SimulatorFault,
    ::testing::Values(
        FaultRow{"HandshakeRefused", 0x50, FaultKind::FailureStatus, false,
                 "did not acknowledge the handshake. Switch the reader off and on"},
        FaultRow{"StopLost", 0xFE, FaultKind::Silence, false,
                 "No answer came from the reader at this rate. Check that the reader is powered"},
        FaultRow{"StopAnswerCorrupt", 0xFE, FaultKind::CorruptChecksum, false,
                 "probably uses another baud rate. Try the other rates"},
        FaultRow{"VersionLost", 0x6A, FaultKind::Silence, false,
                 "did not report its firmware version"},
        FaultRow{"VersionSplit", 0x6A, FaultKind::Split, true},
        FaultRow{"ReaderVanishes", 0xFE, FaultKind::Vanish, false, "went away"}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
