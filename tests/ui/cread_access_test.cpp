// The Tag Operation page's login, authorization, password changes and fast tag-ID write, driven
// through the menu, the buttons and the password dialogs, with the requests checked byte for byte.
#include "pagetest.h"

#include "pages/cread.h"

#include <QAction>

namespace {

const char* const kReadLoginPassword = "A0 05 63 04 00 C0 34";
const char* const kReadAuthPassword = "A0 05 63 02 00 BA 3C";
const char* const kAuthorize = "A0 02 9A C4";
const char* const kModifyLogin = "modifyLoginPasswordButton";
const char* const kModifyAuth = "modifyAuthorizeCodeButton";
const char* const kNeedLogin[] = {"authorizeButton", kModifyLogin, kModifyAuth};

QByteArray StoredLogin(std::uint8_t a, std::uint8_t b, std::uint8_t c, std::uint8_t d) {
    return AnswerFrame(kDataHeader, 0x63, {0x04, 0x00, 0xC0, a, b, c, d});
}
QByteArray Status(std::uint8_t command, std::uint8_t status) {
    return AnswerFrame(kStatusHeader, command, {status});
}

class AccessFunctions : public PageTest<> {
protected:
    void SetUp() override {
        PageTest::SetUp();
        dlg.Sheet().SetActivePage(1);
        Menu()->setChecked(true);
        Sent();
    }
    QAction* Menu() { return dlg.findChild<QAction*>("showPasswordFunctionsAction"); }
    void Type(const QStringList& texts) { TypeIntoPasswordDialogs({texts.join('|')}, &captions); }
    void LogIn() {
        Type({"11223344"});
        Click(dlg, "loginButton");
        line->Deliver(StoredLogin(0x11, 0x22, 0x33, 0x44));
        ASSERT_EQ(Lines(dlg).value(0), "Login Successfully!");
        Sent();
        captions.clear();
        dlg.OnClearOperationList();
    }

    QStringList captions;
};

TEST_F(AccessFunctions, ThePasswordButtonsAppearOnlyWhenChosenInTheMenu) {
    for (const bool shown : {true, false}) {
        Menu()->setChecked(shown);
        for (const char* name : {"loginButton", "authorizeButton", kModifyLogin, kModifyAuth})
            EXPECT_EQ(Button(dlg, name)->isVisible(), shown) << name;
    }
    // A page made again after a group switch keeps the operator's choice.
    Menu()->setChecked(true);
    dlg.OnDeviceSettings();
    dlg.OnDemonstration();
    dlg.Sheet().SetActivePage(1);
    EXPECT_TRUE(Button(dlg, "loginButton")->isVisible());
}

// A read the reader refused, or one damaged on the line, is no answer: the login keeps waiting.
TEST_F(AccessFunctions, LoginComparesTheTypedPasswordWithTheReadersOwn) {
    // clang-format off
    const struct { QByteArray answer; const char* line; const char* message; } rows[] = {
        {StoredLogin(0x11, 0x22, 0x33, 0x45), nullptr, "Invalid Password!"},
        {Status(0x63, 0x01), nullptr, nullptr},
        {QByteArray::fromHex("E0096304 00C011223344 00"), nullptr, nullptr}, // bad checksum
        {StoredLogin(0x11, 0x22, 0x33, 0x44), "Login Successfully!", nullptr}};
    // clang-format on
    for (const auto& row : rows) {
        SCOPED_TRACE(HexText(row.answer).toStdString());
        messages.clear();
        Type({"11 22 33 44"});
        Click(dlg, "loginButton");
        EXPECT_EQ(captions.takeLast(), "Login");
        EXPECT_EQ(Sent(), QStringList({kReadLoginPassword}));
        line->Deliver(row.answer);
        EXPECT_EQ(Lines(dlg), row.line ? QStringList({row.line}) : QStringList());
        EXPECT_EQ(messages, row.message ? QStringList({row.message}) : QStringList());
        const bool waiting = !row.line && !row.message, in = row.line;
        EXPECT_EQ(dlg.m_serial.GetPortOpen(), waiting);
        EXPECT_EQ(Button(dlg, "loginButton")->isEnabled(), !in);
        for (const char* name : kNeedLogin)
            EXPECT_EQ(Button(dlg, name)->isEnabled(), in) << name;
    }
}

// Refused or cancelled input never reaches the reader; before a login only Login opens.
TEST_F(AccessFunctions, PasswordDialogsRefuseWrongInputAndSendNothing) {
    // clang-format off
    const struct { const char* button; QStringList texts; const char* message; } rows[] = {
        {"loginButton", {"112233"}, "Invalid Input"},
        {"loginButton", {"1122334G"}, "Invalid Input"},
        {kModifyLogin, {"11223344", "5566", "5566"}, "Invalid Input!"},
        {kModifyLogin, {"11223344", "55667788", "55667789"}, "New Password Not Consistent!"},
        {kModifyAuth, {"1234", "123456", "123456"}, "Invalid Input!"},
        // clang-format on
    };
    SetDialogRunner([](QDialog& dialog) {
        EXPECT_EQ(dialog.windowTitle(), "Login");
        dialog.findChild<QPushButton*>("cancel")->click();
        return dialog.result();
    });
    for (auto handler :
         {&CRead::OnAuthorize, &CRead::OnModifyLoginPassword, &CRead::OnModifyAuthorizeCode})
        (dlg.ReadPage().*handler)();
    Click(dlg, "loginButton");
    EXPECT_TRUE(Sent().isEmpty());
    bool in = false;
    for (const auto& row : rows) {
        SCOPED_TRACE(row.texts.join('|').toStdString());
        if (row.button != std::string("loginButton") && !std::exchange(in, true))
            LogIn();
        messages.clear();
        Type(row.texts);
        Click(dlg, row.button);
        EXPECT_EQ(messages, QStringList({row.message}));
        EXPECT_TRUE(Sent().isEmpty());
        EXPECT_TRUE(Lines(dlg).isEmpty());
    }
}

// Authorize and the password changes send their requests in order; no password is logged.
TEST_F(AccessFunctions, AccessChainsSendTheirRequestsAndEndWithTheResult) {
    const char* kWriteLogin = "A0 09 62 04 00 C0 11 22 33 44 87";
    const char* kChangeAuth = "A0 04 9B 12 34 7B";
    const QByteArray storedLogin = StoredLogin(0xAA, 0xBB, 0xCC, 0xDD);
    const QByteArray storedAuth = AnswerFrame(kDataHeader, 0x63, {0x02, 0x00, 0xBA, 0x00, 0x00});
    // clang-format off
    const struct { const char* button; QStringList texts; std::vector<QByteArray> answers; QStringList requests; const char* line; const char* message; } rows[] = {
        {"authorizeButton", {}, {Status(0x9A, 0x00)}, {kAuthorize}, "Tag Authorized Successfully!", nullptr},
        {kModifyLogin, {"AA BB CC DD", "11223344", "11 22 33 44"}, {storedLogin, Status(0x62, 0x00)},
         {kReadLoginPassword, kWriteLogin}, "Login Password Modified Successfully!", nullptr},
        {kModifyLogin, {"AABBCCDD", "11223344", "11223344"}, {storedLogin, Status(0x62, 0x01)},
         {kReadLoginPassword, kWriteLogin}, "Failed to Modify Login Password!", nullptr},
        {kModifyLogin, {"AABBCCDE", "11223344", "11223344"}, {storedLogin},
         {kReadLoginPassword}, nullptr, "Invalid Password!"},
        {kModifyAuth, {"0000", "1234", "12 34"}, {storedAuth, Status(0x9B, 0x00)},
         {kReadAuthPassword, kChangeAuth}, "Authorization Password Modified Successfully!", nullptr},
        {kModifyAuth, {"0000", "1234", "1234"}, {storedAuth, Status(0x9B, 0x05)},
         {kReadAuthPassword, kChangeAuth}, "Failed to Modify Authorization Password!", nullptr},
        {kModifyAuth, {"0001", "1234", "1234"}, {storedAuth},
         {kReadAuthPassword}, nullptr, "Invalid Password"},
        // clang-format on
    };
    LogIn();
    for (const auto& row : rows) {
        SCOPED_TRACE(row.texts.join('|').toStdString());
        messages.clear();
        dlg.OnClearOperationList();
        Type(row.texts);
        Click(dlg, row.button);
        QStringList sent = Sent();
        for (const QByteArray& answer : row.answers) {
            line->Deliver(answer);
            sent << Sent();
        }
        EXPECT_EQ(sent, row.requests);
        EXPECT_EQ(Lines(dlg), row.line ? QStringList({row.line}) : QStringList());
        EXPECT_EQ(messages, row.message ? QStringList({row.message}) : QStringList());
    }
    EXPECT_EQ(captions, QStringList(3, "Modify Login Password") +
                            QStringList(3, "Modify Authorization Password"));
}

// Each press sends the ID and its word count; a success shows the next ID, a failure keeps it.
TEST_F(AccessFunctions, FastWriteSendsTheIdAndShowsTheNextOne) {
    // clang-format off
    const struct { const char* box; const char* request; std::uint8_t status; const char* next; } rows[] = {
        {"00 00", "A0 05 9C 01 00 00 BE", 0, "00 01 "},
        {"", "A0 05 9C 01 00 01 BD", 0, "00 02 "}, // the next press takes the box as left
        {"12FF", "A0 05 9C 01 12 FF AD", 0, "13 00 "},
        {"FF FF", "A0 05 9C 01 FF FF C0", 0, "00 01 00 00 "},
        {"", "A0 07 9C 02 00 01 00 00 BA", 0, "00 01 00 01 "},
        // Past FF .. FF the ID grows by a word, up to twelve bytes.
        {"FFFFFFFFFFFFFFFFFFFF", "A0 0D 9C 05 FF FF FF FF FF FF FF FF FF FF BC", 0,
         "00 01 00 00 00 00 00 00 00 00 00 00 "},
        {"FFFFFFFFFFFFFFFFFFFFFFFF", "A0 0F 9C 06 FF FF FF FF FF FF FF FF FF FF FF FF BB", 0,
         "00 00 00 00 00 00 00 00 00 00 00 00 "},
        {"12 34", "A0 05 9C 01 12 34 78", 1, "12 34"},
        // clang-format on
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.request);
        dlg.OnClearOperationList();
        if (*row.box)
            Operate(dlg, QStringLiteral("fastWriteIdBox=") + row.box);
        Click(dlg, "fastWriteTagIdButton");
        EXPECT_EQ(Sent(), QStringList({row.request}));
        line->Deliver(AnswerFrame(kDataHeader, 0x9C, {row.status}));
        ExpectControls(dlg, {QStringLiteral("fastWriteIdBox=") + row.next});
        EXPECT_EQ(Lines(dlg), QStringList({row.status ? "Failed to Write Tag ID!"
                                                      : "Tag ID Written Successfully!"}));
        EXPECT_FALSE(dlg.m_serial.GetPortOpen());
    }
    for (const char* id : {"12 34 56", "00112233445566778899AABBCC", "12 3G"}) {
        messages.clear();
        Operate(dlg, QStringLiteral("fastWriteIdBox=") + id);
        Click(dlg, "fastWriteTagIdButton");
        EXPECT_EQ(messages, QStringList({"Invalid Input!"})) << id;
        EXPECT_TRUE(Sent().isEmpty()) << id;
    }
}

} // namespace
