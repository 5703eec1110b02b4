// The page host: when page controls are created, activation, group replacement, and the window's
// group buttons with their states.
#include "fakebackend.h"
#include "windowtest.h"

#include "app/caboutdlg.h"
#include "ui/cpropertypage.h"
#include "ui/modal.h"

#include <QApplication>
#include <QLabel>
#include <QMenuBar>
#include <QTimer>

namespace {

class CCountingPage : public CPropertyPage {
public:
    explicit CCountingPage(const QString& caption) : CPropertyPage(caption) {}
    int builds = 0, inits = 0, activations = 0;
    int kept = 0; // a member that must survive the controls

protected:
    void BuildControls(QWidget* page) override {
        ++builds;
        new QLabel(Caption(), page);
    }
    void OnInitDialog() override { ++inits; }
    void OnSetActive() override { ++activations; }
};

TEST(PageHost, OnlyTheFirstPageOfAGroupIsCreatedWhenTheGroupGoesIn) {
    CPropertySheet sheet;
    CCountingPage a(QStringLiteral("A")), b(QStringLiteral("B"));
    sheet.SetPages({&a, &b});
    EXPECT_EQ(a.inits, 1);
    EXPECT_EQ(a.activations, 1);
    EXPECT_TRUE(a.HasWindow());
    EXPECT_EQ(b.inits, 0);
    EXPECT_FALSE(b.HasWindow());

    sheet.SetActivePage(1);
    EXPECT_EQ(b.builds, 1);
    EXPECT_EQ(b.inits, 1);
    EXPECT_EQ(b.activations, 1);

    // Back and forth: activation every time, creation never again.
    sheet.SetActivePage(0);
    sheet.SetActivePage(1);
    EXPECT_EQ(a.inits, 1);
    EXPECT_EQ(a.activations, 2);
    EXPECT_EQ(b.inits, 1);
    EXPECT_EQ(b.activations, 2);
}

TEST(PageHost, ReplacingTheGroupDestroysControlsAndKeepsMembers) {
    CPropertySheet sheet;
    CCountingPage a(QStringLiteral("A")), b(QStringLiteral("B")), c(QStringLiteral("C"));
    sheet.SetPages({&a, &b});
    a.kept = 7;
    QPointer<QWidget> window = a.Window();
    sheet.SetPages({&c});
    EXPECT_TRUE(window.isNull());
    EXPECT_FALSE(a.HasWindow());
    EXPECT_EQ(a.kept, 7);
    EXPECT_EQ(c.inits, 1);
    // Putting the group in again creates the first page's controls anew.
    sheet.SetPages({&a, &b});
    EXPECT_EQ(a.inits, 2);
    EXPECT_EQ(a.builds, 2);
    EXPECT_EQ(b.inits, 0);
}

// A window connected through an in-memory back-end, without the handshake.
class GroupSwitching : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        dlg.m_serial.SetBackendFactory([this](const QString& device) {
            auto made = std::make_unique<CFakeBackend>(device);
            backend = made.get();
            return made;
        });
        dlg.m_serial.SetDevice(QStringLiteral("fake"));
        dlg.OpenPortIfClosed();
        dlg.ClosePortIfOpen();
        dlg.OnHandshakeDone();
        backend->m_written.clear();
    }
    bool Enabled(const char* name) { return Button(dlg, name)->isEnabled(); }
    std::vector<QByteArray> Sent() {
        auto sent = backend->m_written;
        backend->m_written.clear();
        return sent;
    }

    CReaderDlg dlg;
    CFakeBackend* backend = nullptr;
};

TEST_F(GroupSwitching, ConnectedShowsDemonstrationWithItsButtons) {
    EXPECT_EQ(Tabs(dlg), QStringList({"Tag Identify", "Tag Operation"}));
    EXPECT_EQ(dlg.m_demonstrationShown, 1);
    EXPECT_TRUE(Enabled("disconnectButton"));
    EXPECT_TRUE(Enabled("deviceSettingsButton"));
    EXPECT_TRUE(Enabled("clearOperationListButton"));
    EXPECT_FALSE(Enabled("connectButton"));
    EXPECT_FALSE(Enabled("demonstrationButton"));
    EXPECT_FALSE(Enabled("updateSettingsButton"));
}

TEST_F(GroupSwitching, DeviceSettingsThenDemonstrationFollowTheStateTable) {
    Click(dlg, "deviceSettingsButton");
    EXPECT_EQ(Tabs(dlg), QStringList({"Work Mode", "Reader Parameters"}));
    EXPECT_EQ(dlg.m_settingsShown, 1);
    EXPECT_EQ(dlg.m_demonstrationShown, 0);
    EXPECT_TRUE(Enabled("disconnectButton"));
    EXPECT_TRUE(Enabled("demonstrationButton"));
    EXPECT_TRUE(Enabled("updateSettingsButton"));
    EXPECT_FALSE(Enabled("deviceSettingsButton"));
    const auto sent = Sent();
    EXPECT_NE(std::find(sent.begin(), sent.end(), QByteArray("\xA0\x02\xFE\x60", 4)), sent.end());
    EXPECT_FALSE(dlg.m_serial.GetPortOpen() && dlg.m_waitGetMode == 0);

    Click(dlg, "demonstrationButton");
    EXPECT_EQ(Tabs(dlg), QStringList({"Tag Identify", "Tag Operation"}));
    EXPECT_EQ(dlg.m_settingsShown, 0);
    EXPECT_EQ(dlg.m_demonstrationShown, 1);
    EXPECT_TRUE(Enabled("deviceSettingsButton"));
    EXPECT_FALSE(Enabled("demonstrationButton"));
    EXPECT_FALSE(Enabled("updateSettingsButton"));
}

TEST_F(GroupSwitching, ShowingTheGroupAlreadyShownRebuildsNothing) {
    QPointer<QWidget> identify = dlg.Sheet().ActivePage()->Window();
    dlg.OnDemonstration();
    EXPECT_FALSE(identify.isNull());
    Click(dlg, "deviceSettingsButton");
    Sent();
    dlg.OnDeviceSettings();
    EXPECT_TRUE(Sent().empty()) << "a second Device Settings must not send again";
}

TEST_F(WindowTest, WindowHasItsTitleIconAndStartPage) {
    CReaderDlg dlg;
    EXPECT_EQ(dlg.windowTitle(), QStringLiteral("Tarnwick"));
    EXPECT_FALSE(dlg.windowIcon().isNull());
    EXPECT_EQ(Tabs(dlg), QStringList({""}));
    EXPECT_EQ(dlg.m_serial.GetPortOpen(), false);
    EXPECT_EQ(dlg.m_rxCount, 0u);
    auto* ports = dlg.findChild<QComboBox*>(QStringLiteral("portList"));
    auto* bauds = dlg.findChild<QComboBox*>(QStringLiteral("baudList"));
    EXPECT_EQ(ports->currentText(), QStringLiteral("COM1"));
    EXPECT_EQ(bauds->currentText(), QStringLiteral("9600"));
    EXPECT_EQ(bauds->count(), 5);
    EXPECT_EQ(ports->accessibleName(), QStringLiteral("Port No."));
    EXPECT_EQ(bauds->accessibleName(), QStringLiteral("Baud Rate"));
}

TEST_F(WindowTest, AboutItemOpensTheAboutBox) {
    CReaderDlg dlg;
    auto* about = dlg.findChild<QAction*>(QStringLiteral("aboutAction"));
    ASSERT_NE(about, nullptr);
    EXPECT_EQ(about->text(), QStringLiteral("关于 Tarnwick(&A)..."));
    QString seen;
    SetDialogRunner([&](QDialog& dialog) {
        auto* box = qobject_cast<CAboutDlg*>(&dialog);
        EXPECT_NE(box, nullptr);
        if (!box)
            return 0;
        seen = box->findChild<QLabel*>(QStringLiteral("aboutName"))->text();
        EXPECT_FALSE(box->findChild<QLabel*>(QStringLiteral("aboutIcon"))->pixmap().isNull());
        QTest::mouseClick(box->findChild<QPushButton*>(QStringLiteral("aboutOk")), Qt::LeftButton);
        return box->result();
    });
    about->trigger();
    SetDialogRunner({});
    EXPECT_EQ(seen, QStringLiteral("Tarnwick R1.01"));
}

} // namespace
