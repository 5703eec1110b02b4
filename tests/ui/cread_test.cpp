// The Tag Operation page driven as an operator drives it: its lists, boxes and buttons, with the
// requests checked byte for byte on an in-memory line.
#include "fakewindow.h"
#include "windowtest.h"

#include "pages/cread.h"
#include "protocol/frame.h"

#include <QAbstractItemView>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>

namespace {

struct Entry {
    const char* control; // object name of a list or box
    QString text;        // an entry to pick from a list, or text to type
    bool typed = false;  // typed into a list's edit field even where it names an entry
};

class TagOperationPage : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        line = ConnectToFakeLine(dlg);
        dlg.Sheet().SetActivePage(1);
    }

    CRead& Page() { return dlg.ReadPage(); }
    template <typename T> T* Find(const char* name) {
        auto* found = dlg.findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }
    // The requests written since the last call, as hex text.
    QStringList Sent() {
        QStringList sent;
        for (const QByteArray& frame : line->m_written)
            sent << QString::fromStdString(
                HexString(ByteView(reinterpret_cast<const std::uint8_t*>(frame.constData()),
                                   static_cast<std::size_t>(frame.size()))));
        line->m_written.clear();
        return sent;
    }

    // Picks an entry from a list's popup with the mouse.
    void Pick(QComboBox* list, const QString& text) {
        list->showPopup();
        QAbstractItemView* view = list->view();
        const QModelIndex index = list->model()->index(list->findText(text), 0);
        ASSERT_TRUE(index.isValid()) << text.toStdString();
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(index).center());
    }
    void Type(QWidget* box, const QString& text) {
        box->setFocus();
        QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(box, Qt::Key_Delete);
        bool ascii = true;
        for (QChar c : text)
            ascii = ascii && c.unicode() >= 0x20 && c.unicode() < 0x7F;
        if (ascii)
            QTest::keyClicks(box, text);
        else if (auto* edit = qobject_cast<QLineEdit*>(box))
            edit->insert(text); // pasted: the test keyboard types printable ASCII only
        else
            qobject_cast<QPlainTextEdit*>(box)->insertPlainText(text);
    }
    void Enter(const std::vector<Entry>& entries) {
        for (const Entry& entry : entries) {
            QWidget* control = Find<QWidget>(entry.control);
            auto* list = qobject_cast<QComboBox*>(control);
            if (list && !entry.typed && list->findText(entry.text) >= 0)
                Pick(list, entry.text);
            else if (list)
                Type(list->lineEdit(), entry.text);
            else
                Type(control, entry.text);
        }
    }
    int TagFlags() {
        return dlg.m_waitReadTag * 1 + dlg.m_waitWriteTag * 2 + dlg.m_waitInitTag * 4 +
               dlg.m_waitLockTag * 8 + dlg.m_waitDestroyTag * 16;
    }

    CReaderDlg dlg;
    CFakeBackend* line = nullptr;
};

TEST_F(TagOperationPage, CreationSetsTheDefaultsAndActivationStopsTheStream) {
    EXPECT_EQ(Sent(), QStringList({"A0 02 FE 60"}));
    EXPECT_FALSE(dlg.m_serial.GetPortOpen());
    auto* sections = Find<QComboBox>("writeSectionList");
    QStringList entries;
    for (int i = 0; i < sections->count(); ++i)
        entries << sections->itemText(i);
    EXPECT_EQ(entries, QStringList({"Reserved", "EPC", "TID", "User"}));
    EXPECT_EQ(Find<QComboBox>("readSectionList")->currentText(), "EPC");
    EXPECT_EQ(sections->currentText(), "EPC");
    EXPECT_EQ(Find<QComboBox>("lockList")->currentText(), "LOCK EPC");
    EXPECT_EQ(Find<QLineEdit>("readAddressBox")->text(), "2");
    EXPECT_EQ(Find<QLineEdit>("readLengthBox")->text(), "1");
    EXPECT_EQ(Find<QLineEdit>("writeAddressBox")->text(), "2");
    EXPECT_EQ(Find<QPlainTextEdit>("writeDataBox")->toPlainText(), "1234");
    EXPECT_EQ(Page().m_fastWriteId, "00 00");
    EXPECT_EQ(Find<QPlainTextEdit>("fastWriteIdBox")->toPlainText(), "00 00");
    EXPECT_EQ(Find<QLineEdit>("destroyPasswordBox")->echoMode(), QLineEdit::Password);
    EXPECT_FALSE(Find<QPushButton>("fastWriteTagIdButton")->isHidden());
    // The login group exists, hidden, with only Login usable.
    for (const char* name : {"loginButton", "authorizeButton", "modifyLoginPasswordButton",
                             "modifyAuthorizeCodeButton"}) {
        EXPECT_TRUE(Find<QPushButton>(name)->isHidden()) << name;
        EXPECT_EQ(Find<QPushButton>(name)->isEnabled(), name == std::string("loginButton")) << name;
    }
    Page().LoginSucceeded();
    EXPECT_FALSE(Find<QPushButton>("loginButton")->isEnabled());
    EXPECT_TRUE(Find<QPushButton>("modifyAuthorizeCodeButton")->isEnabled());

    // Every control can be found by automation and by a screen reader.
    for (QWidget* control : Page().Window()->findChildren<QWidget*>()) {
        const bool named = qobject_cast<QComboBox*>(control) ||
                           qobject_cast<QPlainTextEdit*>(control) ||
                           (qobject_cast<QLineEdit*>(control) &&
                            !qobject_cast<QComboBox*>(control->parentWidget()));
        if (named) {
            EXPECT_FALSE(control->accessibleName().isEmpty())
                << control->objectName().toStdString();
        }
        if (named || qobject_cast<QPushButton*>(control) || qobject_cast<QGroupBox*>(control)) {
            EXPECT_FALSE(control->objectName().isEmpty()) << control->metaObject()->className();
        }
    }
}

TEST_F(TagOperationPage, EachActivationEmptiesTheReadDataAndSendsTheStop) {
    Page().AppendReadData(QStringLiteral("12 34"));
    EXPECT_EQ(Find<QPlainTextEdit>("readDataBox")->toPlainText(), "12 34");
    Type(Find<QPlainTextEdit>("fastWriteIdBox"), QStringLiteral("12 34"));
    Sent();
    dlg.Sheet().SetActivePage(0);
    dlg.Sheet().SetActivePage(1);
    EXPECT_EQ(Sent(), QStringList({"A0 02 FE 60"}));
    EXPECT_TRUE(Page().m_readData.isEmpty());
    EXPECT_TRUE(Find<QPlainTextEdit>("readDataBox")->toPlainText().isEmpty());
    // What the operator typed as the next tag ID is kept.
    EXPECT_EQ(Find<QPlainTextEdit>("fastWriteIdBox")->toPlainText(), "12 34");
}

TEST_F(TagOperationPage, LettersTypedIntoTheDataBoxesAreCapitals) {
    Type(Find<QPlainTextEdit>("writeDataBox"), QStringLiteral("ab cd"));
    EXPECT_EQ(Find<QPlainTextEdit>("writeDataBox")->toPlainText(), "AB CD");
}

struct SendRow {
    const char* name;
    std::vector<Entry> entries;
    const char* button;
    const char* request;
    int flags; // the pending tag operation afterwards: 1 read, 2 write, 4 init, 8 lock, 16 destroy
};

class TagOperationSends : public TagOperationPage, public ::testing::WithParamInterface<SendRow> {};

TEST_P(TagOperationSends, ButtonSendsItsRequestAndMarksItPending) {
    Sent();
    dlg.m_waitIdentify = dlg.m_waitMultiIdentify = dlg.m_multiRxTotal = 1;
    dlg.m_retryCount = 4; // left over from an operation that was replaced
    Enter(GetParam().entries);
    Click(dlg, GetParam().button);
    EXPECT_EQ(Sent(), QStringList({GetParam().request}));
    EXPECT_TRUE(messages.isEmpty()) << messages.join('|').toStdString();
    EXPECT_EQ(TagFlags(), GetParam().flags);
    EXPECT_EQ(dlg.m_waitIdentify + dlg.m_waitMultiIdentify, 0);
    EXPECT_EQ(dlg.m_multiRxTotal, 0u);
    EXPECT_EQ(dlg.m_retryCount, 0);
    EXPECT_TRUE(dlg.m_serial.GetPortOpen());
}

const char* kWrite = "writeTagButton";
const char* kRead = "readTagButton";

INSTANTIATE_TEST_SUITE_P(
    Rows, TagOperationSends,
    ::testing::Values(
        SendRow{"ReadEpc2Len6",
                {{"readAddressBox", "2"}, {"readLengthBox", "6"}},
                kRead,
                "A0 06 80 04 01 02 06 CD",
                1},
        SendRow{"ReadUser0Len8",
                {{"readSectionList", "User"}, {"readAddressBox", "0"}, {"readLengthBox", "8"}},
                kRead,
                "A0 06 80 04 03 00 08 CB",
                1},
        SendRow{"ReadEmptyAddressIsZero",
                {{"readSectionList", "User"}, {"readAddressBox", ""}},
                kRead,
                "A0 06 80 04 03 00 01 D2",
                1},
        SendRow{"ReadReserved",
                {{"readSectionList", "Reserved"}, {"readAddressBox", "0"}, {"readLengthBox", "4"}},
                kRead,
                "A0 06 80 04 00 00 04 D2",
                1},
        SendRow{"ReadTidLastWord",
                {{"readSectionList", "TID"}, {"readAddressBox", "7"}},
                kRead,
                "A0 06 80 04 02 07 01 CC",
                1},
        SendRow{"WriteDefault", {}, kWrite, "A0 09 81 04 00 01 02 01 12 34 88", 2},
        SendRow{"WriteBlanksIgnored",
                {{"writeDataBox", " 12 3 4 "}},
                kWrite,
                "A0 09 81 04 00 01 02 01 12 34 88",
                2},
        SendRow{"WriteUserLowerCase",
                {{"writeSectionList", "User"}, {"writeAddressBox", "0"}, {"writeDataBox", "ab cd"}},
                kWrite,
                "A0 09 81 04 00 03 00 01 AB CD 56",
                2},
        SendRow{"WriteTidLastWord",
                {{"writeSectionList", "TID"}, {"writeAddressBox", "7"}, {"writeDataBox", "FF00"}},
                kWrite,
                "A0 09 81 04 00 02 07 01 FF 00 C9",
                2},
        SendRow{"Initialize", {}, "initializeButton", "A0 03 99 04 C0", 4},
        SendRow{"LockDefaultEpc", {}, "lockButton", "A0 04 87 04 02 CF", 8},
        SendRow{"LockUser", {{"lockList", "LOCK USER"}}, "lockButton", "A0 04 87 04 00 D1", 8},
        SendRow{"LockTid", {{"lockList", "LOCK TID"}}, "lockButton", "A0 04 87 04 01 D0", 8},
        SendRow{"LockAccess", {{"lockList", "LOCK ACCESS"}}, "lockButton", "A0 04 87 04 03 CE", 8},
        SendRow{"LockKill", {{"lockList", "LOCK KILL"}}, "lockButton", "A0 04 87 04 04 CD", 8},
        SendRow{"LockAll", {{"lockList", "LOCK ALL"}}, "lockButton", "A0 04 87 04 05 CC", 8},
        SendRow{"Destroy",
                {{"destroyPasswordBox", "12345678"}},
                "destroyButton",
                "A0 08 86 04 00 12 34 56 78 BA",
                16},
        SendRow{"DestroyOnlyFirstEightCount",
                {{"destroyPasswordBox", "12345678zz 9"}},
                "destroyButton",
                "A0 08 86 04 00 12 34 56 78 BA",
                16},
        SendRow{"DestroyLowerCase",
                {{"destroyPasswordBox", "abcdef01"}},
                "destroyButton",
                "A0 08 86 04 00 AB CD EF 01 66",
                16}),
    [](const auto& info) { return std::string(info.param.name); });

struct RefusalRow {
    const char* name;
    std::vector<Entry> entries;
    const char* button;
    QString message;
};

class TagOperationRefuses : public TagOperationPage,
                            public ::testing::WithParamInterface<RefusalRow> {};

TEST_P(TagOperationRefuses, NothingIsSentAndThePendingOperationStays) {
    Click(dlg, "lockButton"); // an unanswered operation that the refusal must leave alone
    Page().AppendReadData(QStringLiteral("12 34"));
    Sent();
    Enter(GetParam().entries);
    Click(dlg, GetParam().button);
    EXPECT_EQ(messages, QStringList({GetParam().message}));
    EXPECT_TRUE(Sent().isEmpty());
    EXPECT_EQ(TagFlags(), 8);
    EXPECT_TRUE(dlg.m_serial.GetPortOpen());
    if (GetParam().button == std::string(kRead)) {
        EXPECT_TRUE(Page().m_readData.isEmpty());
    }
}

const QString kAddressLength = QStringLiteral("Address+Length Should Less Than 8\uFF01");
const QString kBadPassword = QStringLiteral("Password Should Be 8 Hex Digitals!");

INSTANTIATE_TEST_SUITE_P(
    Rows, TagOperationRefuses,
    ::testing::Values(
        RefusalRow{"ReadEpcBelowWord2", {{"readAddressBox", "1"}}, kRead, "Invalid Address!"},
        RefusalRow{"ReadTextAddressIsZero", {{"readAddressBox", "x2"}}, kRead, "Invalid Address!"},
        RefusalRow{"ReadAddress8",
                   {{"readSectionList", "User"}, {"readAddressBox", "8"}},
                   kRead,
                   "Invalid Address!"},
        RefusalRow{"ReadNegativeAddress",
                   {{"readSectionList", "TID"}, {"readAddressBox", "-1"}},
                   kRead,
                   "Invalid Address!"},
        RefusalRow{"ReadEpcLength7", {{"readLengthBox", "7"}}, kRead, "Invalid Length!"},
        RefusalRow{"ReadLength0", {{"readLengthBox", "0"}}, kRead, "Invalid Length!"},
        RefusalRow{"ReadUserLength9",
                   {{"readSectionList", "User"}, {"readAddressBox", "0"}, {"readLengthBox", "9"}},
                   kRead,
                   "Invalid Length!"},
        RefusalRow{"ReadEpcPastTheEnd",
                   {{"readAddressBox", "3"}, {"readLengthBox", "6"}},
                   kRead,
                   kAddressLength},
        RefusalRow{"ReadUserPastTheEnd",
                   {{"readSectionList", "User"}, {"readAddressBox", "4"}, {"readLengthBox", "5"}},
                   kRead,
                   kAddressLength},
        RefusalRow{"ReadUnknownSection",
                   {{"readSectionList", "Epc"}},
                   kRead,
                   "Invalid Section! Choose Reserved, EPC, TID or User."},
        RefusalRow{"WriteEpcBelowWord2", {{"writeAddressBox", "1"}}, kWrite, "Invalid Address"},
        RefusalRow{"WriteAddress8",
                   {{"writeSectionList", "User"}, {"writeAddressBox", "8"}},
                   kWrite,
                   "Invalid Address"},
        RefusalRow{"WriteThreeDigits", {{"writeDataBox", "123"}}, kWrite, "Invalid Data"},
        RefusalRow{"WriteFiveDigits", {{"writeDataBox", "12345"}}, kWrite, "Invalid Data"},
        RefusalRow{"WriteOneByte", {{"writeDataBox", "12"}}, kWrite, "Invalid Data"},
        RefusalRow{"WriteEmpty", {{"writeDataBox", ""}}, kWrite, "Invalid Data"},
        RefusalRow{"WriteNotHex", {{"writeDataBox", "12G4"}}, kWrite, "Invalid Data"},
        RefusalRow{"WriteTwoLines", {{"writeDataBox", "12\n34"}}, kWrite, "Invalid Data"},
        RefusalRow{"WriteFullWidthDigit",
                   {{"writeDataBox", QStringLiteral("12\uFF134")}},
                   kWrite,
                   "Invalid Data"},
        RefusalRow{"WriteLong",
                   {{"writeDataBox", QString(600, QLatin1Char('A'))}},
                   kWrite,
                   "Invalid Data"},
        RefusalRow{"WriteUnknownSection",
                   {{"writeSectionList", "Kill"}},
                   kWrite,
                   "Invalid Section! Choose EPC, TID or User."},
        // Typed rather than picked, so the write controls stay enabled.
        RefusalRow{"WriteReservedTyped",
                   {{"writeSectionList", "Reserved", true}},
                   kWrite,
                   "The Reserved Section Cannot Be Written!"},
        RefusalRow{"LockUnknownChoice",
                   {{"lockList", "LOCK NOTHING"}},
                   "lockButton",
                   "Invalid Lock Choice! Choose one of the LOCK entries of the list."},
        RefusalRow{"DestroyEmpty", {}, "destroyButton", kBadPassword},
        RefusalRow{"DestroySevenDigits",
                   {{"destroyPasswordBox", "1234567"}},
                   "destroyButton",
                   kBadPassword},
        RefusalRow{
            "DestroyNotHex", {{"destroyPasswordBox", "1234567G"}}, "destroyButton", kBadPassword},
        RefusalRow{"DestroyBlankInside",
                   {{"destroyPasswordBox", "1234 5678"}},
                   "destroyButton",
                   kBadPassword},
        RefusalRow{"DestroyFullWidth",
                   {{"destroyPasswordBox", QStringLiteral("1234567\uFF18")}},
                   "destroyButton",
                   kBadPassword}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(TagOperationPage, ChoosingReservedForTheWriteDisablesTheWriteControls) {
    const char* controls[] = {"writeAddressBox", "writeAddressLabel", "writeDataBox",
                              "writeDataLabel",  "writeTagButton",    "writeDataNote"};
    auto* list = Find<QComboBox>("writeSectionList");
    for (const char* section : {"Reserved", "User", "Reserved", "EPC"}) {
        Pick(list, section);
        for (const char* name : controls)
            EXPECT_EQ(Find<QWidget>(name)->isEnabled(), section != std::string("Reserved"))
                << section << " " << name;
    }
    Pick(list, "Reserved");
    Click(dlg, "readTagButton"); // reading Reserved stays possible
    EXPECT_TRUE(Find<QPushButton>("readTagButton")->isEnabled());
}

// The dispatcher resends by running the handler again while the operation is pending.
TEST_F(TagOperationPage, AResendSendsWhatTheControlsShowAndKeepsTheAttemptCount) {
    Enter({{"readSectionList", "TID"}, {"readAddressBox", "0"}, {"readLengthBox", "3"}});
    Click(dlg, "readTagButton");
    Page().AppendReadData(QStringLiteral("00 11"));
    Sent();
    dlg.m_retryCount = 3;
    Page().OnReadTag();
    EXPECT_EQ(Sent(), QStringList({"A0 06 80 04 02 00 03 D1"}));
    EXPECT_EQ(dlg.m_retryCount, 3);
    EXPECT_TRUE(Page().m_readData.isEmpty());

    // The operator changed the box meanwhile: the resend is refused and the read ends.
    Enter({{"readAddressBox", "9"}});
    Page().OnReadTag();
    EXPECT_TRUE(Sent().isEmpty());
    EXPECT_EQ(messages, QStringList({"Invalid Address!"}));
    EXPECT_EQ(TagFlags(), 0);
    EXPECT_EQ(dlg.m_retryCount, 0);
    EXPECT_FALSE(dlg.m_serial.GetPortOpen());
}

TEST_F(TagOperationPage, ANewOperationReplacesAnyPendingTagOperation) {
    Enter({{"destroyPasswordBox", "00000000"}});
    Click(dlg, "destroyButton");
    Click(dlg, "readTagButton");
    EXPECT_EQ(TagFlags(), 1);
    Click(dlg, "lockButton");
    Click(dlg, "destroyButton");
    EXPECT_EQ(TagFlags(), 16);
}

TEST_F(TagOperationPage, WithoutControlsTheHandlersUseTheLastValuesRead) {
    Enter({{"writeSectionList", "User"},
           {"writeAddressBox", "5"},
           {"writeDataBox", "C0DE"},
           {"lockList", "LOCK ALL"},
           {"destroyPasswordBox", "0A0B0C0D"}});
    Click(dlg, "writeTagButton");
    Sent();
    dlg.OnDeviceSettings(); // the page's controls go away
    ASSERT_FALSE(Page().HasWindow());
    Sent();
    dlg.m_waitWriteTag = 1;
    Page().OnWriteTag();
    Page().OnLock();
    Page().OnDestroy();
    Page().OnReadTag();
    EXPECT_EQ(Sent(), QStringList({"A0 09 81 04 00 03 05 01 C0 DE 2B", "A0 04 87 04 05 CC",
                                   "A0 08 86 04 00 0A 0B 0C 0D A0", "A0 06 80 04 01 02 01 D2"}));
    Page().AppendReadData(QStringLiteral("ab"));
    Page().ShowFastWriteId(QStringLiteral("00 01 "));
    Page().LoginSucceeded();
    EXPECT_EQ(Page().m_fastWriteId, "00 01 ");
    EXPECT_TRUE(messages.isEmpty());
}

} // namespace
