// The Tag Operation page with the answers coming back: results in the page and the operation
// list, resends after failed answers, and whole operations against the simulated reader. (How
// the dispatcher takes an answer in pieces is checked in the protocol tests.)
#include "pagetest.h"

#include "pages/cpassworddlg.h"
#include "pages/cread.h"
#include "ui/modal.h"

#include <QAction>

namespace {

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
        return AnswerFrame(kDataHeader, 0x80, {0x00, 0x01, 0x02, 0x02, 0x12, 0x34, 0xAB, 0xCD});
    };
    Click(dlg, "readTagButton");
    reader->Run();
    EXPECT_EQ(dlg.ReadPage().m_readData, "12 34 ab cd");
    EXPECT_EQ(dlg.findChild<QPlainTextEdit*>("readDataBox")->toPlainText(), "12 34 ab cd");
    EXPECT_EQ(Lines(dlg), QStringList({"Tag Data Read Successfully!"}));
    EXPECT_EQ(TagFlags(), 0);
    EXPECT_FALSE(dlg.m_serial.GetPortOpen());
}

// A reader that fails n times and then succeeds: ten attempts in all, then silence, with the same
// request each time.
TEST_F(TagOperationAnswers, FailedAnswersAreResentUpToTenAttempts) {
    const struct {
        const char* button;
        std::uint8_t command;
        QByteArray success;
        const char* line;
    } rows[] = {
        {"readTagButton", 0x80,
         AnswerFrame(kDataHeader, 0x80, {0x00, 0x01, 0x02, 0x01, 0x12, 0x34}),
         "Tag Data Read Successfully!"},
        {"writeTagButton", 0x81,
         AnswerFrame(kDataHeader, 0x81, {0x02, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x00}),
         "Tag Data Written Successfully!"},
        {"initializeButton", 0x99, AnswerFrame(kStatusHeader, 0x99, {0x00}),
         "Tag Initialized Successfully!"},
        {"lockButton", 0x87, AnswerFrame(kStatusHeader, 0x87, {0x00}), "Tag Locked Successfully!"},
        {"destroyButton", 0x86, AnswerFrame(kStatusHeader, 0x86, {0x00}),
         "Tag Destroyed Successfully!"},
    };
    Type(dlg, "destroyPasswordBox", QStringLiteral("01020304"));
    for (const auto& row : rows) {
        for (const int failures : {9, 10}) {
            SCOPED_TRACE(std::string(row.button) + " fails " + std::to_string(failures));
            reader->Forget();
            dlg.OnClearOperationList();
            const QByteArray failure = AnswerFrame(kStatusHeader, row.command, {0x01});
            reader->m_answer = [&](int request) {
                return request <= failures ? failure : row.success;
            };
            Click(dlg, row.button);
            reader->Run();
            ASSERT_EQ(reader->m_written.size(), 10u);
            for (const QByteArray& request : reader->m_written)
                EXPECT_EQ(request, reader->m_written.front());
            EXPECT_EQ(Lines(dlg), failures < 10 ? QStringList({row.line}) : QStringList());
            EXPECT_TRUE(messages.isEmpty());
            EXPECT_EQ(TagFlags(), 0);
            EXPECT_EQ(dlg.m_retryCount, 0);
            EXPECT_FALSE(dlg.m_serial.GetPortOpen());
        }
    }
}

// Whole operations against the simulated reader, connected through the Connect button.
class TagOperationOnSimulator : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        CReaderDlg::s_connectTimeoutMs = 3000;
        ASSERT_TRUE(ConnectToSimulator(dlg, QStringLiteral("115200")));
        dlg.Sheet().SetActivePage(1);
        // The activation's stop request goes out just before the port closes; its answer is not
        // for the first operation, so let it fall due while nobody listens.
        QTest::qWait(50);
        Reader().SetRequestObserver([this](std::uint64_t, ByteView bytes, bool intact) {
            if (intact && bytes.size() > 2)
                ++requests[bytes[2]];
        });
    }
    CReaderSimulator& Reader() { return SimulatedReader(dlg); }
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

TEST_F(TagOperationOnSimulator, ReadsEachSectionAndAWrittenWordBack) {
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
    Choose(dlg, "writeSectionList", QStringLiteral("User"));
    Type(dlg, "writeAddressBox", QStringLiteral("3"));
    Type(dlg, "writeDataBox", QStringLiteral("BE EF"));
    Run("writeTagButton");
    EXPECT_EQ(LastLine(), "Tag Data Written Successfully!");
    Type(dlg, "readAddressBox", QStringLiteral("3"));
    Type(dlg, "readLengthBox", QStringLiteral("1"));
    Run("readTagButton");
    EXPECT_EQ(dlg.ReadPage().m_readData, "be ef");
}

// Each lock kind's request is checked on the page's own tests and its effect in the simulator's.
TEST_F(TagOperationOnSimulator, InitializeAndLockSucceed) {
    Run("initializeButton");
    EXPECT_EQ(LastLine(), "Tag Initialized Successfully!");
    Choose(dlg, "lockList", QStringLiteral("LOCK ALL"));
    const int before = Lines(dlg).size();
    Run("lockButton");
    EXPECT_EQ(Lines(dlg).size(), before + 1);
    EXPECT_EQ(LastLine(), "Tag Locked Successfully!");
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
