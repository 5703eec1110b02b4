// The "Simulator" port entry: what a newcomer without a reader does first.
#include "pagetest.h"

namespace {

TEST_F(WindowTest, ChoosingSimulatorAndPressingConnectConnects) {
    CReaderDlg dlg;
    auto* ports = dlg.findChild<QComboBox*>(QStringLiteral("portList"));
    ASSERT_GE(ports->findText(kSimulatorPort), 0);
    ports->setCurrentIndex(ports->findText(kSimulatorPort));
    Click(dlg, "connectButton");
    ASSERT_TRUE(WaitUntil([&] { return dlg.State().m_connected == 1; }, 3000));
    EXPECT_EQ(Lines(dlg), QStringList({"Port Opened Successfully!", "Firmware Version: V1.2!"}));
    EXPECT_FALSE(dlg.m_serial.GetPortOpen());
    EXPECT_EQ(Tabs(dlg), QStringList({"Tag Identify", "Tag Operation"}));
    EXPECT_TRUE(messages.isEmpty()) << messages.join('|').toStdString();
}

} // namespace
