// The Tag Operation page driven as an operator drives it: its lists, boxes and buttons, with the
// requests checked byte for byte on an in-memory line.
#include "pagetest.h"

#include "pages/cread.h"

namespace {

// The page's start values, made again before each row of the tables below.
const QStringList kStartValues = {"readSectionList=EPC",  "readAddressBox=2",   "readLengthBox=1",
                                  "writeSectionList=EPC", "writeAddressBox=2",  "writeDataBox=1234",
                                  "lockList=LOCK EPC",    "destroyPasswordBox="};

class TagOperationPage : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        line = ConnectToFakeLine(dlg);
        dlg.Sheet().SetActivePage(1);
    }
    CRead& Page() { return dlg.ReadPage(); }
    QStringList Sent() { return TakeSent(*line); }
    void Enter(const QStringList& settings) { Operate(dlg, settings); }
    int TagFlags() {
        return dlg.State().m_waitReadTag * 1 + dlg.State().m_waitWriteTag * 2 +
               dlg.State().m_waitInitTag * 4 + dlg.State().m_waitLockTag * 8 +
               dlg.State().m_waitDestroyTag * 16;
    }

    CReaderDlg dlg;
    CFakeBackend* line = nullptr;
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
    EXPECT_TRUE(Page().m_values.readData.isEmpty());
    ExpectControls(dlg, {"readDataBox=", "fastWriteIdBox=AB CD"});
}

// Each button sends its request and replaces whatever operation was pending.
TEST_F(TagOperationPage, ButtonSendsItsRequestAndMarksItPending) {
    const char* kRead = "readTagButton";
    const char* kWrite = "writeTagButton";
    // clang-format off
    // flags: the pending tag operation, 1 read, 2 write, 4 init, 8 lock, 16 destroy
    const struct { QStringList settings; const char* button; const char* request; int flags; } rows[] = {
        {{"readAddressBox=2", "readLengthBox=6"}, kRead, "A0 06 80 04 01 02 06 CD", 1},
        {{"readSectionList=User", "readAddressBox=0", "readLengthBox=8"}, kRead, "A0 06 80 04 03 00 08 CB", 1},
        {{"readSectionList=User", "readAddressBox="}, kRead, "A0 06 80 04 03 00 01 D2", 1},
        {{"readSectionList=Reserved", "readAddressBox=0", "readLengthBox=4"}, kRead, "A0 06 80 04 00 00 04 D2", 1},
        {{"readSectionList=TID", "readAddressBox=7"}, kRead, "A0 06 80 04 02 07 01 CC", 1},
        {{}, kWrite, "A0 09 81 04 00 01 02 01 12 34 88", 2},
        {{"writeDataBox= 12 3 4 "}, kWrite, "A0 09 81 04 00 01 02 01 12 34 88", 2},
        {{"writeSectionList=User", "writeAddressBox=0", "writeDataBox=ab cd"}, kWrite, "A0 09 81 04 00 03 00 01 AB CD 56", 2},
        {{"writeSectionList=TID", "writeAddressBox=7", "writeDataBox=FF00"}, kWrite, "A0 09 81 04 00 02 07 01 FF 00 C9", 2},
        {{}, "initializeButton", "A0 03 99 04 C0", 4},
        {{}, "lockButton", "A0 04 87 04 02 CF", 8},
        {{"lockList=LOCK USER"}, "lockButton", "A0 04 87 04 00 D1", 8},
        {{"lockList=LOCK TID"}, "lockButton", "A0 04 87 04 01 D0", 8},
        {{"lockList=LOCK ACCESS"}, "lockButton", "A0 04 87 04 03 CE", 8},
        {{"lockList=LOCK KILL"}, "lockButton", "A0 04 87 04 04 CD", 8},
        {{"lockList=LOCK ALL"}, "lockButton", "A0 04 87 04 05 CC", 8},
        {{"destroyPasswordBox=12345678"}, "destroyButton", "A0 08 86 04 00 12 34 56 78 BA", 16},
        // Only the first eight characters count.
        {{"destroyPasswordBox=12345678zz 9"}, "destroyButton", "A0 08 86 04 00 12 34 56 78 BA", 16},
        // clang-format on
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.request);
        Enter(kStartValues + row.settings);
        Sent();
        dlg.State().m_waitIdentify = dlg.State().m_waitMultiIdentify = dlg.State().m_multiRxTotal =
            1;
        dlg.State().m_waitReadTag = dlg.State().m_waitWriteTag = dlg.State().m_waitInitTag =
            dlg.State().m_waitLockTag = dlg.State().m_waitDestroyTag = 1;
        dlg.State().m_retryCount = 4; // left over from an operation that was replaced
        Click(dlg, row.button);
        EXPECT_EQ(Sent(), QStringList({row.request}));
        EXPECT_TRUE(messages.isEmpty()) << messages.join('|').toStdString();
        EXPECT_EQ(TagFlags(), row.flags);
        EXPECT_EQ(dlg.State().m_waitIdentify + dlg.State().m_waitMultiIdentify +
                      dlg.State().m_retryCount,
                  0);
        EXPECT_EQ(dlg.State().m_multiRxTotal, 0u);
        EXPECT_TRUE(dlg.m_serial.GetPortOpen());
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
        {{"readAddressBox=x2"}, kRead, "Invalid Address!"}, // text reads as address 0
        {{"readSectionList=User", "readAddressBox=8"}, kRead, "Invalid Address!"},
        {{"readLengthBox=0"}, kRead, "Invalid Length!"},
        {{"readSectionList=User", "readAddressBox=0", "readLengthBox=9"}, kRead, "Invalid Length!"},
        {{"readAddressBox=3", "readLengthBox=6"}, kRead, kAddressLength},
        {{"readSectionList=User", "readAddressBox=4", "readLengthBox=5"}, kRead, kAddressLength},
        {{"readSectionList=Epc"}, kRead, "Invalid Section! Choose Reserved, EPC, TID or User."},
        {{"writeAddressBox=1"}, kWrite, "Invalid Address"},
        {{"writeSectionList=User", "writeAddressBox=8"}, kWrite, "Invalid Address"},
        {{"writeDataBox=123"}, kWrite, "Invalid Data"},
        {{"writeDataBox=12"}, kWrite, "Invalid Data"},
        {{"writeDataBox="}, kWrite, "Invalid Data"},
        {{"writeDataBox=12G4"}, kWrite, "Invalid Data"},
        {{"writeDataBox=12\n34"}, kWrite, "Invalid Data"},
        {{QStringLiteral("writeDataBox=12\uFF134")}, kWrite, "Invalid Data"},
        {{"writeDataBox=" + QString(600, QLatin1Char('A'))}, kWrite, "Invalid Data"},
        {{"writeSectionList=Kill"}, kWrite, "Invalid Section! Choose EPC, TID or User."},
        // Typed rather than picked, so the write controls stay enabled.
        {{"writeSectionList=Reserved~"}, kWrite, "The Reserved Section Cannot Be Written!"},
        {{"lockList=LOCK NOTHING"}, "lockButton", "Invalid Lock Choice! Choose one of the LOCK entries of the list."},
        {{}, "destroyButton", kBadPassword},
        {{"destroyPasswordBox=1234567G"}, "destroyButton", kBadPassword},
        {{"destroyPasswordBox=1234 5678"}, "destroyButton", kBadPassword},
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
        EXPECT_EQ(TagFlags(), 8);
        EXPECT_TRUE(dlg.m_serial.GetPortOpen());
        EXPECT_EQ(Page().m_values.readData.isEmpty(), row.button == std::string(kRead));
    }
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

// The dispatcher resends by running the handler again while the operation is pending.
TEST_F(TagOperationPage, AResendSendsWhatTheControlsShowAndKeepsTheAttemptCount) {
    Enter({"readSectionList=TID", "readAddressBox=0", "readLengthBox=3"});
    Click(dlg, "readTagButton");
    Page().AppendReadData(QStringLiteral("00 11"));
    Sent();
    dlg.State().m_retryCount = 3;
    Page().OnReadTag();
    EXPECT_EQ(Sent(), QStringList({"A0 06 80 04 02 00 03 D1"}));
    EXPECT_EQ(dlg.State().m_retryCount, 3);
    EXPECT_TRUE(Page().m_values.readData.isEmpty());
    // The operator changed the box meanwhile: the resend is refused and the read ends.
    Enter({"readAddressBox=9"});
    Page().OnReadTag();
    EXPECT_TRUE(Sent().isEmpty());
    EXPECT_EQ(messages, QStringList({"Invalid Address!"}));
    EXPECT_EQ(TagFlags() + dlg.State().m_retryCount, 0);
    EXPECT_TRUE(WaitUntil([&] { return !dlg.m_serial.GetPortOpen(); }));
}

// A failed answer brings the same request again: a success at the tenth attempt still counts.
TEST_F(TagOperationPage, FailedAnswersAreResentUpToTenAttempts) {
    // clang-format off
    const struct { const char* button; std::uint8_t command; QByteArray success; const char* line; } rows[] = {
        {"readTagButton", 0x80, AnswerFrame(kDataHeader, 0x80, {0x00, 0x01, 0x02, 0x01, 0x12, 0x34}), "Tag Data Read Successfully!"},
        {"writeTagButton", 0x81, AnswerFrame(kDataHeader, 0x81, {0x02, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x00}), "Tag Data Written Successfully!"},
        {"initializeButton", 0x99, AnswerFrame(kStatusHeader, 0x99, {0x00}), "Tag Initialized Successfully!"},
        {"lockButton", 0x87, AnswerFrame(kStatusHeader, 0x87, {0x00}), "Tag Locked Successfully!"},
        {"destroyButton", 0x86, AnswerFrame(kStatusHeader, 0x86, {0x00}), "Tag Destroyed Successfully!"},
        // clang-format on
    };
    Enter({"destroyPasswordBox=01020304"});
    for (const auto& row : rows) {
        SCOPED_TRACE(row.button);
        dlg.OnClearOperationList();
        Sent();
        Click(dlg, row.button);
        for (int i = 0; i < 9; ++i)
            line->Deliver(AnswerFrame(kStatusHeader, row.command, {0x01}));
        line->Deliver(row.success);
        const QStringList sent = Sent();
        EXPECT_EQ(sent, QStringList(10, sent.value(0)));
        EXPECT_EQ(Lines(dlg), QStringList({row.line}));
        EXPECT_EQ(TagFlags() + dlg.State().m_retryCount, 0);
        EXPECT_FALSE(dlg.m_serial.GetPortOpen());
    }
    EXPECT_TRUE(messages.isEmpty());
}

TEST_F(TagOperationPage, WithoutControlsTheHandlersUseTheLastValuesRead) {
    Enter({"writeSectionList=User", "writeAddressBox=5", "writeDataBox=C0DE", "lockList=LOCK ALL",
           "destroyPasswordBox=0A0B0C0D"});
    Click(dlg, "writeTagButton");
    dlg.OnDeviceSettings(); // the page's controls go away
    ASSERT_FALSE(Page().HasWindow());
    Sent();
    dlg.State().m_waitWriteTag = 1;
    Page().OnWriteTag();
    Page().OnLock();
    Page().OnDestroy();
    Page().OnReadTag();
    EXPECT_EQ(Sent(), QStringList({"A0 09 81 04 00 03 05 01 C0 DE 2B", "A0 04 87 04 05 CC",
                                   "A0 08 86 04 00 0A 0B 0C 0D A0", "A0 06 80 04 01 02 01 D2"}));
    Page().AppendReadData(QStringLiteral("ab"));
    Page().ShowFastWriteId(QStringLiteral("00 01 "));
    Page().LoginSucceeded();
    EXPECT_EQ(Page().m_values.fastWriteId, "00 01 ");
    EXPECT_TRUE(messages.isEmpty());
}

} // namespace
