// The Tag Operation page with the answers coming back: results in the page and the operation
// list, resends after failed answers, and whole operations against the simulated reader.
#include "fakewindow.h"
#include "windowtest.h"

#include "link/simulatorbackend.h"
#include "pages/cpassworddlg.h"
#include "pages/cread.h"
#include "protocol/frame.h"
#include "ui/modal.h"

#include <QAction>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <deque>

namespace {

QByteArray Wire(const Bytes& bytes) {
    return QByteArray(reinterpret_cast<const char*>(bytes.data()), static_cast<int>(bytes.size()));
}
Bytes Answer(std::uint8_t header, std::uint8_t command, std::initializer_list<std::uint8_t> data) {
    return BuildFrame(header, command, ByteView(data.begin(), data.size()));
}

// Puts text into a one-line or multi-line box of the page.
void Type(CReaderDlg& dlg, const char* box, const QString& text) {
    QWidget* widget = dlg.findChild<QWidget*>(QString::fromLatin1(box));
    ASSERT_NE(widget, nullptr) << box;
    if (auto* line = qobject_cast<QLineEdit*>(widget))
        line->setText(text);
    else
        qobject_cast<QPlainTextEdit*>(widget)->setPlainText(text);
}

// A reader that answers request number k (from 1) with answer(k), once the test lets it.
class CScriptedReader : public CFakeBackend {
public:
    using CFakeBackend::CFakeBackend;
    void Write(const QByteArray& bytes) override {
        CFakeBackend::Write(bytes);
        m_due.push_back(m_answer ? m_answer(static_cast<int>(m_written.size())) : QByteArray());
    }
    // Delivers every answer due, and those of the requests they bring, until the line is quiet.
    void Run() {
        while (!m_due.empty()) {
            const QByteArray answer = m_due.front();
            m_due.pop_front();
            if (!answer.isEmpty())
                Deliver(answer);
        }
    }
    void Forget() {
        m_written.clear();
        m_due.clear();
    }

    std::function<QByteArray(int request)> m_answer;
    std::deque<QByteArray> m_due;
};

class TagOperationAnswers : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        reader = ConnectToFakeLine<CScriptedReader>(dlg);
        dlg.Sheet().SetActivePage(1);
        reader->Forget();
    }
    int TagFlags() {
        return dlg.m_waitReadTag + dlg.m_waitWriteTag + dlg.m_waitInitTag + dlg.m_waitLockTag +
               dlg.m_waitDestroyTag;
    }

    CReaderDlg dlg;
    CScriptedReader* reader = nullptr;
};

TEST_F(TagOperationAnswers, ReadDataIsAppendedAsLowerCaseHex) {
    Type(dlg, "readLengthBox", QStringLiteral("2"));
    reader->m_answer = [](int) {
        return Wire(Answer(kDataHeader, 0x80, {0x00, 0x01, 0x02, 0x02, 0x12, 0x34, 0xAB, 0xCD}));
    };
    Click(dlg, "readTagButton");
    reader->Run();
    EXPECT_EQ(dlg.ReadPage().m_readData, "12 34 ab cd");
    EXPECT_EQ(dlg.findChild<QPlainTextEdit*>("readDataBox")->toPlainText(), "12 34 ab cd");
    EXPECT_EQ(Lines(dlg), QStringList({"Tag Data Read Successfully!"}));
    EXPECT_EQ(TagFlags(), 0);
    EXPECT_FALSE(dlg.m_serial.GetPortOpen());
}

TEST_F(TagOperationAnswers, AWriteAnswerIsJudgedOnlyWhenAllSixteenBytesAreIn) {
    Click(dlg, "writeTagButton");
    const QByteArray answer =
        Wire(Answer(kDataHeader, 0x81, {0x02, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x00}));
    ASSERT_EQ(answer.size(), 16);
    reader->Deliver(answer.left(15));
    EXPECT_TRUE(Lines(dlg).isEmpty());
    EXPECT_EQ(reader->m_written.size(), 1u);
    EXPECT_EQ(dlg.m_waitWriteTag, 1);
    reader->Deliver(answer.mid(15));
    EXPECT_EQ(Lines(dlg), QStringList({"Tag Data Written Successfully!"}));
    EXPECT_EQ(dlg.m_waitWriteTag, 0);
    EXPECT_FALSE(dlg.m_serial.GetPortOpen());
}

struct RetryRow {
    const char* name;
    const char* button;
    std::uint8_t command;
    Bytes success;
    const char* line;
};

class TagOperationRetries : public TagOperationAnswers,
                            public ::testing::WithParamInterface<std::tuple<RetryRow, int>> {};

// A reader that fails n times and then succeeds: ten attempts in all, then silence.
TEST_P(TagOperationRetries, FailedAnswersAreResentUpToTenAttempts) {
    const auto& [row, failures] = GetParam();
    Type(dlg, "destroyPasswordBox", QStringLiteral("01020304"));
    const QByteArray failure = Wire(Answer(kStatusHeader, row.command, {0x01}));
    const QByteArray success = Wire(row.success);
    reader->m_answer = [&, n = failures](int request) { return request <= n ? failure : success; };
    Click(dlg, row.button);
    reader->Run();
    const std::size_t attempts = failures < 10 ? failures + 1 : 10;
    ASSERT_EQ(reader->m_written.size(), attempts);
    for (const QByteArray& request : reader->m_written)
        EXPECT_EQ(request, reader->m_written.front());
    EXPECT_EQ(Lines(dlg), failures < 10 ? QStringList({row.line}) : QStringList());
    EXPECT_TRUE(messages.isEmpty());
    EXPECT_EQ(TagFlags(), 0);
    EXPECT_EQ(dlg.m_retryCount, 0);
    EXPECT_FALSE(dlg.m_serial.GetPortOpen());
}

INSTANTIATE_TEST_SUITE_P(
    Rows, TagOperationRetries,
    ::testing::Combine(
        ::testing::Values(
            RetryRow{"Read", "readTagButton", 0x80,
                     Answer(kDataHeader, 0x80, {0x00, 0x01, 0x02, 0x01, 0x12, 0x34}),
                     "Tag Data Read Successfully!"},
            RetryRow{"Write", "writeTagButton", 0x81,
                     Answer(kDataHeader, 0x81, {0x02, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x00}),
                     "Tag Data Written Successfully!"},
            RetryRow{"Initialize", "initializeButton", 0x99, Answer(kStatusHeader, 0x99, {0x00}),
                     "Tag Initialized Successfully!"},
            RetryRow{"Lock", "lockButton", 0x87, Answer(kStatusHeader, 0x87, {0x00}),
                     "Tag Locked Successfully!"},
            RetryRow{"Destroy", "destroyButton", 0x86, Answer(kStatusHeader, 0x86, {0x00}),
                     "Tag Destroyed Successfully!"}),
        ::testing::Values(1, 9, 10, 11)),
    [](const auto& info) {
        return std::string(std::get<0>(info.param).name) + "Fails" +
               std::to_string(std::get<1>(info.param));
    });

// Whole operations against the simulated reader, connected through the Connect button.
class TagOperationOnSimulator : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        CReaderDlg::s_connectTimeoutMs = 3000;
        Choose(dlg, "portList", QStringLiteral("Simulator"));
        Choose(dlg, "baudList", QStringLiteral("115200"));
        Click(dlg, "connectButton");
        ASSERT_TRUE(QTest::qWaitFor([&] { return dlg.m_connected == 1; }, 10000));
        dlg.Sheet().SetActivePage(1);
        // The activation's stop request goes out just before the port closes; its answer is not
        // for the first operation, so let it fall due while nobody listens.
        QTest::qWait(50);
        Reader().SetRequestObserver([this](std::uint64_t, ByteView bytes, bool intact) {
            if (intact && bytes.size() > 2)
                ++requests[bytes[2]];
        });
    }
    CReaderSimulator& Reader() {
        return static_cast<CSimulatorBackend*>(dlg.m_serial.Backend())->Simulator();
    }
    CSimTag& Tag() { return *Reader().Tags().Focused(); }
    // Runs one operation to its end: success or giving up both close the port.
    void Run(const char* button) {
        Click(dlg, button);
        ASSERT_TRUE(QTest::qWaitFor(
            [&] {
                return dlg.m_waitReadTag + dlg.m_waitWriteTag + dlg.m_waitInitTag +
                               dlg.m_waitLockTag + dlg.m_waitDestroyTag ==
                           0 &&
                       !dlg.m_serial.GetPortOpen();
            },
            10000));
    }
    QString LastLine() { return Lines(dlg).isEmpty() ? QString() : Lines(dlg).back(); }

    CReaderDlg dlg;
    std::map<std::uint8_t, int> requests;
};

TEST_F(TagOperationOnSimulator, ReadsEachSection) {
    struct {
        const char* section;
        int address, length;
    } rows[] = {{"Reserved", 0, 4}, {"EPC", 2, 6}, {"TID", 0, 6}, {"User", 0, 8}};
    const TagSection sections[] = {TagSection::Reserved, TagSection::Epc, TagSection::Tid,
                                   TagSection::User};
    for (std::size_t i = 0; i < std::size(rows); ++i) {
        SCOPED_TRACE(rows[i].section);
        Choose(dlg, "readSectionList", QString::fromLatin1(rows[i].section));
        Type(dlg, "readAddressBox", QString::number(rows[i].address));
        Type(dlg, "readLengthBox", QString::number(rows[i].length));
        Run("readTagButton");
        const Bytes& memory = Tag().Memory(sections[i]);
        const Bytes expected(memory.begin() + 2 * rows[i].address,
                             memory.begin() + 2 * (rows[i].address + rows[i].length));
        EXPECT_EQ(dlg.ReadPage().m_readData.toStdString(), HexString(expected, HexCase::Lower));
        EXPECT_EQ(LastLine(), "Tag Data Read Successfully!");
    }
}

TEST_F(TagOperationOnSimulator, AWrittenWordReadsBack) {
    Choose(dlg, "writeSectionList", QStringLiteral("User"));
    Type(dlg, "writeAddressBox", QStringLiteral("3"));
    Type(dlg, "writeDataBox", QStringLiteral("BE EF"));
    Run("writeTagButton");
    EXPECT_EQ(LastLine(), "Tag Data Written Successfully!");
    Choose(dlg, "readSectionList", QStringLiteral("User"));
    Type(dlg, "readAddressBox", QStringLiteral("3"));
    Run("readTagButton");
    EXPECT_EQ(dlg.ReadPage().m_readData, "be ef");
}

TEST_F(TagOperationOnSimulator, InitializeAndEveryLockKindSucceed) {
    Run("initializeButton");
    EXPECT_EQ(LastLine(), "Tag Initialized Successfully!");
    for (const char* kind :
         {"LOCK USER", "LOCK TID", "LOCK EPC", "LOCK ACCESS", "LOCK KILL", "LOCK ALL"}) {
        SCOPED_TRACE(kind);
        Choose(dlg, "lockList", QString::fromLatin1(kind));
        const int before = Lines(dlg).size();
        Run("lockButton");
        EXPECT_EQ(Lines(dlg).size(), before + 1);
        EXPECT_EQ(LastLine(), "Tag Locked Successfully!");
    }
}

TEST_F(TagOperationOnSimulator, DestroyNeedsTheKillPassword) {
    const Bytes password = Tag().KillPassword();
    Bytes wrong = password;
    wrong[3] ^= 0x01;
    Type(dlg, "destroyPasswordBox", QString::fromStdString(HexString(wrong, HexCase::Upper, "")));
    Run("destroyButton");
    EXPECT_EQ(requests[0x86], 10);
    EXPECT_TRUE(Lines(dlg).filter("Destroyed").isEmpty());
    EXPECT_FALSE(Tag().IsKilled());

    Type(dlg, "destroyPasswordBox",
         QString::fromStdString(HexString(password, HexCase::Lower, "")));
    Run("destroyButton");
    EXPECT_EQ(LastLine(), "Tag Destroyed Successfully!");
    EXPECT_TRUE(Reader().Tags().Tag(0).IsKilled());
}

// The reader's own login password starts as 00000000: log in, change it, and number two tags.
TEST_F(TagOperationOnSimulator, LoginPasswordChangeAndFastWrite) {
    dlg.findChild<QAction*>(QStringLiteral("showPasswordFunctionsAction"))->setChecked(true);
    QList<QStringList> typed = {{"00000000"}, {"00000000", "11223344", "11223344"}};
    SetDialogRunner([&](QDialog& dialog) {
        auto* password = qobject_cast<CPasswordDlg*>(&dialog);
        const QStringList texts = typed.takeFirst();
        for (int i = 0; i < texts.size(); ++i)
            password->Boxes()[i]->setText(texts[i]);
        dialog.findChild<QPushButton*>(QStringLiteral("ok"))->click();
        return dialog.result();
    });
    const auto waitFor = [&](const char* line) {
        return QTest::qWaitFor([&] { return LastLine() == line; }, 10000);
    };
    Click(dlg, "loginButton");
    ASSERT_TRUE(waitFor("Login Successfully!"));
    Click(dlg, "modifyLoginPasswordButton");
    ASSERT_TRUE(waitFor("Login Password Modified Successfully!"));
    SetDialogRunner({});
    const CParameterMemory& memory = Reader().Parameters();
    for (std::uint16_t i = 0; i < 4; ++i)
        EXPECT_EQ(memory.Value(CParameterMemory::kLoginPassword + i), 0x11 * (i + 1));

    Type(dlg, "fastWriteIdBox", QStringLiteral("E2 00 00 FF"));
    Click(dlg, "fastWriteTagIdButton");
    ASSERT_TRUE(waitFor("Tag ID Written Successfully!"));
    EXPECT_EQ(dlg.ReadPage().m_fastWriteId, "E2 00 01 00 ");
    dlg.OnClearOperationList();
    Click(dlg, "fastWriteTagIdButton");
    ASSERT_TRUE(waitFor("Tag ID Written Successfully!"));
    EXPECT_EQ(dlg.ReadPage().m_fastWriteId, "E2 00 01 01 ");
    EXPECT_TRUE(messages.isEmpty());
}

} // namespace
