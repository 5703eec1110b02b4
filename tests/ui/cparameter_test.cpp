// The "Reader Parameters" page: the channel table and mask bytes, the frames of every request
// with the controls set as an operator sets them, the refusals, Default, the read-back, and the
// channel menu with the rule of where it opens.
#include "fakebackend.h"
#include "windowtest.h"

#include "pages/channelplan.h"
#include "pages/cparameter.h"
#include "protocol/frame.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFontDatabase>
#include <QGroupBox>
#include <QLineEdit>
#include <QMenu>
#include <QRadioButton>
#include <QRawFont>
#include <string>
#include <vector>

namespace {

using Frames = std::vector<std::string>;

// ---- the channel table and the mask ----

TEST(ChannelPlan, LabelsPadTheNumberToFourCharacters) {
    const struct {
        int channel;
        const char* label;
    } rows[] = {{1, "1---902.5MHz"},  {2, "2---903.0MHz"},  {9, "9---906.5MHz"},
                {10, "10--907.0MHz"}, {11, "11--907.5MHz"}, {12, "12--908.0MHz"},
                {49, "49--926.5MHz"}, {50, "50--927.0MHz"}};
    for (const auto& row : rows) {
        EXPECT_EQ(ChannelLabel(row.channel), row.label);
        EXPECT_EQ(ChannelForLabel(row.label), row.channel) << row.label;
    }
    for (const char* text : {"", "51--927.5MHz", "1---902.5MHz ", "1--902.5MHz", "902.5MHz"})
        EXPECT_EQ(ChannelForLabel(text), std::nullopt) << '"' << text << '"';
}

TEST(ChannelPlan, SelectionsGiveMaskBytesAndBack) {
    const struct {
        const char* name;
        std::vector<int> channels;
        ChannelMask mask;
    } rows[] = {
        {"channel1", {1}, {0x01, 0, 0, 0, 0, 0, 0}},
        {"channel8", {8}, {0x80, 0, 0, 0, 0, 0, 0}},
        {"channel9", {9}, {0, 0x01, 0, 0, 0, 0, 0}},
        {"channel49", {49}, {0, 0, 0, 0, 0, 0, 0x01}},
        {"channel50", {50}, {0, 0, 0, 0, 0, 0, 0x02}},
        {"defaultSix", {1, 11, 21, 31, 41, 50}, {0x01, 0x04, 0x10, 0x40, 0x00, 0x01, 0x02}},
        {"none", {}, {0, 0, 0, 0, 0, 0, 0}},
    };
    for (const auto& row : rows) {
        ChannelFlags flags{};
        for (int n : row.channels)
            flags[n - 1] = 1;
        EXPECT_EQ(EncodeChannelMask(flags), row.mask) << row.name;
        EXPECT_EQ(DecodeChannelMask(row.mask), flags) << row.name;
    }
    ChannelFlags all;
    all.fill(1);
    const ChannelMask allMask = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x03};
    EXPECT_EQ(EncodeChannelMask(all), allMask);
    EXPECT_EQ(DecodeChannelMask(allMask), all);
    EXPECT_EQ(DefaultSixChannels(), DecodeChannelMask({0x01, 0x04, 0x10, 0x40, 0x00, 0x01, 0x02}));
}

// ---- the page ----

std::string Hex(const QByteArray& bytes) {
    return HexString(ByteView(reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                              static_cast<std::size_t>(bytes.size())));
}

// A connected window showing the Device Settings group with the "Reader Parameters" tab open,
// on an in-memory back-end.
class ParameterPage : public WindowTest {
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
        dlg.OnDeviceSettings();
        // Receive events as the connect handshake sets them up.
        dlg.m_serial.SetInputMode(1);
        dlg.m_serial.SetRThreshold(1);
        // Room for the page's minimum size: the sheet's own minimum is smaller than the page.
        dlg.resize(1200, 800);
        dlg.show();
        backend->m_written.clear();
        dlg.Sheet().SetActivePage(1);
        ASSERT_TRUE(page.HasWindow());
        opening = Sent();
        QCoreApplication::sendPostedEvents();
    }
    void TearDown() override {
        if (QWidget* popup = QApplication::activePopupWidget())
            popup->close();
        WindowTest::TearDown();
    }

    Frames Sent() {
        Frames frames;
        for (const QByteArray& bytes : backend->m_written)
            frames.push_back(Hex(bytes));
        backend->m_written.clear();
        return frames;
    }
    template <class T> T* Control(const char* name) {
        T* control = page.Window()->findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(control, nullptr) << name;
        return control;
    }
    QCheckBox* Check(const QString& name) { return page.Window()->findChild<QCheckBox*>(name); }
    QCheckBox* Freq(int n) { return Check(QStringLiteral("freq%1Check").arg(n)); }
    QCheckBox* Antenna(int k) { return Check(QStringLiteral("antenna%1Check").arg(k)); }
    void Press(const char* name) { QTest::mouseClick(Control<QPushButton>(name), Qt::LeftButton); }
    // Buttons of both kinds take a click on their indicator or caption, not anywhere in their
    // cell, so the operator clicks the indicator.
    static void ClickIndicator(QAbstractButton* button) {
        QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(8, button->height() / 2));
    }
    void ClickRadio(const char* name) { ClickIndicator(Control<QRadioButton>(name)); }
    void SetChecked(QCheckBox* box, bool on) {
        ASSERT_NE(box, nullptr);
        if (box->isChecked() != on)
            ClickIndicator(box);
        EXPECT_EQ(box->isChecked(), on) << box->objectName().toStdString();
    }
    void TypePower(const QString& text) {
        auto* box = Control<QLineEdit>("powerBox");
        box->clear();
        QTest::keyClicks(box, text);
    }
    void ChooseChannel(const QString& label) {
        auto* list = Control<QComboBox>("channelList");
        const int index = list->findText(label);
        if (index >= 0)
            list->setCurrentIndex(index);
        else
            list->setEditText(label);
    }
    std::vector<int> CheckedChannels() {
        std::vector<int> channels;
        for (int n = 1; n <= kChannelCount; ++n)
            if (Freq(n)->isChecked())
                channels.push_back(n);
        return channels;
    }
    // Starts the Set sequence as the operator does and returns what it sent.
    Frames SetSettings() {
        Sent();
        Press("parameterSetSettingsButton");
        return Sent();
    }
    // Runs a sender the dispatcher calls in the middle of the Set sequence.
    Frames SendVia(void (CParameter::*sender)()) {
        Sent();
        (page.*sender)();
        return Sent();
    }

    CReaderDlg dlg;
    CParameter& page = dlg.ParameterPage();
    CFakeBackend* backend = nullptr;
    Frames opening;
};

const std::vector<int> kSix = {1, 11, 21, 31, 41, 50};

TEST_F(ParameterPage, OpeningShowsTheStartValuesAndStartsTheGetSequence) {
    EXPECT_EQ(opening, Frames({"A0 04 61 00 65 96"}));
    EXPECT_EQ(dlg.m_waitGetParams, 1);
    EXPECT_EQ(dlg.m_getParamStep, 1);
    EXPECT_EQ(dlg.m_waitGetMode, 0) << "the work mode page's Get sequence is cancelled";
    EXPECT_TRUE(dlg.m_serial.GetPortOpen());

    EXPECT_EQ(Control<QLineEdit>("powerBox")->text(), QStringLiteral("140"));
    EXPECT_TRUE(Antenna(1)->isChecked());
    EXPECT_FALSE(Antenna(2)->isChecked() || Antenna(3)->isChecked() || Antenna(4)->isChecked());
    EXPECT_EQ(CheckedChannels(), kSix);
    EXPECT_TRUE(Freq(2)->isEnabled());
    EXPECT_TRUE(Control<QRadioButton>("hoppingFrequencyRadio")->isChecked());
    // The read tag mode member starts at 0, which is "Single Tag".
    EXPECT_TRUE(Control<QRadioButton>("singleTagRadio")->isChecked());
    EXPECT_FALSE(Control<QRadioButton>("multiTagRadio")->isChecked());
    auto* list = Control<QComboBox>("channelList");
    EXPECT_EQ(list->count(), 50);
    EXPECT_EQ(list->currentText(), QStringLiteral("1---902.5MHz"));
    EXPECT_EQ(list->itemText(49), QStringLiteral("50--927.0MHz"));
    EXPECT_FALSE(list->isEnabled());
    EXPECT_EQ(page.m_readBack, (std::array<std::uint8_t, 12>{}));
    EXPECT_EQ(Control<QGroupBox>("frequencyHoppingGroup")->title(),
              QStringLiteral("Frequency-Hopping Settings "));
    EXPECT_EQ(Control<QLineEdit>("powerBox")->accessibleName(), QStringLiteral("Power"));
}

TEST_F(ParameterPage, DefaultThenSetSendsTheFiveWorkedExampleFrames) {
    Press("parameterDefaultButton");
    EXPECT_TRUE(Sent().empty()) << "Default sends nothing";
    EXPECT_EQ(SetSettings(), Frames({"A0 05 60 00 65 87 0F"}));
    EXPECT_EQ(dlg.m_waitSetParams, 1);
    EXPECT_EQ(dlg.m_waitGetParams, 0);
    EXPECT_EQ(dlg.m_setParamStep, 1);
    EXPECT_EQ(SendVia(&CParameter::SendAntennas), Frames({"A0 07 62 02 00 89 01 01 6A"}));
    EXPECT_EQ(SendVia(&CParameter::SendFixedChannel), Frames({"A0 05 60 00 90 00 6B"}));
    EXPECT_EQ(SendVia(&CParameter::SendChannelMask),
              Frames({"A0 0C 62 07 00 92 01 04 10 40 00 01 02 01"}));
    EXPECT_EQ(SendVia(&CParameter::SendReadTagMode), Frames({"A0 05 60 00 87 00 74"}));
    EXPECT_TRUE(messages.isEmpty());
}

TEST_F(ParameterPage, PowerOutsideTheRangeOrNotANumberIsRefused) {
    const struct {
        const char* typed;
        Frames sent;
        QStringList shown;
    } rows[] = {
        {"0", {"A0 05 60 00 65 00 96"}, {}}, {"150", {"A0 05 60 00 65 96 00"}, {}},
        {"151", {}, {"Power: 0 - 150"}},     {"-1", {}, {"Power: 0 - 150"}},
        {"12a", {}, {"请键入一个整数。"}},   {"", {}, {"请键入一个整数。"}},
    };
    for (const auto& row : rows) {
        messages.clear();
        TypePower(QString::fromLatin1(row.typed));
        EXPECT_EQ(SetSettings(), row.sent) << row.typed;
        EXPECT_EQ(messages, row.shown) << row.typed;
        EXPECT_EQ(dlg.m_waitSetParams, 1) << "a refusal leaves the sequence pending";
    }
}

TEST_F(ParameterPage, AntennaSelectionsGiveModeAndMask) {
    const struct {
        const char* name;
        std::array<bool, 4> on;
        Frames sent;
    } rows[] = {
        {"only1", {true, false, false, false}, {"A0 07 62 02 00 89 01 01 6A"}},
        {"1and2", {true, true, false, false}, {"A0 07 62 02 00 89 04 03 65"}},
        {"only3", {false, false, true, false}, {"A0 07 62 02 00 89 04 04 64"}},
        {"all", {true, true, true, true}, {"A0 07 62 02 00 89 04 0F 59"}},
        {"none", {false, false, false, false}, {}},
    };
    for (const auto& row : rows) {
        messages.clear();
        for (int k = 0; k < 4; ++k)
            SetChecked(Antenna(k + 1), row.on[k]);
        EXPECT_EQ(SendVia(&CParameter::SendAntennas), row.sent) << row.name;
        EXPECT_EQ(messages, row.sent.empty() ? QStringList{"No Antenna Selected!"} : QStringList{})
            << row.name;
    }
}

TEST_F(ParameterPage, FixedChannelFollowsTheRadioAndTheList) {
    ClickRadio("fixedFrequencyRadio");
    EXPECT_TRUE(Control<QComboBox>("channelList")->isEnabled());
    EXPECT_FALSE(Freq(1)->isEnabled());
    const struct {
        const char* name;
        const char* chosen;
        Frames sent;
    } rows[] = {
        {"channel50", "50--927.0MHz", {"A0 05 60 00 90 32 39"}},
        {"channel12", "12--908.0MHz", {"A0 05 60 00 90 0C 5F"}},
        {"channel1", "1---902.5MHz", {"A0 05 60 00 90 01 6A"}},
        {"typedText", "907.0", {}},
    };
    for (const auto& row : rows) {
        messages.clear();
        ChooseChannel(QString::fromLatin1(row.chosen));
        EXPECT_EQ(SendVia(&CParameter::SendFixedChannel), row.sent) << row.name;
        EXPECT_EQ(messages.size(), row.sent.empty() ? 1 : 0) << row.name;
    }
    // Hopping writes 0 whatever the list shows; the list keeps its text.
    ClickRadio("hoppingFrequencyRadio");
    EXPECT_FALSE(Control<QComboBox>("channelList")->isEnabled());
    EXPECT_TRUE(Freq(1)->isEnabled());
    EXPECT_EQ(SendVia(&CParameter::SendFixedChannel), Frames({"A0 05 60 00 90 00 6B"}));
}

TEST_F(ParameterPage, ChannelMaskIsWrittenFromTheChecksInBothModes) {
    for (int n = 1; n <= kChannelCount; ++n)
        SetChecked(Freq(n), n == 8 || n == 9 || n == 49);
    EXPECT_EQ(SendVia(&CParameter::SendChannelMask),
              Frames({"A0 0C 62 07 00 92 80 01 00 00 00 00 01 D7"}));
    // With a fixed channel the disabled checks still give the mask.
    ClickRadio("fixedFrequencyRadio");
    EXPECT_EQ(SendVia(&CParameter::SendChannelMask),
              Frames({"A0 0C 62 07 00 92 80 01 00 00 00 00 01 D7"}));
}

TEST_F(ParameterPage, ReadTagModeWritesOneOnlyForMultiTag) {
    ClickRadio("multiTagRadio");
    EXPECT_EQ(SendVia(&CParameter::SendReadTagMode), Frames({"A0 05 60 00 87 01 73"}));
    ClickRadio("singleTagRadio");
    EXPECT_EQ(SendVia(&CParameter::SendReadTagMode), Frames({"A0 05 60 00 87 00 74"}));
}

TEST_F(ParameterPage, ReadersSendTheirFixedFrames) {
    const struct {
        void (CParameter::*reader)();
        const char* frame;
    } rows[] = {{&CParameter::ReadPower, "A0 04 61 00 65 96"},
                {&CParameter::ReadFixedChannel, "A0 04 61 00 90 6B"},
                {&CParameter::ReadChannelMask, "A0 05 63 07 00 92 5F"},
                {&CParameter::ReadAntennas, "A0 05 63 02 00 89 6D"},
                {&CParameter::ReadReadTagMode, "A0 04 61 00 87 74"}};
    for (const auto& row : rows)
        EXPECT_EQ(SendVia(row.reader), Frames({row.frame}));
}

TEST_F(ParameterPage, DefaultLeavesFixedFrequencyForTheFactoryValues) {
    SetChecked(Freq(2), true);
    SetChecked(Freq(1), false);
    ClickRadio("fixedFrequencyRadio");
    ClickRadio("multiTagRadio");
    // Text that is no number stops the transfer with the prompt; Default fills the form anyway.
    TypePower(QStringLiteral("9x"));
    SetChecked(Antenna(3), true);

    Press("parameterDefaultButton");
    EXPECT_TRUE(Control<QRadioButton>("hoppingFrequencyRadio")->isChecked());
    EXPECT_FALSE(Control<QComboBox>("channelList")->isEnabled());
    EXPECT_TRUE(Freq(2)->isEnabled());
    EXPECT_EQ(CheckedChannels(), kSix);
    EXPECT_EQ(Control<QLineEdit>("powerBox")->text(), QStringLiteral("135"));
    EXPECT_TRUE(Antenna(1)->isChecked());
    EXPECT_FALSE(Antenna(3)->isChecked());
    EXPECT_TRUE(Control<QRadioButton>("singleTagRadio")->isChecked());
    EXPECT_TRUE(Sent().empty());
    EXPECT_EQ(messages, QStringList({"请键入一个整数。"}));
}

TEST_F(ParameterPage, ButtonsDoNothingWhileDisconnected) {
    dlg.m_connected = 0;
    Sent();
    TypePower(QStringLiteral("90"));
    Press("parameterDefaultButton");
    Press("parameterSetSettingsButton");
    Press("parameterGetSettingsButton");
    EXPECT_EQ(Control<QLineEdit>("powerBox")->text(), QStringLiteral("90"));
    EXPECT_TRUE(Sent().empty());
    EXPECT_TRUE(messages.isEmpty());
    EXPECT_EQ(dlg.m_waitSetParams, 0);
}

TEST_F(ParameterPage, HoppingReadBackShowsEveryValue) {
    page.m_readBack = {200, 0, 0x01, 0, 0, 0, 0, 0, 0xFF, 4, 0x0A, 1};
    page.ShowReadBack();
    EXPECT_EQ(Control<QLineEdit>("powerBox")->text(), QStringLiteral("200"));
    EXPECT_TRUE(Control<QRadioButton>("hoppingFrequencyRadio")->isChecked());
    EXPECT_EQ(CheckedChannels(), std::vector<int>({1, 49, 50}));
    EXPECT_TRUE(Freq(49)->isEnabled());
    EXPECT_FALSE(Control<QComboBox>("channelList")->isEnabled());
    EXPECT_FALSE(Antenna(1)->isChecked());
    EXPECT_TRUE(Antenna(2)->isChecked());
    EXPECT_FALSE(Antenna(3)->isChecked());
    EXPECT_TRUE(Antenna(4)->isChecked());
    EXPECT_TRUE(Control<QRadioButton>("multiTagRadio")->isChecked());
    // The power read back is shown as it is, and Set refuses it until it is changed.
    EXPECT_TRUE(SetSettings().empty());
    EXPECT_EQ(messages, QStringList({"Power: 0 - 150"}));
}

TEST_F(ParameterPage, FixedReadBackSelectsTheChannelAndKeepsTheChecks) {
    // The channels as a Set sequence last took them from the form.
    SetChecked(Freq(5), true);
    SendVia(&CParameter::SendChannelMask);
    const std::vector<int> before = CheckedChannels();
    page.m_readBack = {100, 12, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x03, 1, 0x01, 2};
    page.ShowReadBack();
    EXPECT_TRUE(Control<QRadioButton>("fixedFrequencyRadio")->isChecked());
    EXPECT_EQ(Control<QComboBox>("channelList")->currentText(), QStringLiteral("12--908.0MHz"));
    EXPECT_TRUE(Control<QComboBox>("channelList")->isEnabled());
    EXPECT_FALSE(Freq(5)->isEnabled());
    EXPECT_EQ(CheckedChannels(), before);
    // A read tag mode of 2 leaves both radios clear and is written back as 0.
    EXPECT_FALSE(Control<QRadioButton>("singleTagRadio")->isChecked());
    EXPECT_FALSE(Control<QRadioButton>("multiTagRadio")->isChecked());
    EXPECT_EQ(SendVia(&CParameter::SendReadTagMode), Frames({"A0 05 60 00 87 00 74"}));
    EXPECT_EQ(SendVia(&CParameter::SendFixedChannel), Frames({"A0 05 60 00 90 0C 5F"}));
}

TEST_F(ParameterPage, FixedChannelAboveFiftyIsShownAsNoneAndNotWritten) {
    page.m_readBack = {100, 51, 0, 0, 0, 0, 0, 0, 0, 1, 0x01, 0};
    page.ShowReadBack();
    auto* list = Control<QComboBox>("channelList");
    EXPECT_EQ(list->currentIndex(), -1);
    EXPECT_TRUE(list->currentText().isEmpty());
    EXPECT_TRUE(SendVia(&CParameter::SendFixedChannel).empty());
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].startsWith(QStringLiteral("No Fixed Frequency Channel Selected!")));
}

TEST_F(ParameterPage, OperationsWorkOnTheMembersWhileThePageHasNoControls) {
    ClickRadio("fixedFrequencyRadio");
    ChooseChannel(QStringLiteral("50--927.0MHz"));
    page.UpdateData(true);
    dlg.OnDemonstration();
    ASSERT_FALSE(page.HasWindow());
    dlg.OpenPortIfClosed();
    EXPECT_EQ(SendVia(&CParameter::SendFixedChannel), Frames({"A0 05 60 00 90 32 39"}));
    page.m_readBack = {10, 51, 0, 0, 0, 0, 0, 0, 0, 1, 0x01, 0};
    page.ShowReadBack();
    page.EnableChannelChecks(true);
    EXPECT_FALSE(page.ShowChannelMenu(QPoint(0, 0)));
    EXPECT_TRUE(SendVia(&CParameter::SendFixedChannel).empty());
    EXPECT_EQ(messages.size(), 1);
    EXPECT_EQ(SendVia(&CParameter::SendPower), Frames({"A0 05 60 00 65 0A 8C"}));
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
    // Picks a command as the operator does: a left click on its entry.
    void Pick(QMenu* menu, const char* action) {
        QAction* entry = menu->findChild<QAction*>(QString::fromLatin1(action));
        ASSERT_NE(entry, nullptr) << action;
        QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(entry).center());
        EXPECT_EQ(QApplication::activePopupWidget(), nullptr);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    void RunCommand(const char* action) {
        QMenu* menu = RightClick(Freq(7));
        ASSERT_NE(menu, nullptr);
        Pick(menu, action);
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
    auto* band = Control<QGroupBox>("frequencyBandGroup");
    const int w = band->width(), h = band->height();
    const struct {
        const char* name;
        QWidget* widget;
        QPoint pos;
        bool opens;
    } rows[] = {
        {"powerBox", Control<QLineEdit>("powerBox"), {}, false},
        {"setSettingsButton", Control<QPushButton>("parameterSetSettingsButton"), {}, false},
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
    RunCommand("selectAllChannelsAction");
    EXPECT_EQ(CheckedChannels().size(), 50u);
    RunCommand("selectSixChannelsAction");
    EXPECT_EQ(CheckedChannels(), kSix);
    RunCommand("selectAllChannelsAction");
    EXPECT_EQ(SendVia(&CParameter::SendChannelMask),
              Frames({"A0 0C 62 07 00 92 FF FF FF FF FF FF 03 5C"}));
    RunCommand("clearAllChannelsAction");
    EXPECT_EQ(SendVia(&CParameter::SendChannelMask),
              Frames({"A0 0C 62 07 00 92 00 00 00 00 00 00 00 59"}));
    EXPECT_TRUE(messages.isEmpty());
}

TEST_F(ChannelMenu, OpensButChangesNothingWithAFixedChannel) {
    SetChecked(Freq(3), true);
    ClickRadio("fixedFrequencyRadio");
    for (const char* action :
         {"selectAllChannelsAction", "clearAllChannelsAction", "selectSixChannelsAction"}) {
        RunCommand(action);
        EXPECT_EQ(CheckedChannels(), std::vector<int>({1, 3, 11, 21, 31, 41, 50})) << action;
    }
}

TEST_F(ChannelMenu, CommandEndsAtAPowerBoxWithoutANumber) {
    SetChecked(Antenna(2), true);
    SetChecked(Freq(2), true);
    TypePower(QStringLiteral("abc"));
    RunCommand("clearAllChannelsAction");
    EXPECT_EQ(messages, QStringList({"请键入一个整数。"}));
    EXPECT_EQ(CheckedChannels(), std::vector<int>({1, 2, 11, 21, 31, 41, 50}));
    EXPECT_TRUE(Antenna(2)->isChecked()) << "the operator's clicks are not undone";
    EXPECT_EQ(Control<QLineEdit>("powerBox")->text(), QStringLiteral("abc"));
}

// ---- the sequences, as the dispatcher runs them ----

QByteArray Answer(std::uint8_t header, std::uint8_t command, std::initializer_list<int> data) {
    Bytes bytes;
    for (int b : data)
        bytes.push_back(static_cast<std::uint8_t>(b));
    const Bytes frame = BuildFrame(header, command, bytes);
    return QByteArray(reinterpret_cast<const char*>(frame.data()), static_cast<int>(frame.size()));
}

TEST_F(ParameterPage, SetSequenceSendsEachFrameAfterTheAcknowledgementBefore) {
    Press("parameterDefaultButton");
    EXPECT_EQ(SetSettings(), Frames({"A0 05 60 00 65 87 0F"}));
    const struct {
        std::uint8_t command;
        Frames next;
    } steps[] = {{0x60, {"A0 07 62 02 00 89 01 01 6A"}},
                 {0x62, {"A0 05 60 00 90 00 6B"}},
                 {0x60, {"A0 0C 62 07 00 92 01 04 10 40 00 01 02 01"}},
                 {0x62, {"A0 05 60 00 87 00 74"}},
                 {0x60, {}}};
    for (const auto& step : steps) {
        backend->Deliver(Answer(0xE4, step.command, {0x00}));
        EXPECT_EQ(Sent(), step.next);
    }
    EXPECT_EQ(dlg.m_waitSetParams, 0);
    EXPECT_TRUE(Lines(dlg).endsWith(QStringLiteral("Set Settings Successfully!")));
    EXPECT_FALSE(dlg.m_serial.GetPortOpen());
}

TEST_F(ParameterPage, GetSequenceReadsAndShowsTheReadersValues) {
    ASSERT_EQ(opening, Frames({"A0 04 61 00 65 96"}));
    const struct {
        QByteArray answer;
        Frames next;
    } steps[] = {
        {Answer(0xE0, 0x61, {0x00, 0x65, 0x64}), {"A0 04 61 00 90 6B"}},
        {Answer(0xE0, 0x61, {0x00, 0x90, 0x00}), {"A0 05 63 07 00 92 5F"}},
        {Answer(0xE0, 0x63, {0x07, 0x00, 0x92, 0x80, 0x01, 0, 0, 0, 0, 0x02}),
         {"A0 05 63 02 00 89 6D"}},
        {Answer(0xE0, 0x63, {0x02, 0x00, 0x89, 0x04, 0x06}), {"A0 04 61 00 87 74"}},
        {Answer(0xE0, 0x61, {0x00, 0x87, 0x01}), {}},
    };
    for (const auto& step : steps) {
        backend->Deliver(step.answer);
        EXPECT_EQ(Sent(), step.next);
    }
    EXPECT_EQ(dlg.m_waitGetParams, 0);
    EXPECT_TRUE(Lines(dlg).endsWith(QStringLiteral("Get Settings Successfully!")));
    EXPECT_EQ(Control<QLineEdit>("powerBox")->text(), QStringLiteral("100"));
    EXPECT_EQ(CheckedChannels(), std::vector<int>({8, 9, 50}));
    EXPECT_TRUE(Antenna(2)->isChecked() && Antenna(3)->isChecked());
    EXPECT_FALSE(Antenna(1)->isChecked() || Antenna(4)->isChecked());
    EXPECT_TRUE(Control<QRadioButton>("multiTagRadio")->isChecked());
    EXPECT_FALSE(dlg.m_serial.GetPortOpen());
}

} // namespace
