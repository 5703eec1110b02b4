// The page host: when page controls are created, activation, group replacement, the window's
// group buttons with their states.
#include "fakewindow.h"
#include "windowtest.h"

#include "widgets/cpropertypage.h"

#include <QLabel>

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

TEST(PageHost, PagesAreCreatedOnFirstActivationAndReplacedGroupsKeepTheirMembers) {
    CPropertySheet sheet;
    CCountingPage a(QStringLiteral("A")), b(QStringLiteral("B")), c(QStringLiteral("C"));
    sheet.SetPages({&a, &b});
    EXPECT_EQ(std::tuple(a.inits, a.activations, b.builds, b.inits), std::tuple(1, 1, 0, 0));
    // Back and forth: activation every time, creation never again.
    sheet.SetActivePage(1);
    sheet.SetActivePage(0);
    sheet.SetActivePage(1);
    EXPECT_EQ(std::tuple(a.inits, a.activations, b.builds, b.inits, b.activations),
              std::tuple(1, 2, 1, 1, 2));

    a.kept = 7;
    QPointer<QWidget> window = a.Window();
    sheet.SetPages({&c});
    EXPECT_TRUE(window.isNull());
    EXPECT_FALSE(a.HasWindow());
    EXPECT_EQ(a.kept, 7);
    EXPECT_EQ(c.inits, 1);
    // Putting the group in again creates the first page's controls anew, and only those.
    sheet.SetPages({&a, &b});
    EXPECT_EQ(std::tuple(a.builds, a.inits, b.builds), std::tuple(2, 2, 1));
}

TEST_F(WindowTest, GroupButtonsFollowTheStateTableAndAShownGroupIsNotRebuilt) {
    CReaderDlg dlg;
    CFakeBackend* line = ConnectToFakeLine(dlg);
    const char* buttons[] = {"deviceSettingsButton", "demonstrationButton",
                             "updateSettingsButton", "connectButton",
                             "disconnectButton",     "clearOperationListButton"};
    const auto enabling = [&] {
        QString states;
        for (const char* name : buttons)
            states += Button(dlg, name)->isEnabled() ? '1' : '0';
        return states;
    };
    EXPECT_EQ(Tabs(dlg), QStringList({"Tag Identify", "Tag Operation"}));
    EXPECT_EQ(enabling(), "100011");
    QPointer<QWidget> identify = dlg.Sheet().ActivePage()->Window();
    dlg.OnDemonstration();
    EXPECT_FALSE(identify.isNull()) << "showing the group shown rebuilt it";

    Click(dlg, "deviceSettingsButton");
    EXPECT_EQ(Tabs(dlg), QStringList({"Work Mode", "Reader Parameters"}));
    EXPECT_EQ(enabling(), "011011");
    line->m_written.clear();
    dlg.OnDeviceSettings();
    EXPECT_TRUE(line->m_written.empty()) << "a second Device Settings must not send again";

    Click(dlg, "demonstrationButton");
    EXPECT_EQ(Tabs(dlg), QStringList({"Tag Identify", "Tag Operation"}));
    EXPECT_EQ(enabling(), "100011");
}

} // namespace
