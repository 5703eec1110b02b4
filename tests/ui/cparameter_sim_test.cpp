// The reader parameters' Get and Set sequences against the simulated reader, through the
// "Simulator" port entry, with the values checked in the reader's memory and on the page.
#include "windowtest.h"

#include "link/portnames.h"
#include "link/simulatorbackend.h"
#include "pages/cparameter.h"

#include <QCheckBox>
#include <QDeadlineTimer>
#include <QLineEdit>
#include <QRadioButton>

namespace {

// A bound for the simulated line, so that a lost answer fails the test instead of hanging it.
bool WaitUntil(const std::function<bool()>& done, int boundMs = 5000) {
    QDeadlineTimer deadline(boundMs);
    while (!done() && !deadline.hasExpired())
        QTest::qWait(5);
    return done();
}

TEST_F(WindowTest, ParameterSequencesRunAgainstTheSimulator) {
    CReaderDlg dlg;
    auto* ports = dlg.findChild<QComboBox*>(QStringLiteral("portList"));
    ASSERT_GE(ports->findText(kSimulatorPort), 0);
    ports->setCurrentIndex(ports->findText(kSimulatorPort));
    Choose(dlg, "baudList", QStringLiteral("115200"));
    Click(dlg, "connectButton");
    ASSERT_TRUE(WaitUntil([&] { return dlg.m_connected == 1; }));
    Click(dlg, "deviceSettingsButton");
    // Answers of the work mode page's sequence still on the line would stand in front of ours.
    ASSERT_TRUE(WaitUntil([&] { return dlg.m_waitGetMode == 0; }));

    dlg.Sheet().SetActivePage(1);
    CParameter& page = dlg.ParameterPage();
    ASSERT_TRUE(WaitUntil([&] { return dlg.m_waitGetParams == 0; }));
    EXPECT_TRUE(Lines(dlg).contains(QStringLiteral("Get Settings Successfully!")));
    QWidget* window = page.Window();
    // The simulated reader's factory values replace the page's start values.
    EXPECT_EQ(window->findChild<QLineEdit*>(QStringLiteral("powerBox"))->text(),
              QStringLiteral("130"));
    for (int n = 1; n <= kChannelCount; ++n)
        EXPECT_TRUE(
            window->findChild<QCheckBox*>(QStringLiteral("freq%1Check").arg(n))->isChecked())
            << n;
    EXPECT_TRUE(
        window->findChild<QRadioButton*>(QStringLiteral("hoppingFrequencyRadio"))->isChecked());

    Click(dlg, "parameterDefaultButton");
    Click(dlg, "parameterSetSettingsButton");
    ASSERT_TRUE(WaitUntil([&] { return dlg.m_waitSetParams == 0; }));
    EXPECT_TRUE(Lines(dlg).contains(QStringLiteral("Set Settings Successfully!")));
    EXPECT_FALSE(dlg.m_serial.GetPortOpen());

    auto* backend = dynamic_cast<CSimulatorBackend*>(dlg.m_serial.Backend());
    ASSERT_NE(backend, nullptr);
    const CParameterMemory& memory = backend->Simulator().Parameters();
    EXPECT_EQ(memory.Value(CParameterMemory::kRfPower), 135);
    EXPECT_EQ(memory.Value(CParameterMemory::kAntennaMode), 1);
    EXPECT_EQ(memory.Value(CParameterMemory::kAntennaMask), 0x01);
    EXPECT_EQ(memory.Value(CParameterMemory::kFixedChannel), 0);
    EXPECT_EQ(memory.ReadBlock(CParameterMemory::kHoppingMask, 7),
              Bytes({0x01, 0x04, 0x10, 0x40, 0x00, 0x01, 0x02}));
    EXPECT_EQ(memory.Value(CParameterMemory::kReadTagMode), 0);
    EXPECT_TRUE(messages.isEmpty()) << messages.join('|').toStdString();
}

} // namespace
