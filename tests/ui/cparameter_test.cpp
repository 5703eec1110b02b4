// The "Reader Parameters" page: the channel table and mask bytes, the frames of every request
// with the controls set as an operator sets them, the refusals, Default, the read-back, the Get
// and Set sequences against a reader with parameter memory, and the channel menu with the rule
// of where it opens.
#include "pagetest.h"

#include "pages/channelplan.h"
#include "pages/cparameter.h"

#include <QApplication>
#include <QFontDatabase>
#include <QGroupBox>
#include <QMenu>
#include <QRawFont>
#include <vector>

namespace {

// ---- the channel table and the mask ----

TEST(ChannelPlan, LabelsPadTheNumberToFourCharacters) {
    const struct {
        int channel;
        const char* label;
    } rows[] = {
        {1, "1---902.5MHz"}, {9, "9---906.5MHz"}, {10, "10--907.0MHz"}, {50, "50--927.0MHz"}};
    for (const auto& row : rows) {
        EXPECT_EQ(ChannelLabel(row.channel), row.label);
        EXPECT_EQ(ChannelForLabel(row.label), row.channel) << row.label;
    }
    for (const char* text : {"", "51--927.5MHz", "1---902.5MHz ", "1--902.5MHz", "902.5MHz"})
        EXPECT_EQ(ChannelForLabel(text), std::nullopt) << '"' << text << '"';
}

TEST(ChannelPlan, SelectionsGiveMaskBytesAndBack) {
    const struct {
        std::vector<int> channels;
        ChannelMask mask;
    } rows[] = {
        {{1}, {0x01, 0, 0, 0, 0, 0, 0}},
        {{8}, {0x80, 0, 0, 0, 0, 0, 0}},
        {{9}, {0, 0x01, 0, 0, 0, 0, 0}},
        {{49}, {0, 0, 0, 0, 0, 0, 0x01}},
        {{50}, {0, 0, 0, 0, 0, 0, 0x02}},
        {{1, 11, 21, 31, 41, 50}, {0x01, 0x04, 0x10, 0x40, 0x00, 0x01, 0x02}},
        {{}, {0, 0, 0, 0, 0, 0, 0}},
    };
    for (const auto& row : rows) {
        ChannelFlags flags{};
        for (int n : row.channels)
            flags[n - 1] = 1;
        EXPECT_EQ(EncodeChannelMask(flags), row.mask) << row.channels.size();
        EXPECT_EQ(DecodeChannelMask(row.mask), flags) << row.channels.size();
    }
    ChannelFlags all;
    all.fill(1);
    const ChannelMask allMask = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x03};
    EXPECT_EQ(EncodeChannelMask(all), allMask);
    EXPECT_EQ(DecodeChannelMask(allMask), all);
    EXPECT_EQ(DefaultSixChannels(), DecodeChannelMask({0x01, 0x04, 0x10, 0x40, 0x00, 0x01, 0x02}));
}

// ---- the page ----

const std::vector<int> kSix = {1, 11, 21, 31, 41, 50};

// A connected window showing the Device Settings group with the "Reader Parameters" tab open,
// on a reader with parameter memory.
class ParameterPage : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        reader = ConnectToFakeLine<CParameterReader>(dlg);
        dlg.OnDeviceSettings();
        // Room for the page's minimum size: the sheet's own minimum is smaller than the page.
        dlg.resize(1200, 800);
        dlg.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&dlg));
        reader->m_written.clear();
        reader->answers.clear();
        dlg.Sheet().SetActivePage(1);
        ASSERT_TRUE(page.HasWindow());
        opening = Sent();
        reader->answers.clear();
        QCoreApplication::sendPostedEvents();
    }
    void TearDown() override {
        if (QWidget* popup = QApplication::activePopupWidget())
            popup->close();
        WindowTest::TearDown();
    }

    QStringList Sent() { return TakeSent(*reader); }
    void Set(const QStringList& settings) { Operate(dlg, settings); }
    void Expect(const QStringList& expectations) { ExpectControls(dlg, expectations); }
    QCheckBox* Freq(int n) { return Control<QCheckBox>(dlg, QStringLiteral("freq%1Check").arg(n)); }
    void SetChannels(std::initializer_list<int> on, bool state = true) {
        for (int n : on)
            Set({QStringLiteral("freq%1Check:%2").arg(n).arg(state ? "on" : "off")});
    }
    std::vector<int> CheckedChannels() {
        std::vector<int> channels;
        for (int n = 1; n <= kChannelCount; ++n)
            if (Freq(n)->isChecked())
                channels.push_back(n);
        return channels;
    }
    // Starts the Set sequence as the operator does and returns what it sent.
    QStringList SetSettings() {
        Sent();
        Click(dlg, "parameterSetSettingsButton");
        return Sent();
    }
    // Runs a sender the dispatcher calls in the middle of the Set sequence.
    QStringList SendVia(void (CParameter::*sender)()) {
        Sent();
        (page.*sender)();
        return Sent();
    }

    CReaderDlg dlg;
    CParameter& page = dlg.ParameterPage();
    CParameterReader* reader = nullptr;
    QStringList opening;
};

TEST_F(ParameterPage, OpeningShowsTheStartValuesAndStartsTheGetSequence) {
    EXPECT_EQ(opening, QStringList({"A0 04 61 00 65 96"}));
    EXPECT_EQ(dlg.m_waitGetParams, 1);
    EXPECT_EQ(dlg.m_getParamStep, 1);
    EXPECT_EQ(dlg.m_waitGetMode, 0) << "the work mode page's Get sequence is cancelled";
    EXPECT_TRUE(dlg.m_serial.GetPortOpen());
    // The read tag mode member starts at 0, which is "Single Tag".
    Expect({"powerBox=140", "antenna1Check:on", "antenna2Check:off", "antenna3Check:off",
            "antenna4Check:off", "freq2Check:enabled", "hoppingFrequencyRadio:on",
            "singleTagRadio:on", "multiTagRadio:off", "channelList=1---902.5MHz",
            "channelList:disabled"});
    EXPECT_EQ(CheckedChannels(), kSix);
    auto* list = Control<QComboBox>(dlg, "channelList");
    EXPECT_EQ(list->count(), 50);
    EXPECT_EQ(list->itemText(49), QStringLiteral("50--927.0MHz"));
    EXPECT_EQ(Control<QGroupBox>(dlg, "frequencyHoppingGroup")->title(),
              QStringLiteral("Frequency-Hopping Settings "));
}

TEST_F(ParameterPage, PowerOutsideTheRangeOrNotANumberIsRefused) {
    const struct {
        const char* typed;
        const char* sent;
        QString shown;
    } rows[] = {
        {"0", "A0 05 60 00 65 00 96", {}},    {"150", "A0 05 60 00 65 96 00", {}},
        {"151", nullptr, "Power: 0 - 150"},   {"-1", nullptr, "Power: 0 - 150"},
        {"12a", nullptr, "请键入一个整数。"}, {"", nullptr, "请键入一个整数。"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.typed);
        messages.clear();
        Set({QStringLiteral("powerBox=") + row.typed});
        EXPECT_EQ(SetSettings(), row.sent ? QStringList({row.sent}) : QStringList());
        EXPECT_EQ(messages, row.shown.isEmpty() ? QStringList() : QStringList({row.shown}));
        EXPECT_EQ(dlg.m_waitSetParams, 1) << "a refusal leaves the sequence pending";
    }
}

TEST_F(ParameterPage, AntennaSelectionsGiveModeAndMask) {
    const struct {
        QStringList checks;
        const char* sent;
    } rows[] = {
        {{"antenna1Check:on"}, "A0 07 62 02 00 89 01 01 6A"},
        {{"antenna2Check:on"}, "A0 07 62 02 00 89 04 03 65"},
        {{"antenna1Check:off", "antenna2Check:off", "antenna3Check:on"},
         "A0 07 62 02 00 89 04 04 64"},
        {{"antenna1Check:on", "antenna2Check:on", "antenna4Check:on"},
         "A0 07 62 02 00 89 04 0F 59"},
        {{"antenna1Check:off", "antenna2Check:off", "antenna3Check:off", "antenna4Check:off"},
         nullptr},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.checks.join(' ').toStdString());
        messages.clear();
        Set(row.checks);
        EXPECT_EQ(SendVia(&CParameter::SendAntennas),
                  row.sent ? QStringList({row.sent}) : QStringList());
        EXPECT_EQ(messages, row.sent ? QStringList() : QStringList({"No Antenna Selected!"}));
    }
}

TEST_F(ParameterPage, FixedChannelFollowsTheRadioAndTheList) {
    Set({"fixedFrequencyRadio:on"});
    Expect({"channelList:enabled", "freq1Check:disabled"});
    const struct {
        const char* chosen;
        const char* sent;
    } rows[] = {{"50--927.0MHz", "A0 05 60 00 90 32 39"},
                {"1---902.5MHz", "A0 05 60 00 90 01 6A"},
                {"907.0", nullptr}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.chosen);
        messages.clear();
        Set({QStringLiteral("channelList=") + row.chosen});
        EXPECT_EQ(SendVia(&CParameter::SendFixedChannel),
                  row.sent ? QStringList({row.sent}) : QStringList());
        EXPECT_EQ(messages.size(), row.sent ? 0 : 1);
    }
    // Hopping writes 0 whatever the list shows; the list keeps its text.
    Set({"hoppingFrequencyRadio:on"});
    Expect({"channelList:disabled", "freq1Check:enabled"});
    EXPECT_EQ(SendVia(&CParameter::SendFixedChannel), QStringList({"A0 05 60 00 90 00 6B"}));
}

TEST_F(ParameterPage, ChannelMaskAndReadTagModeAreWrittenFromTheControls) {
    SetChannels({1, 11, 21, 31, 41, 50}, false);
    SetChannels({8, 9, 49});
    EXPECT_EQ(SendVia(&CParameter::SendChannelMask),
              QStringList({"A0 0C 62 07 00 92 80 01 00 00 00 00 01 D7"}));
    // With a fixed channel the disabled checks still give the mask.
    Set({"fixedFrequencyRadio:on"});
    EXPECT_EQ(SendVia(&CParameter::SendChannelMask),
              QStringList({"A0 0C 62 07 00 92 80 01 00 00 00 00 01 D7"}));
    Set({"multiTagRadio:on"});
    EXPECT_EQ(SendVia(&CParameter::SendReadTagMode), QStringList({"A0 05 60 00 87 01 73"}));
}

TEST_F(ParameterPage, DefaultLeavesFixedFrequencyForTheFactoryValues) {
    SetChannels({2});
    SetChannels({1}, false);
    // Text that is no number stops the transfer with the prompt; Default fills the form anyway.
    Set({"fixedFrequencyRadio:on", "multiTagRadio:on", "powerBox=9x", "antenna3Check:on"});
    Click(dlg, "parameterDefaultButton");
    Expect({"hoppingFrequencyRadio:on", "channelList:disabled", "freq2Check:enabled",
            "powerBox=135", "antenna1Check:on", "antenna3Check:off", "singleTagRadio:on"});
    EXPECT_EQ(CheckedChannels(), kSix);
    EXPECT_TRUE(Sent().empty());
    EXPECT_EQ(messages, QStringList({"请键入一个整数。"}));
}

TEST_F(ParameterPage, ButtonsDoNothingWhileDisconnected) {
    dlg.m_connected = 0;
    Set({"powerBox=90"});
    for (const char* button :
         {"parameterDefaultButton", "parameterSetSettingsButton", "parameterGetSettingsButton"})
        Click(dlg, button);
    Expect({"powerBox=90"});
    EXPECT_TRUE(Sent().empty());
    EXPECT_TRUE(messages.isEmpty());
    EXPECT_EQ(dlg.m_waitSetParams, 0);
}

TEST_F(ParameterPage, FixedReadBackSelectsTheChannelAndKeepsTheChecks) {
    // The channels as a Set sequence last took them from the form.
    SetChannels({5});
    SendVia(&CParameter::SendChannelMask);
    const std::vector<int> before = CheckedChannels();
    page.m_readBack = {100, 12, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x03, 1, 0x01, 2};
    page.ShowReadBack();
    // A read tag mode of 2 leaves both radios clear and is written back as 0.
    Expect({"fixedFrequencyRadio:on", "channelList=12--908.0MHz", "channelList:enabled",
            "freq5Check:disabled", "singleTagRadio:off", "multiTagRadio:off"});
    EXPECT_EQ(CheckedChannels(), before);
    EXPECT_EQ(SendVia(&CParameter::SendReadTagMode), QStringList({"A0 05 60 00 87 00 74"}));
    EXPECT_EQ(SendVia(&CParameter::SendFixedChannel), QStringList({"A0 05 60 00 90 0C 5F"}));
}

TEST_F(ParameterPage, FixedChannelAboveFiftyIsShownAsNoneAndNotWritten) {
    page.m_readBack = {100, 51, 0, 0, 0, 0, 0, 0, 0, 1, 0x01, 0};
    page.ShowReadBack();
    EXPECT_EQ(Control<QComboBox>(dlg, "channelList")->currentIndex(), -1);
    Expect({"channelList="});
    EXPECT_TRUE(SendVia(&CParameter::SendFixedChannel).empty());
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].startsWith(QStringLiteral("No Fixed Frequency Channel Selected!")));
}

TEST_F(ParameterPage, OperationsWorkOnTheMembersWhileThePageHasNoControls) {
    Set({"fixedFrequencyRadio:on", "channelList=50--927.0MHz"});
    page.UpdateData(true);
    dlg.OnDemonstration();
    ASSERT_FALSE(page.HasWindow());
    dlg.OpenPortIfClosed();
    EXPECT_EQ(SendVia(&CParameter::SendFixedChannel), QStringList({"A0 05 60 00 90 32 39"}));
    page.m_readBack = {10, 51, 0, 0, 0, 0, 0, 0, 0, 1, 0x01, 0};
    page.ShowReadBack();
    page.EnableChannelChecks(true);
    EXPECT_FALSE(page.ShowChannelMenu(QPoint(0, 0)));
    EXPECT_TRUE(SendVia(&CParameter::SendFixedChannel).empty());
    EXPECT_EQ(messages.size(), 1);
    EXPECT_EQ(SendVia(&CParameter::SendPower), QStringList({"A0 05 60 00 65 0A 8C"}));
}

// ---- the sequences, as the dispatcher runs them ----

TEST_F(ParameterPage, DefaultThenSetSendsEachFrameAfterTheAcknowledgementBefore) {
    Click(dlg, "parameterDefaultButton");
    EXPECT_TRUE(Sent().empty()) << "Default sends nothing";
    EXPECT_EQ(SetSettings(), QStringList({"A0 05 60 00 65 87 0F"}));
    EXPECT_EQ(dlg.m_waitSetParams, 1);
    EXPECT_EQ(dlg.m_waitGetParams, 0);
    reader->Pump();
    EXPECT_EQ(Sent(),
              QStringList({"A0 07 62 02 00 89 01 01 6A", "A0 05 60 00 90 00 6B",
                           "A0 0C 62 07 00 92 01 04 10 40 00 01 02 01", "A0 05 60 00 87 00 74"}));
    EXPECT_EQ(dlg.m_waitSetParams, 0);
    EXPECT_EQ(Lines(dlg).last(), QStringLiteral("Set Settings Successfully!"));
    EXPECT_FALSE(dlg.m_serial.GetPortOpen());
    EXPECT_TRUE(messages.isEmpty());
}

TEST_F(ParameterPage, GetSequenceReadsAndShowsTheReadersValues) {
    reader->memory = {{0x65, 200}, {0x90, 0},    {0x92, 0x01}, {0x98, 0xFF},
                      {0x89, 4},   {0x8A, 0x0A}, {0x87, 1}};
    Click(dlg, "parameterGetSettingsButton");
    reader->Pump();
    EXPECT_EQ(Sent(), QStringList({"A0 04 61 00 65 96", "A0 04 61 00 90 6B", "A0 05 63 07 00 92 5F",
                                   "A0 05 63 02 00 89 6D", "A0 04 61 00 87 74"}));
    EXPECT_EQ(dlg.m_waitGetParams, 0);
    EXPECT_EQ(Lines(dlg).last(), QStringLiteral("Get Settings Successfully!"));
    EXPECT_FALSE(dlg.m_serial.GetPortOpen());
    Expect({"powerBox=200", "hoppingFrequencyRadio:on", "freq49Check:enabled",
            "channelList:disabled", "antenna1Check:off", "antenna2Check:on", "antenna3Check:off",
            "antenna4Check:on", "multiTagRadio:on"});
    EXPECT_EQ(CheckedChannels(), std::vector<int>({1, 49, 50}));
    // The power read back is shown as it is, and Set refuses it until it is changed.
    EXPECT_TRUE(SetSettings().empty());
    EXPECT_EQ(messages, QStringList({"Power: 0 - 150"}));
}

// ---- the channel menu ----

class ChannelMenu : public ParameterPage {
protected:
    // A right click as the operator makes it, at pos inside the widget.
    QMenu* RightClick(QWidget* widget, QPoint pos) {
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
    QMenu* RightClick(QWidget* widget) { return RightClick(widget, widget->rect().center()); }
    void Close(QMenu* menu) {
        menu->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    // Picks a command as the operator does: a left click on its entry of the menu over channel 7.
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

TEST_F(ChannelMenu, OpensOverAChannelWithItsChineseCommands) {
    QMenu* menu = RightClick(Freq(7));
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(menu->title(), QStringLiteral("选择频点"));
    QStringList texts;
    for (QAction* action : menu->actions())
        texts << action->text();
    EXPECT_EQ(texts, QStringList({"选择六个频点", "选择全部频点", "取消全部频点"}));
    // The one press went through several filters on its way up; it opened one menu.
    EXPECT_EQ(page.Window()->findChildren<QMenu*>().size(), 1);
    // The texts render: the font chosen for Chinese has a glyph for every character.
    const QRawFont font = QRawFont::fromFont(menu->font(), QFontDatabase::SimplifiedChinese);
    ASSERT_TRUE(font.isValid());
    for (const QString& text : texts + QStringList{menu->title()})
        for (QChar c : text)
            EXPECT_TRUE(font.supportsCharacter(c)) << QString(c).toStdString();
    Close(menu);
    // The press was not consumed: the box did not change, and a second click opens it again.
    EXPECT_FALSE(Freq(7)->isChecked());
    QMenu* again = RightClick(Freq(7));
    ASSERT_NE(again, nullptr);
    Close(again);
}

TEST_F(ChannelMenu, OpensOnlyStrictlyInsideTheFrequencyBand) {
    auto* band = Control<QGroupBox>(dlg, "frequencyBandGroup");
    const int w = band->width(), h = band->height();
    const struct {
        const char* name;
        QWidget* widget;
        QPoint pos;
        bool opens;
    } rows[] = {
        {"powerBox", Control(dlg, "powerBox"), {}, false},
        {"setSettingsButton", Control(dlg, "parameterSetSettingsButton"), {}, false},
        {"leftBorder", band, {0, h / 2}, false},
        {"topBorder", band, {w / 2, 0}, false},
        {"justInsideTopLeft", band, {1, 1}, true},
        {"lastColumnAndRow", band, {w - 1, h - 1}, true},
        {"pastTheRightEdge", page.Window(), band->mapTo(page.Window(), QPoint(w, h / 2)), false},
        {"bandTitle", band, {w / 2, 3}, true},
        {"freq50", Freq(50), {}, true},
    };
    for (const auto& row : rows) {
        const QPoint pos = row.pos.isNull() ? row.widget->rect().center() : row.pos;
        QMenu* menu = RightClick(row.widget, pos);
        EXPECT_EQ(menu != nullptr, row.opens) << row.name;
        if (menu)
            Close(menu);
    }
}

TEST_F(ChannelMenu, CommandsChangeTheHoppingSet) {
    RunCommand("clearAllChannelsAction");
    EXPECT_TRUE(CheckedChannels().empty());
    EXPECT_EQ(SendVia(&CParameter::SendChannelMask),
              QStringList({"A0 0C 62 07 00 92 00 00 00 00 00 00 00 59"}));
    RunCommand("selectAllChannelsAction");
    EXPECT_EQ(SendVia(&CParameter::SendChannelMask),
              QStringList({"A0 0C 62 07 00 92 FF FF FF FF FF FF 03 5C"}));
    RunCommand("selectSixChannelsAction");
    EXPECT_EQ(CheckedChannels(), kSix);
    EXPECT_TRUE(messages.isEmpty());
}

TEST_F(ChannelMenu, OpensButChangesNothingWithAFixedChannel) {
    SetChannels({3});
    Set({"fixedFrequencyRadio:on"});
    for (const char* action :
         {"selectAllChannelsAction", "clearAllChannelsAction", "selectSixChannelsAction"}) {
        RunCommand(action);
        EXPECT_EQ(CheckedChannels(), std::vector<int>({1, 3, 11, 21, 31, 41, 50})) << action;
    }
}

TEST_F(ChannelMenu, CommandEndsAtAPowerBoxWithoutANumber) {
    Set({"antenna2Check:on", "freq2Check:on", "powerBox=abc"});
    RunCommand("clearAllChannelsAction");
    EXPECT_EQ(messages, QStringList({"请键入一个整数。"}));
    EXPECT_EQ(CheckedChannels(), std::vector<int>({1, 2, 11, 21, 31, 41, 50}));
    // The operator's clicks are not undone.
    Expect({"antenna2Check:on", "powerBox=abc"});
}

} // namespace
