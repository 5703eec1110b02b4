// The "Reader Parameters" page: the requests its controls give or refuse, Default, the read-back,
// the Get and Set sequences, and the channel menu.
#include "pagetest.h"

#include "pages/cparameter.h"
#include "protocol/channelplan.h"

#include <QApplication>
#include <QFontDatabase>
#include <QMenu>
#include <QRawFont>

namespace {

const QString kNotInteger = QStringLiteral("请键入一个整数。");
const QString kNoFixed = "No Fixed Frequency Channel Selected! Choose a channel from "
                         "1---902.5MHz to 50--927.0MHz.";
const QString kSix = "01 04 10 40 00 01 02"; // channels 1, 11, 21, 31, 41 and 50

// A connected window with the "Reader Parameters" tab open, on the simulated reader.
class ParameterPage : public PageTest<CParameterReader> {
protected:
    void SetUp() override {
        dlg.resize(1200, 800); // the sheet's own minimum is smaller than the page
        PageTest::SetUp();
        dlg.OnDeviceSettings();
        line->m_written.clear();
        dlg.Sheet().SetActivePage(1);
        ASSERT_TRUE(page.HasWindow());
        opening = Sent();
        line->answers.clear();
        QCoreApplication::sendPostedEvents();
    }

    void Set(const QStringList& settings) { Operate(dlg, settings); }
    void Expect(const QStringList& expectations) { ExpectControls(dlg, expectations); }
    QCheckBox* Freq(int n) { return Control<QCheckBox>(dlg, QStringLiteral("freq%1Check").arg(n)); }
    // The hopping set the check boxes show, as mask bytes.
    QString Checked() {
        ChannelFlags flags{};
        for (int n = 1; n <= kChannelCount; ++n)
            flags[n - 1] = Freq(n)->isChecked();
        const ChannelMask mask = EncodeChannelMask(flags);
        return QString::fromStdString(HexString(ByteView(mask.data(), mask.size())));
    }
    // Runs a sender as the Set button or the dispatcher does, and returns what it sent.
    QStringList SendVia(void (CParameter::*sender)()) {
        Sent();
        (page.*sender)();
        return Sent();
    }

    CParameter& page = dlg.ParameterPage();
    QStringList opening;
};

TEST_F(ParameterPage, OpeningReadsThePowerAndDefaultLeavesFixedFrequencyForTheFactoryValues) {
    EXPECT_EQ(opening, QStringList({"A0 04 61 00 65 96"}));
    // The Work Mode page's Get is over: a late answer of its first read brings nothing.
    line->Deliver(AnswerFrame(kDataHeader, 0x63, {0x02, 0x00, 0x70, 0x02, 0x0A}));
    EXPECT_TRUE(Sent().isEmpty());
    Expect({"powerBox=140", "antenna1Check:on", "antenna2Check:off", "hoppingFrequencyRadio:on",
            "singleTagRadio:on", "channelList=1---902.5MHz", "channelList:disabled"});
    EXPECT_EQ(Checked(), kSix);
    EXPECT_EQ(Control<QComboBox>(dlg, "channelList")->count(), 50);

    Set({"freq2Check:on", "freq1Check:off", "fixedFrequencyRadio:on"});
    Expect({"channelList:enabled", "freq1Check:disabled"});
    // Text that is no number stops the transfer with the prompt; Default fills the form anyway.
    Set({"multiTagRadio:on", "powerBox=9x", "antenna3Check:on"});
    Click(dlg, "parameterDefaultButton");
    Expect({"hoppingFrequencyRadio:on", "channelList:disabled", "freq2Check:enabled",
            "powerBox=135", "antenna1Check:on", "antenna3Check:off", "singleTagRadio:on"});
    EXPECT_EQ(Checked(), kSix);
    EXPECT_TRUE(Sent().empty());
    EXPECT_EQ(messages, QStringList({kNotInteger}));
}

TEST_F(ParameterPage, RequestsSendWhatTheControlsShowOrRefuse) {
    using P = CParameter;
    const auto power = &P::SendPower, antennas = &P::SendAntennas, fixed = &P::SendFixedChannel;
    // clang-format off
    const QString kPower = "Power: 0 - 150", fixedOn = "fixedFrequencyRadio:on;";
    // Settings (';' between them) made after Default; a null frame: nothing is sent.
    const std::tuple<QString, void (CParameter::*)(), const char*, QString> rows[] = {
        {"powerBox=0", power, "A0 05 60 00 65 00 96", {}},
        {"powerBox=150", power, "A0 05 60 00 65 96 00", {}},
        {"powerBox=151", power, nullptr, kPower},
        {"powerBox=12a", power, nullptr, kNotInteger},
        {"", antennas, "A0 07 62 02 00 89 01 01 6A", {}},
        {"antenna1Check:off;antenna3Check:on", antennas, "A0 07 62 02 00 89 04 04 64", {}},
        {"antenna1Check:off", antennas, nullptr, "No Antenna Selected!"},
        {fixedOn + "channelList=50--927.0MHz", fixed, "A0 05 60 00 90 32 39", {}},
        {fixedOn + "channelList=907.0", fixed, nullptr, kNoFixed},
        // Hopping writes 0 whatever the list shows.
        {fixedOn + "hoppingFrequencyRadio:on", fixed, "A0 05 60 00 90 00 6B", {}},
        // With a fixed channel the disabled checks still give the mask.
        {"freq8Check:on;freq9Check:on;freq49Check:on;" + fixedOn, &P::SendChannelMask, "A0 0C 62 07 00 92 81 05 10 40 00 01 03 7F", {}},
        {"multiTagRadio:on", &P::SendReadTagMode, "A0 05 60 00 87 01 73", {}},
    };
    // clang-format on
    for (const auto& [settings, send, frame, message] : rows) {
        SCOPED_TRACE(settings.toStdString());
        Click(dlg, "parameterDefaultButton");
        messages.clear();
        Set(settings.split(';', Qt::SkipEmptyParts));
        EXPECT_EQ(SendVia(send), frame ? QStringList({frame}) : QStringList());
        EXPECT_EQ(messages, message.isEmpty() ? QStringList() : QStringList({message}));
    }
}

TEST_F(ParameterPage, FixedReadBackSelectsTheChannelAndKeepsTheChecks) {
    Set({"freq5Check:on"});
    SendVia(&CParameter::SendChannelMask); // the members take the checks, as in a Set sequence
    page.m_readBack = {100, 12, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x03, 1, 0x01, 2};
    page.ShowReadBack();
    // A read tag mode of 2 leaves both radios clear and is written back as 0.
    Expect({"fixedFrequencyRadio:on", "channelList=12--908.0MHz", "channelList:enabled",
            "freq5Check:disabled", "singleTagRadio:off", "multiTagRadio:off"});
    EXPECT_EQ(Checked(), "11 04 10 40 00 01 02");
    EXPECT_EQ(SendVia(&CParameter::SendReadTagMode), QStringList({"A0 05 60 00 87 00 74"}));
    EXPECT_EQ(SendVia(&CParameter::SendFixedChannel), QStringList({"A0 05 60 00 90 0C 5F"}));
    // A channel above 50 selects no entry and is refused, not guessed.
    page.m_readBack[1] = 51;
    page.ShowReadBack();
    EXPECT_TRUE(SendVia(&CParameter::SendFixedChannel).empty());
    EXPECT_EQ(messages, QStringList({kNoFixed}));
}

// ---- the sequences, as the dispatcher runs them ----

TEST_F(ParameterPage, SetSendsEachFrameAfterTheAcknowledgementBefore) {
    Click(dlg, "parameterDefaultButton");
    Click(dlg, "parameterSetSettingsButton");
    line->Pump();
    EXPECT_EQ(
        Sent(),
        QStringList({"A0 05 60 00 65 87 0F", "A0 07 62 02 00 89 01 01 6A", "A0 05 60 00 90 00 6B",
                     "A0 0C 62 07 00 92 01 04 10 40 00 01 02 01", "A0 05 60 00 87 00 74"}));
    EXPECT_EQ(Lines(dlg).last(), QStringLiteral("Set Settings Successfully!"));
    EXPECT_FALSE(dlg.m_serial.GetPortOpen());
    // The Set dropped the opening's read of the power: its late answer brings nothing.
    dlg.OpenPortIfClosed();
    line->Deliver(AnswerFrame(kDataHeader, 0x61, {0x00, 0x65, 0x87}));
    EXPECT_TRUE(Sent().isEmpty());
}

TEST_F(ParameterPage, GetSequenceShowsTheReadersValues) {
    line->Store({{0x65, 200},
                 {0x90, 0},
                 {0x92, 0x01},
                 {0x93, 0},
                 {0x94, 0},
                 {0x95, 0},
                 {0x96, 0},
                 {0x97, 0},
                 {0x98, 0xFF},
                 {0x89, 4},
                 {0x8A, 0x0A},
                 {0x87, 1}});
    Click(dlg, "parameterGetSettingsButton");
    line->Pump();
    EXPECT_EQ(Sent(), QStringList({"A0 04 61 00 65 96", "A0 04 61 00 90 6B", "A0 05 63 07 00 92 5F",
                                   "A0 05 63 02 00 89 6D", "A0 04 61 00 87 74"}));
    EXPECT_EQ(Lines(dlg).last(), QStringLiteral("Get Settings Successfully!"));
    EXPECT_FALSE(dlg.m_serial.GetPortOpen());
    Expect({"powerBox=200", "hoppingFrequencyRadio:on", "freq49Check:enabled",
            "channelList:disabled", "antenna1Check:off", "antenna2Check:on", "antenna3Check:off",
            "antenna4Check:on", "multiTagRadio:on"});
    EXPECT_EQ(Checked(), "01 00 00 00 00 00 03"); // the spare bits of the last byte are ignored
    // The power read back is shown as it is; Set refuses it and the sequence stays pending.
    Click(dlg, "parameterSetSettingsButton");
    EXPECT_TRUE(Sent().empty());
    EXPECT_EQ(messages, QStringList({"Power: 0 - 150"}));
}

// ---- the channel menu ----

class ChannelMenu : public ParameterPage {
protected:
    // A right click as the operator makes it, at pos inside the widget (its centre if null).
    QMenu* RightClick(QWidget* widget, QPoint pos = {}) {
        pos = pos.isNull() ? widget->rect().center() : pos;
        EXPECT_EQ(QApplication::activePopupWidget(), nullptr);
        QTest::mousePress(widget, Qt::RightButton, {}, pos);
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (menu) {
            EXPECT_EQ(menu, page.ChannelMenu());
        }
        QTest::mouseRelease(menu ? static_cast<QWidget*>(menu) : widget, Qt::RightButton, {},
                            menu ? menu->mapFromGlobal(widget->mapToGlobal(pos)) : pos);
        return menu;
    }
    // A left click on a command of the menu opened over channel 7.
    void RunCommand(const char* action) {
        QMenu* menu = RightClick(Freq(7));
        ASSERT_NE(menu, nullptr);
        QAction* entry = menu->findChild<QAction*>(QString::fromLatin1(action));
        ASSERT_NE(entry, nullptr) << action;
        QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(entry).center());
        EXPECT_EQ(QApplication::activePopupWidget(), nullptr);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
};

// One press opens one menu of Chinese commands, in a font with a glyph for each character, and
// reaches no check box.
TEST_F(ChannelMenu, CommandsSetTheHoppingSetOnlyWhenHoppingAndThePowerBoxHoldsANumber) {
    QMenu* menu = RightClick(Freq(7));
    ASSERT_NE(menu, nullptr);
    QString texts = menu->title();
    for (QAction* action : menu->actions())
        texts += '|' + action->text();
    EXPECT_EQ(texts, "选择频点|选择六个频点|选择全部频点|取消全部频点");
    EXPECT_EQ(page.Window()->findChildren<QMenu*>().size(), 1);
    const QRawFont font = QRawFont::fromFont(menu->font(), QFontDatabase::SimplifiedChinese);
    for (QChar c : texts.remove('|'))
        EXPECT_TRUE(font.isValid() && font.supportsCharacter(c)) << QString(c).toStdString();
    menu->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(Freq(7)->isChecked());

    RunCommand("clearAllChannelsAction");
    EXPECT_EQ(Checked(), "00 00 00 00 00 00 00");
    RunCommand("selectAllChannelsAction");
    EXPECT_EQ(Checked(), "FF FF FF FF FF FF 03");
    RunCommand("selectSixChannelsAction");
    EXPECT_EQ(Checked(), kSix);
    EXPECT_TRUE(messages.isEmpty());
    // A transfer stopped at the power box: the operator's clicks are not undone.
    Set({"freq3Check:on", "antenna2Check:on", "powerBox=abc"});
    RunCommand("clearAllChannelsAction");
    EXPECT_EQ(messages, QStringList({kNotInteger}));
    Expect({"antenna2Check:on", "powerBox=abc"});
    Set({"powerBox=10", "fixedFrequencyRadio:on"});
    for (const char* action : {"selectAllChannelsAction", "clearAllChannelsAction"})
        RunCommand(action);
    EXPECT_EQ(Checked(), "05 04 10 40 00 01 02");
}

} // namespace
