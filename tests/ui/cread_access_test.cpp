// The Tag Operation page's login, authorization, password changes and fast tag-ID write, driven
// through the menu, the page's buttons and the password dialogs, with the requests checked byte
// for byte and the answers coming back through the dispatcher.
#include "fakewindow.h"
#include "windowtest.h"

#include "pages/cpassworddlg.h"
#include "pages/cread.h"
#include "protocol/frame.h"
#include "ui/modal.h"

#include <QAction>
#include <QLineEdit>
#include <QPlainTextEdit>

namespace {

QString Hex(const QByteArray& bytes) {
    return QString::fromStdString(
        HexString(ByteView(reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                           static_cast<std::size_t>(bytes.size()))));
}

// Requests as the reader must see them.
const char* const kReadLoginPassword = "A0 05 63 04 00 C0 34";
const char* const kReadAuthPassword = "A0 05 63 02 00 BA 3C";
const char* const kAuthorize = "A0 02 9A C4";
const char* const kWriteLoginPassword = "A0 09 62 04 00 C0 11 22 33 44 87"; // 11 22 33 44
const char* const kChangeAuthPassword = "A0 04 9B 12 34 7B";                // 12 34

Bytes Data(std::uint8_t header, std::uint8_t command, std::initializer_list<std::uint8_t> data) {
    return BuildFrame(header, command, ByteView(data.begin(), data.size()));
}
Bytes StoredLoginPassword(std::initializer_list<std::uint8_t> p) {
    Bytes data = {0x04, 0x00, 0xC0};
    data.insert(data.end(), p.begin(), p.end());
    return BuildFrame(kDataHeader, 0x63, data);
}
Bytes StoredAuthPassword(std::uint8_t c0, std::uint8_t c1) {
    return Data(kDataHeader, 0x63, {0x02, 0x00, 0xBA, c0, c1});
}
Bytes Status(std::uint8_t command, std::uint8_t status) {
    return Data(kStatusHeader, command, {status});
}

class AccessFunctions : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        line = ConnectToFakeLine(dlg);
        dlg.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&dlg));
        dlg.Sheet().SetActivePage(1);
        Menu()->setChecked(true);
        Sent();
    }
    void TearDown() override {
        SetDialogRunner({});
        WindowTest::TearDown();
    }

    QAction* Menu() {
        return dlg.findChild<QAction*>(QStringLiteral("showPasswordFunctionsAction"));
    }
    QStringList Sent() {
        QStringList sent;
        for (const QByteArray& frame : line->m_written)
            sent << Hex(frame);
        line->m_written.clear();
        return sent;
    }
    void Answer(const Bytes& bytes) {
        line->Deliver(QByteArray(reinterpret_cast<const char*>(bytes.data()),
                                 static_cast<qsizetype>(bytes.size())));
    }
    // The next dialogs get these texts in their boxes and OK; a dialog that refuses to close is
    // cancelled. The captions of the dialogs are kept.
    void Type(const QStringList& texts) {
        SetDialogRunner([this, texts](QDialog& dialog) {
            auto* password = qobject_cast<CPasswordDlg*>(&dialog);
            EXPECT_NE(password, nullptr);
            if (!password)
                return int(QDialog::Rejected);
            captions << dialog.windowTitle();
            for (int i = 0; i < texts.size() && i < password->Boxes().size(); ++i) {
                EXPECT_EQ(password->Boxes()[i]->echoMode(), QLineEdit::Password);
                password->Boxes()[i]->setText(texts[i]);
            }
            dialog.findChild<QPushButton*>(QStringLiteral("ok"))->click();
            if (dialog.result() != QDialog::Accepted)
                dialog.findChild<QPushButton*>(QStringLiteral("cancel"))->click();
            return dialog.result();
        });
    }
    void LogIn() {
        Type({"11223344"});
        Click(dlg, "loginButton");
        Answer(StoredLoginPassword({0x11, 0x22, 0x33, 0x44}));
        Sent();
        captions.clear();
        dlg.OnClearOperationList();
    }
    bool Enabled(const char* name) { return Button(dlg, name)->isEnabled(); }
    QString IdBox() {
        return dlg.findChild<QPlainTextEdit*>(QStringLiteral("fastWriteIdBox"))->toPlainText();
    }
    void SetIdBox(const QString& text) {
        dlg.findChild<QPlainTextEdit*>(QStringLiteral("fastWriteIdBox"))->setPlainText(text);
    }

    CReaderDlg dlg;
    CFakeBackend* line = nullptr;
    QStringList captions;
};

const char* const kPasswordButtons[] = {"loginButton", "authorizeButton",
                                        "modifyLoginPasswordButton", "modifyAuthorizeCodeButton"};

TEST_F(AccessFunctions, ThePasswordButtonsAppearOnlyWhenChosenInTheMenu) {
    for (const char* name : kPasswordButtons)
        EXPECT_TRUE(Button(dlg, name)->isVisible()) << name;
    EXPECT_TRUE(Enabled("loginButton"));
    EXPECT_FALSE(Enabled("authorizeButton"));
    EXPECT_FALSE(Enabled("modifyLoginPasswordButton"));
    EXPECT_FALSE(Enabled("modifyAuthorizeCodeButton"));
    Menu()->setChecked(false);
    for (const char* name : kPasswordButtons)
        EXPECT_FALSE(Button(dlg, name)->isVisible()) << name;
    // A page made again after a group switch keeps the operator's choice.
    Menu()->setChecked(true);
    dlg.OnDeviceSettings();
    dlg.OnDemonstration();
    dlg.Sheet().SetActivePage(1);
    EXPECT_TRUE(Button(dlg, "loginButton")->isVisible());
}

// ---- login ----

struct LoginRow {
    const char* name;
    Bytes answer;
    const char* line;    // the operation list's new line, or nullptr
    const char* message; // the message box, or nullptr
    int loggedIn;
    int waiting; // m_waitLogin afterwards
};

class Login : public AccessFunctions, public ::testing::WithParamInterface<LoginRow> {};

TEST_P(Login, ComparesTheTypedPasswordWithTheReadersOwn) {
    dlg.m_waitReadTag = 1; // an older operation is dropped by the new one
    dlg.m_modeTimer = 1;
    Type({"11 22 33 44"});
    Click(dlg, "loginButton");
    EXPECT_EQ(captions, QStringList({"Login"}));
    EXPECT_EQ(Sent(), QStringList({kReadLoginPassword}));
    EXPECT_EQ(dlg.m_waitReadTag + dlg.m_modeTimer, 0);
    EXPECT_EQ(dlg.m_waitLogin, 1);
    EXPECT_EQ(dlg.m_connected, 1);
    Answer(GetParam().answer);
    EXPECT_EQ(Lines(dlg), GetParam().line ? QStringList({GetParam().line}) : QStringList());
    EXPECT_EQ(messages, GetParam().message ? QStringList({GetParam().message}) : QStringList());
    EXPECT_EQ(dlg.m_loggedIn, GetParam().loggedIn);
    EXPECT_EQ(dlg.m_waitLogin, GetParam().waiting);
    EXPECT_EQ(dlg.m_serial.GetPortOpen(), GetParam().waiting == 1);
    const bool in = GetParam().loggedIn == 1;
    EXPECT_EQ(Enabled("loginButton"), !in);
    EXPECT_EQ(Enabled("authorizeButton"), in);
    EXPECT_EQ(Enabled("modifyLoginPasswordButton"), in);
    EXPECT_EQ(Enabled("modifyAuthorizeCodeButton"), in);
    EXPECT_TRUE(Sent().isEmpty());
}

INSTANTIATE_TEST_SUITE_P(
    Rows, Login,
    ::testing::Values(LoginRow{"Right", StoredLoginPassword({0x11, 0x22, 0x33, 0x44}),
                               "Login Successfully!", nullptr, 1, 0},
                      LoginRow{"Wrong", StoredLoginPassword({0x11, 0x22, 0x33, 0x45}), nullptr,
                               "Invalid Password!", 0, 0},
                      // A read the reader refused, or one damaged on the line, is not an answer:
                      // the login keeps waiting.
                      LoginRow{"ReadRefused", Status(0x63, 0x01), nullptr, nullptr, 0, 1},
                      LoginRow{"BadChecksum",
                               {0xE0, 0x09, 0x63, 0x04, 0x00, 0xC0, 0x11, 0x22, 0x33, 0x44, 0x00},
                               nullptr,
                               nullptr,
                               0,
                               1}),
    [](const auto& info) { return std::string(info.param.name); });

// What the dialogs refuse never reaches the reader, and a password never reaches the list.
struct DialogRow {
    const char* name;
    const char* button;
    QStringList texts;
    const char* caption;
    const char* message;
};

class PasswordDialogs : public AccessFunctions, public ::testing::WithParamInterface<DialogRow> {};

TEST_P(PasswordDialogs, RefuseWrongInputAndSendNothing) {
    if (QString::fromLatin1(GetParam().button) != "loginButton")
        LogIn();
    Type(GetParam().texts);
    Click(dlg, GetParam().button);
    EXPECT_EQ(captions, QStringList({GetParam().caption}));
    EXPECT_EQ(messages, QStringList({GetParam().message}));
    EXPECT_TRUE(Sent().isEmpty());
    EXPECT_TRUE(Lines(dlg).isEmpty());
}

INSTANTIATE_TEST_SUITE_P(
    Rows, PasswordDialogs,
    ::testing::Values(
        DialogRow{"LoginShort", "loginButton", {"112233"}, "Login", "Invalid Input"},
        DialogRow{"LoginLong", "loginButton", {"1122334455"}, "Login", "Invalid Input"},
        DialogRow{"LoginNotHex", "loginButton", {"1122334G"}, "Login", "Invalid Input"},
        DialogRow{"ModifyLoginShort",
                  "modifyLoginPasswordButton",
                  {"11223344", "5566", "5566"},
                  "Modify Login Password",
                  "Invalid Input!"},
        DialogRow{"ModifyLoginNotConsistent",
                  "modifyLoginPasswordButton",
                  {"11223344", "55667788", "55667789"},
                  "Modify Login Password",
                  "New Password Not Consistent!"},
        DialogRow{"ModifyAuthLong",
                  "modifyAuthorizeCodeButton",
                  {"1234", "123456", "123456"},
                  "Modify Authorization Password",
                  "Invalid Input!"},
        DialogRow{"ModifyAuthNotConsistent",
                  "modifyAuthorizeCodeButton",
                  {"0000", "1234", "1235"},
                  "Modify Authorization Password",
                  "New Password Not Consistent!"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(AccessFunctions, FunctionsThatNeedALoginDoNothingBeforeIt) {
    SetDialogRunner([](QDialog&) {
        ADD_FAILURE() << "no dialog before a login";
        return int(QDialog::Rejected);
    });
    for (auto handler :
         {&CRead::OnAuthorize, &CRead::OnModifyLoginPassword, &CRead::OnModifyAuthorizeCode})
        (dlg.ReadPage().*handler)();
    EXPECT_TRUE(Sent().isEmpty());
}

TEST_F(AccessFunctions, CancelledLoginSendsNothing) {
    SetDialogRunner([](QDialog& dialog) {
        dialog.findChild<QPushButton*>(QStringLiteral("cancel"))->click();
        return dialog.result();
    });
    Click(dlg, "loginButton");
    EXPECT_TRUE(Sent().isEmpty());
    EXPECT_EQ(dlg.m_waitLogin, 0);
}

// ---- authorize and the two password changes ----

struct ChainRow {
    const char* name;
    const char* button;
    QStringList texts;
    std::vector<Bytes> answers; // delivered one after the other
    QStringList requests;       // all requests, in order
    const char* line;
    const char* message;
};

class AccessChains : public AccessFunctions, public ::testing::WithParamInterface<ChainRow> {};

TEST_P(AccessChains, SendTheirRequestsInOrderAndEndWithTheResult) {
    LogIn();
    Type(GetParam().texts);
    Click(dlg, GetParam().button);
    QStringList sent = Sent();
    for (const Bytes& answer : GetParam().answers) {
        Answer(answer);
        sent << Sent();
    }
    EXPECT_EQ(sent, GetParam().requests);
    EXPECT_EQ(Lines(dlg), GetParam().line ? QStringList({GetParam().line}) : QStringList());
    EXPECT_EQ(messages, GetParam().message ? QStringList({GetParam().message}) : QStringList());
    EXPECT_EQ(dlg.m_waitAuthorize + dlg.m_waitModifyLoginPwd + dlg.m_waitModifyAuthPwd, 0);
    // Passwords never reach the operation list.
    for (const QString& text : Lines(dlg))
        for (const char* secret : {"11", "44", "12 34", "1234"})
            EXPECT_FALSE(text.contains(QString::fromLatin1(secret))) << text.toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Rows, AccessChains,
    ::testing::Values(ChainRow{"Authorized",
                               "authorizeButton",
                               {},
                               {Status(0x9A, 0x00)},
                               {kAuthorize},
                               "Tag Authorized Successfully!",
                               nullptr},
                      ChainRow{"AuthorizeRefused",
                               "authorizeButton",
                               {},
                               {Status(0x9A, 0x01)},
                               {kAuthorize},
                               "Failed to Authorize Tag!",
                               nullptr},
                      ChainRow{"LoginPasswordChanged",
                               "modifyLoginPasswordButton",
                               {"AA BB CC DD", "11223344", "11 22 33 44"},
                               {StoredLoginPassword({0xAA, 0xBB, 0xCC, 0xDD}), Status(0x62, 0x00)},
                               {kReadLoginPassword, kWriteLoginPassword},
                               "Login Password Modified Successfully!",
                               nullptr},
                      ChainRow{"LoginPasswordWriteRefused",
                               "modifyLoginPasswordButton",
                               {"AABBCCDD", "11223344", "11223344"},
                               {StoredLoginPassword({0xAA, 0xBB, 0xCC, 0xDD}), Status(0x62, 0x02)},
                               {kReadLoginPassword, kWriteLoginPassword},
                               "Failed to Modify Login Password!",
                               nullptr},
                      ChainRow{"LoginPasswordOldWrong",
                               "modifyLoginPasswordButton",
                               {"AABBCCDE", "11223344", "11223344"},
                               {StoredLoginPassword({0xAA, 0xBB, 0xCC, 0xDD})},
                               {kReadLoginPassword},
                               nullptr,
                               "Invalid Password!"},
                      ChainRow{"AuthPasswordChanged",
                               "modifyAuthorizeCodeButton",
                               {"0000", "1234", "12 34"},
                               {StoredAuthPassword(0x00, 0x00), Status(0x9B, 0x00)},
                               {kReadAuthPassword, kChangeAuthPassword},
                               "Authorization Password Modified Successfully!",
                               nullptr},
                      ChainRow{"AuthPasswordChangeRefused",
                               "modifyAuthorizeCodeButton",
                               {"0000", "1234", "1234"},
                               {StoredAuthPassword(0x00, 0x00), Status(0x9B, 0x05)},
                               {kReadAuthPassword, kChangeAuthPassword},
                               "Failed to Modify Authorization Password!",
                               nullptr},
                      ChainRow{"AuthPasswordOldWrong",
                               "modifyAuthorizeCodeButton",
                               {"0001", "1234", "1234"},
                               {StoredAuthPassword(0x00, 0x00)},
                               {kReadAuthPassword},
                               nullptr,
                               "Invalid Password"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(AccessFunctions, AChainWithoutAnswerGivesWayToTheNextOperation) {
    LogIn();
    Click(dlg, "authorizeButton");
    EXPECT_EQ(Sent(), QStringList({kAuthorize}));
    EXPECT_EQ(dlg.m_waitAuthorize, 1);
    // No answer; the operator identifies a tag instead.
    dlg.Sheet().SetActivePage(0);
    Sent();
    Click(dlg, "identifyTagButton");
    EXPECT_EQ(Sent(), QStringList({"A0 03 82 04 D7"}));
    // And a fast write drops the authorization still waiting.
    dlg.Sheet().SetActivePage(1);
    Sent();
    Click(dlg, "fastWriteTagIdButton");
    EXPECT_EQ(dlg.m_waitAuthorize + dlg.m_waitIdentify, 0);
    EXPECT_EQ(dlg.m_waitFastWriteId, 1);
    Answer(Status(0x9A, 0x00));
    EXPECT_TRUE(Lines(dlg).isEmpty());
}

// ---- fast tag-ID write ----

// Each row presses Fast Write Tag ID on the start ID and answers each press with success: the
// requests carry the ID and its word count, and the box always shows the next ID.
struct FastWriteRow {
    const char* name;
    const char* start;
    QStringList requests; // one per press
    QStringList boxes;    // the box after each press's success
};

class FastWrite : public AccessFunctions, public ::testing::WithParamInterface<FastWriteRow> {};

TEST_P(FastWrite, EachSuccessLeavesTheNextIdInTheBox) {
    SetIdBox(QString::fromLatin1(GetParam().start));
    for (int press = 0; press < GetParam().requests.size(); ++press) {
        Click(dlg, "fastWriteTagIdButton");
        EXPECT_EQ(Sent(), QStringList({GetParam().requests[press]})) << press;
        EXPECT_TRUE(dlg.m_serial.GetPortOpen());
        Answer(Data(kDataHeader, 0x9C, {0x00}));
        EXPECT_EQ(IdBox(), GetParam().boxes[press]) << press;
        EXPECT_EQ(dlg.m_waitFastWriteId, 0);
        EXPECT_FALSE(dlg.m_serial.GetPortOpen());
    }
    EXPECT_EQ(Lines(dlg).size(), GetParam().requests.size());
    EXPECT_EQ(Lines(dlg).first(), "Tag ID Written Successfully!");
    EXPECT_TRUE(messages.isEmpty());
}

INSTANTIATE_TEST_SUITE_P(
    Rows, FastWrite,
    ::testing::Values(FastWriteRow{"Default",
                                   "00 00",
                                   {"A0 05 9C 01 00 00 BE", "A0 05 9C 01 00 01 BD"},
                                   {"00 01 ", "00 02 "}},
                      FastWriteRow{"Carry", "12FF", {"A0 05 9C 01 12 FF AD"}, {"13 00 "}},
                      FastWriteRow{"GrowsByTwoBytes",
                                   "FF FF",
                                   {"A0 05 9C 01 FF FF C0", "A0 07 9C 02 00 01 00 00 BA"},
                                   {"00 01 00 00 ", "00 01 00 01 "}},
                      FastWriteRow{"EightBytes",
                                   "E2 00 00 00 00 00 00 FF",
                                   {"A0 0B 9C 04 E2 00 00 00 00 00 00 FF D4"},
                                   {"E2 00 00 00 00 00 01 00 "}},
                      FastWriteRow{"TenGrowToTwelve",
                                   "FF FF FF FF FF FF FF FF FF FF",
                                   {"A0 0D 9C 05 FF FF FF FF FF FF FF FF FF FF BC"},
                                   {"00 01 00 00 00 00 00 00 00 00 00 00 "}},
                      FastWriteRow{"TwelveWrapToZero",
                                   "FFFFFFFFFFFFFFFFFFFFFFFF",
                                   {"A0 0F 9C 06 FF FF FF FF FF FF FF FF FF FF FF FF BB"},
                                   {"00 00 00 00 00 00 00 00 00 00 00 00 "}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(AccessFunctions, FastWriteRefusesIdsOfTheWrongLengthOrNotHex) {
    for (const char* id : {"12", "12 34 56", "00112233445566778899AABBCC", "12 3G", ""}) {
        SetIdBox(QString::fromLatin1(id));
        Click(dlg, "fastWriteTagIdButton");
        EXPECT_EQ(messages, QStringList({"Invalid Input!"})) << id;
        EXPECT_TRUE(Sent().isEmpty()) << id;
        EXPECT_EQ(dlg.m_waitFastWriteId, 0) << id;
        messages.clear();
    }
}

TEST_F(AccessFunctions, AFailedFastWriteKeepsTheId) {
    SetIdBox(QStringLiteral("12 34"));
    Click(dlg, "fastWriteTagIdButton");
    Sent();
    Answer(Data(kDataHeader, 0x9C, {0x01}));
    EXPECT_EQ(Lines(dlg), QStringList({"Failed to Write Tag ID!"}));
    EXPECT_EQ(IdBox(), "12 34");
    EXPECT_EQ(dlg.m_waitFastWriteId, 0);
    EXPECT_FALSE(dlg.m_serial.GetPortOpen());
}

} // namespace
