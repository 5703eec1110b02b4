// The Tag Operation page driven as an operator drives it: its lists, boxes and buttons, with the
// requests checked byte for byte on an in-memory line.
#include "pagetest.h"

#include "pages/cread.h"

namespace {

// The page's start values, made again before each row of the tables below.
const QStringList kStartValues = {"readSectionList=EPC",  "readAddressBox=2",   "readLengthBox=1",
                                  "writeSectionList=EPC", "writeAddressBox=2",  "writeDataBox=1234",
                                  "lockList=LOCK EPC",    "destroyPasswordBox="};

class TagOperationPage : public PageTest<> {
protected:
    void SetUp() override {
        PageTest::SetUp();
        dlg.Sheet().SetActivePage(1);
    }
    CRead& Page() { return dlg.ReadPage(); }
    void Enter(const QStringList& settings) { Operate(dlg, settings); }
};

// Each activation sends the stop, shows the start values and empties the read data; letters
// typed into the data boxes are capitals, and a typed next tag ID is kept.
TEST_F(TagOperationPage, ActivationStopsTheStreamAndShowsTheStartValues) {
    EXPECT_EQ(Sent(), QStringList({"A0 02 FE 60"}));
    EXPECT_TRUE(WaitUntil([&] { return !dlg.m_serial.GetPortOpen(); }));
    ExpectControls(dlg, kStartValues + QStringList({"fastWriteIdBox=00 00"}));
    EXPECT_EQ(Control<QLineEdit>(dlg, "destroyPasswordBox")->echoMode(), QLineEdit::Password);
    Page().AppendReadData(QStringLiteral("12 34"));
    ExpectControls(dlg, {"readDataBox=12 34"});
    Enter({"fastWriteIdBox=ab cd", "writeDataBox=ab cd"});
    ExpectControls(dlg, {"writeDataBox=AB CD"});
    dlg.Sheet().SetActivePage(0);
    dlg.Sheet().SetActivePage(1);
    EXPECT_EQ(Sent(), QStringList({"A0 02 FE 60"}));
    ExpectControls(dlg, {"readDataBox=", "fastWriteIdBox=AB CD"});
}

// Each button sends its request as the controls show it.
TEST_F(TagOperationPage, ButtonSendsItsRequest) {
    const char* kRead = "readTagButton";
    const char* kWrite = "writeTagButton";
    // clang-format off
    const struct { QStringList settings; const char* button; const char* request; } rows[] = {
        {{"readAddressBox=2", "readLengthBox=6"}, kRead, "A0 06 80 04 01 02 06 CD"},
        {{"readSectionList=User", "readAddressBox="}, kRead, "A0 06 80 04 03 00 01 D2"},
        {{"readSectionList=Reserved", "readAddressBox=0", "readLengthBox=4"}, kRead, "A0 06 80 04 00 00 04 D2"},
        {{"writeDataBox= 12 3 4 "}, kWrite, "A0 09 81 04 00 01 02 01 12 34 88"},
        {{"writeSectionList=User", "writeAddressBox=0", "writeDataBox=ab cd"}, kWrite, "A0 09 81 04 00 03 00 01 AB CD 56"},
        {{"writeSectionList=TID", "writeAddressBox=7", "writeDataBox=FF00"}, kWrite, "A0 09 81 04 00 02 07 01 FF 00 C9"},
        {{}, "initializeButton", "A0 03 99 04 C0"},
        {{}, "lockButton", "A0 04 87 04 02 CF"},
        {{"lockList=LOCK ALL"}, "lockButton", "A0 04 87 04 05 CC"},
        // Only the first eight characters count.
        {{"destroyPasswordBox=12345678zz 9"}, "destroyButton", "A0 08 86 04 00 12 34 56 78 BA"},
        // clang-format on
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.request);
        Enter(kStartValues + row.settings);
        Sent();
        Click(dlg, row.button);
        EXPECT_EQ(Sent(), QStringList({row.request}));
        EXPECT_TRUE(messages.isEmpty()) << messages.join('|').toStdString();
    }
}

TEST_F(TagOperationPage, RefusalSendsNothingAndLeavesThePendingOperation) {
    const char* kRead = "readTagButton";
    const char* kWrite = "writeTagButton";
    const QString kAddressLength = QStringLiteral("Address+Length Should Less Than 8\uFF01");
    const QString kBadPassword = QStringLiteral("Password Should Be 8 Hex Digitals!");
    // clang-format off
    const struct { QStringList settings; const char* button; QString message; } rows[] = {
        {{"readAddressBox=1"}, kRead, "Invalid Address!"},
        {{"readSectionList=User", "readAddressBox=8"}, kRead, "Invalid Address!"},
        {{"readLengthBox=0"}, kRead, "Invalid Length!"},
        {{"readAddressBox=3", "readLengthBox=6"}, kRead, kAddressLength},
        {{"readSectionList=Epc"}, kRead, "Invalid Section! Choose Reserved, EPC, TID or User."},
        {{"writeAddressBox=1"}, kWrite, "Invalid Address"},
        {{"writeDataBox=123"}, kWrite, "Invalid Data"},
        {{"writeDataBox=12G4"}, kWrite, "Invalid Data"},
        {{QStringLiteral("writeDataBox=12\uFF134")}, kWrite, "Invalid Data"},
        {{"writeDataBox=" + QString(600, QLatin1Char('A'))}, kWrite, "Invalid Data"},
        {{"writeSectionList=Kill"}, kWrite, "Invalid Section! Choose EPC, TID or User."},
        // Typed rather than picked, so the write controls stay enabled.
        {{"writeSectionList=Reserved~"}, kWrite, "The Reserved Section Cannot Be Written!"},
        {{"lockList=LOCK NOTHING"}, "lockButton", "Invalid Lock Choice! Choose one of the LOCK entries of the list."},
        {{}, "destroyButton", kBadPassword},
        {{QStringLiteral("destroyPasswordBox=1234567\uFF18")}, "destroyButton", kBadPassword},
        // clang-format on
    };
    Click(dlg, "lockButton"); // an unanswered operation that the refusals must leave alone
    for (const auto& row : rows) {
        SCOPED_TRACE(row.settings.join(' ').left(40).toStdString());
        Enter(kStartValues + row.settings);
        Page().AppendReadData(QStringLiteral("12 34"));
        Sent();
        messages.clear();
        Click(dlg, row.button);
        EXPECT_EQ(messages, QStringList({row.message}));
        EXPECT_TRUE(Sent().isEmpty());
        EXPECT_EQ(Control<QPlainTextEdit>(dlg, "readDataBox")->toPlainText().isEmpty(),
                  row.button == std::string(kRead));
    }
    line->Deliver(AnswerFrame(kStatusHeader, 0x87, {0x00})); // the lock still waits for it
    EXPECT_EQ(Lines(dlg).value(0), "Tag Locked Successfully!");
}

TEST_F(TagOperationPage, ChoosingReservedForTheWriteDisablesTheWriteControls) {
    for (const char* section : {"Reserved", "User", "Reserved", "EPC"}) {
        Enter({QStringLiteral("writeSectionList=") + section});
        for (const char* name : {"writeAddressBox", "writeAddressLabel", "writeDataBox",
                                 "writeDataLabel", "writeTagButton", "writeDataNote"})
            EXPECT_EQ(Control(dlg, name)->isEnabled(), section != std::string("Reserved"))
                << section << " " << name;
    }
}

// A failed answer brings the request the controls show; once they no longer give one, the read
// ends with the refusal.
TEST_F(TagOperationPage, AResendSendsWhatTheControlsShow) {
    Enter({"readSectionList=TID", "readAddressBox=0", "readLengthBox=3"});
    Click(dlg, "readTagButton");
    Page().AppendReadData(QStringLiteral("00 11"));
    Sent();
    line->Deliver(AnswerFrame(kStatusHeader, 0x80, {0x01}));
    EXPECT_EQ(Sent(), QStringList({"A0 06 80 04 02 00 03 D1"}));
    ExpectControls(dlg, {"readDataBox="});
    Enter({"readAddressBox=9"});
    line->Deliver(AnswerFrame(kStatusHeader, 0x80, {0x01}));
    EXPECT_TRUE(Sent().isEmpty());
    EXPECT_EQ(messages, QStringList({"Invalid Address!"}));
    EXPECT_TRUE(WaitUntil([&] { return !dlg.m_serial.GetPortOpen(); }));
    dlg.OpenPortIfClosed();
    line->Deliver(AnswerFrame(kStatusHeader, 0x80, {0x01})); // nothing waits for it any more
    EXPECT_TRUE(Sent().isEmpty());
}

TEST_F(TagOperationPage, WithoutControlsTheHandlersUseTheLastValuesRead) {
    Enter({"writeSectionList=User", "writeAddressBox=5", "writeDataBox=C0DE", "lockList=LOCK ALL",
           "destroyPasswordBox=0A0B0C0D"});
    Click(dlg, "writeTagButton");
    dlg.OnDeviceSettings(); // the page's controls go away
    ASSERT_FALSE(Page().HasWindow());
    Sent();
    Page().OnWriteTag();
    Page().OnLock();
    Page().OnDestroy();
    Page().OnReadTag();
    EXPECT_EQ(Sent(), QStringList({"A0 09 81 04 00 03 05 01 C0 DE 2B", "A0 04 87 04 05 CC",
                                   "A0 08 86 04 00 0A 0B 0C 0D A0", "A0 06 80 04 01 02 01 D2"}));
    EXPECT_TRUE(messages.isEmpty());
}

} // namespace
