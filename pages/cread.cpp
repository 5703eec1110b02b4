#include "pages/cread.h"

#include "pages/clogindlg.h"
#include "pages/cmodifypwddlg.h"
#include "pages/valuelabels.h"

#include "pages/pagehost.h"
#include "protocol/commands.h"
#include "protocol/hexbytes.h"
#include "protocol/operations.h"
#include "ui_cread.h"
#include "widgets/controls.h"
#include "widgets/messagebox.h"
#include "widgets/modal.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <algorithm>
#include <array>
#include <optional>

namespace {

// A section holds words 0 .. 7; the EPC words below 2 hold the CRC and the protocol control.
constexpr int kLastWord = 7;
constexpr int kWordsInReach = 8;
constexpr int kEpcFirstWord = 2;
constexpr int kEpcLongestRead = 6;
constexpr int kLongestRead = 8;

constexpr int kPasswordDigits = 8;

// Upper-case boxes: letters typed into them arrive as capitals.
class CUpperCaseTyping : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::KeyPress)
            return false;
        auto* key = static_cast<QKeyEvent*>(event);
        const QString upper = key->text().toUpper();
        if (upper == key->text())
            return false;
        QKeyEvent typed(QEvent::KeyPress, key->key(), key->modifiers(), upper, key->isAutoRepeat(),
                        key->count());
        QCoreApplication::sendEvent(watched, &typed);
        return true;
    }
};

void TypeUpperCase(QWidget* box) {
    box->installEventFilter(new CUpperCaseTyping(box));
}

// A multi-line box tall enough for lines lines of text, and no taller.
void ShowLines(QPlainTextEdit* box, int lines) {
    const int frame = 2 * box->frameWidth() + 8;
    box->setFixedHeight(box->fontMetrics().lineSpacing() * lines + frame);
}

} // namespace

CRead::CRead(IPageHost& host) : CPropertyPage(QStringLiteral("Tag Operation")), m_host(host) {}

CRead::~CRead() = default;

// ---- controls ----

QSize CRead::FormSizeHint() const {
    return SizeOfForm<Ui::ReadPage>();
}

void CRead::BuildControls(QWidget* page) {
    Ui::ReadPage& form = m_form.Build(page);
    form.readSectionList->addItems(LabelTexts<TagSection>());
    form.writeSectionList->addItems(LabelTexts<TagSection>());
    form.lockList->addItems(LabelTexts<LockKind>());
    ShowLines(form.fastWriteIdBox, 3);
    ShowLines(form.readDataBox, 4);
    ShowLines(form.writeDataBox, 2);
    for (QWidget* box : std::initializer_list<QWidget*>{form.fastWriteIdBox, form.readDataBox,
                                                        form.writeDataBox, form.readAddressBox,
                                                        form.readLengthBox, form.writeAddressBox})
        TypeUpperCase(box);
    SetPasswordFunctionsShown(m_passwordFunctionsShown);

    QObject::connect(form.readTagButton, &QPushButton::clicked, page, [this] { ReadTag(true); });
    QObject::connect(form.writeTagButton, &QPushButton::clicked, page, [this] { WriteTag(true); });
    QObject::connect(form.initializeButton, &QPushButton::clicked, page,
                     [this] { Initialize(true); });
    QObject::connect(form.lockButton, &QPushButton::clicked, page, [this] { Lock(true); });
    QObject::connect(form.destroyButton, &QPushButton::clicked, page, [this] { Destroy(true); });
    QObject::connect(form.writeSectionList, &QComboBox::activated, page,
                     [this] { OnWriteSectionCloseUp(); });
    QObject::connect(form.fastWriteTagIdButton, &QPushButton::clicked, page,
                     [this] { OnFastWriteTagId(); });
    QObject::connect(form.loginButton, &QPushButton::clicked, page, [this] { OnLogin(); });
    QObject::connect(form.authorizeButton, &QPushButton::clicked, page, [this] { OnAuthorize(); });
    QObject::connect(form.modifyLoginPasswordButton, &QPushButton::clicked, page,
                     [this] { OnModifyLoginPassword(); });
    QObject::connect(form.modifyAuthorizeCodeButton, &QPushButton::clicked, page,
                     [this] { OnModifyAuthorizeCode(); });
}

void CRead::OnInitDialog() {
    Ui::ReadPage& f = *m_form.Get();
    f.readSectionList->setCurrentIndex(IndexOf(TagSection::Epc));
    f.writeSectionList->setCurrentIndex(IndexOf(TagSection::Epc));
    f.lockList->setCurrentIndex(IndexOf(LockKind::Epc));
    f.readAddressBox->setText(QStringLiteral("2"));
    f.readLengthBox->setText(QStringLiteral("1"));
    f.writeAddressBox->setText(QStringLiteral("2"));
    f.writeDataBox->setPlainText(QStringLiteral("1234"));
    f.loginButton->setEnabled(true);
    f.authorizeButton->setEnabled(false);
    f.modifyLoginPasswordButton->setEnabled(false);
    f.modifyAuthorizeCodeButton->setEnabled(false);
    m_values.fastWriteId = QStringLiteral("00 00");
    CPropertyPage::OnInitDialog();
}

void CRead::OnSetActive() {
    m_values.readData.clear();
    RefreshReadData();
    // A multi-tag stream started on the identify page ends when this page comes up.
    m_host.OpenPortIfClosed();
    m_host.SendRequest(BuildStop());
    m_host.ClosePortIfOpen();
}

bool CRead::UpdateData(bool fromControls) {
    const Ui::ReadPage* f = m_form.Get();
    if (!f)
        return true;
    if (fromControls) {
        m_values.readData = f->readDataBox->toPlainText();
        m_values.fastWriteId = f->fastWriteIdBox->toPlainText();
    } else {
        RefreshReadData();
        RefreshFastWriteId();
    }
    return true;
}

// Each refresh writes only the box whose value changed, so that text the operator is typing
// into the other box is kept.
void CRead::RefreshReadData() {
    if (const Ui::ReadPage* f = m_form.Get())
        f->readDataBox->setPlainText(m_values.readData);
}

void CRead::RefreshFastWriteId() {
    if (const Ui::ReadPage* f = m_form.Get())
        f->fastWriteIdBox->setPlainText(m_values.fastWriteId);
}

void CRead::OnWriteSectionCloseUp() {
    const Ui::ReadPage* f = m_form.Get();
    if (!f)
        return;
    const bool writable = ListText(f->writeSectionList) != LabelText(TagSection::Reserved);
    for (QWidget* control :
         std::initializer_list<QWidget*>{f->writeAddressBox, f->writeAddressLabel, f->writeDataBox,
                                         f->writeDataLabel, f->writeTagButton, f->writeDataNote})
        control->setEnabled(writable);
}

// ---- results from the dispatcher ----

void CRead::AppendReadData(const QString& text) {
    m_values.readData += text;
    RefreshReadData();
}

void CRead::LoginSucceeded() {
    const Ui::ReadPage* f = m_form.Get();
    if (!f)
        return;
    f->loginButton->setEnabled(false);
    for (QPushButton* button :
         {f->authorizeButton, f->modifyLoginPasswordButton, f->modifyAuthorizeCodeButton})
        button->setEnabled(true);
}

void CRead::ShowFastWriteId(const QString& text) {
    m_values.fastWriteId = text;
    RefreshFastWriteId();
}

// ---- tag operations ----

void CRead::ReadInputs() {
    const Ui::ReadPage* f = m_form.Get();
    if (!f)
        return;
    m_values.readSection = ListText(f->readSectionList);
    m_values.readAddress = IntOrZero(f->readAddressBox);
    m_values.readLength = IntOrZero(f->readLengthBox);
    m_values.writeSection = ListText(f->writeSectionList);
    m_values.writeAddress = IntOrZero(f->writeAddressBox);
    m_values.writeData = f->writeDataBox->toPlainText();
    m_values.lockChoice = ListText(f->lockList);
    m_values.password = f->destroyPasswordBox->text();
}

QWidget* CRead::MessageParent() const {
    return m_form.Get() ? Window() : m_host.MessageParent();
}

void CRead::Refuse(const QString& text, bool newOperation, int& pendingFlag) {
    ShowMessage(MessageParent(), text);
    if (newOperation)
        return;
    // The resend cannot go out: the operation ends here, as it does after its last attempt.
    pendingFlag = 0;
    m_host.State().m_retryCount = 0;
    m_host.ClosePortIfOpen();
}

void CRead::OnReadTag() {
    ReadTag(m_host.State().m_waitReadTag != 1);
}

void CRead::ReadTag(bool newOperation) {
    m_host.OpenPortIfClosed();
    ReadInputs();
    const auto section = FromLabelText<TagSection>(m_values.readSection);
    const int address = m_values.readAddress;
    const int length = m_values.readLength;
    const int lowest = section == TagSection::Epc ? kEpcFirstWord : 0;
    const int longest = section == TagSection::Epc ? kEpcLongestRead : kLongestRead;
    if (!section)
        Refuse(QStringLiteral("Invalid Section! Choose Reserved, EPC, TID or User."), newOperation,
               m_host.State().m_waitReadTag);
    else if (address > kLastWord || address < lowest)
        Refuse(QStringLiteral("Invalid Address!"), newOperation, m_host.State().m_waitReadTag);
    else if (length > longest || length < 1)
        Refuse(QStringLiteral("Invalid Length!"), newOperation, m_host.State().m_waitReadTag);
    else if (address + length > kWordsInReach)
        Refuse(QStringLiteral("Address+Length Should Less Than %1\uFF01").arg(kWordsInReach),
               newOperation, m_host.State().m_waitReadTag);
    else {
        m_host.SendRequest(BeginReadTag(m_host.State(), newOperation, *section,
                                        static_cast<std::uint8_t>(address),
                                        static_cast<std::uint8_t>(length)));
    }
    m_values.readData.clear();
    RefreshReadData();
}

void CRead::OnWriteTag() {
    WriteTag(m_host.State().m_waitWriteTag != 1);
}

void CRead::WriteTag(bool newOperation) {
    m_host.OpenPortIfClosed();
    ReadInputs();
    const auto section = FromLabelText<TagSection>(m_values.writeSection);
    const int address = m_values.writeAddress;
    const int lowest = section == TagSection::Epc ? kEpcFirstWord : 0;
    if (!section) {
        Refuse(QStringLiteral("Invalid Section! Choose EPC, TID or User."), newOperation,
               m_host.State().m_waitWriteTag);
        return;
    }
    // The Reserved section holds the kill and access passwords; this page only reads it.
    if (*section == TagSection::Reserved) {
        Refuse(QStringLiteral("The Reserved Section Cannot Be Written!"), newOperation,
               m_host.State().m_waitWriteTag);
        return;
    }
    if (address < lowest || address > kLastWord) {
        Refuse(QStringLiteral("Invalid Address"), newOperation, m_host.State().m_waitWriteTag);
        return;
    }
    const auto word = HexToBytes(m_values.writeData.toStdString(), 2);
    if (!word || word->size() != 2) {
        Refuse(QStringLiteral("Invalid Data"), newOperation, m_host.State().m_waitWriteTag);
        return;
    }
    m_host.SendRequest(BeginWriteTag(m_host.State(), newOperation, *section,
                                     static_cast<std::uint8_t>(address), (*word)[0], (*word)[1]));
}

void CRead::OnInitialize() {
    Initialize(m_host.State().m_waitInitTag != 1);
}

void CRead::Initialize(bool newOperation) {
    m_host.OpenPortIfClosed();
    m_host.SendRequest(BeginInitTag(m_host.State(), newOperation));
}

void CRead::OnLock() {
    Lock(m_host.State().m_waitLockTag != 1);
}

void CRead::Lock(bool newOperation) {
    m_host.OpenPortIfClosed();
    ReadInputs();
    const auto kind = FromLabelText<LockKind>(m_values.lockChoice);
    if (!kind) {
        Refuse(QStringLiteral("Invalid Lock Choice! Choose one of the LOCK entries of the list."),
               newOperation, m_host.State().m_waitLockTag);
        return;
    }
    m_host.SendRequest(BeginLockTag(m_host.State(), newOperation, *kind));
}

void CRead::OnDestroy() {
    Destroy(m_host.State().m_waitDestroyTag != 1);
}

void CRead::Destroy(bool newOperation) {
    m_host.OpenPortIfClosed();
    ReadInputs();
    const QString& text = m_values.password;
    // Only the first eight characters count; each must be a hex digit.
    std::uint8_t digits[kPasswordDigits] = {};
    bool valid = text.size() >= kPasswordDigits;
    for (int i = 0; valid && i < kPasswordDigits; ++i) {
        const char16_t c = text[i].unicode();
        digits[i] = c < 0x80 ? HexDigitValue(static_cast<char>(c)) : 0xFF;
        valid = digits[i] != 0xFF;
    }
    if (!valid) {
        Refuse(QStringLiteral("Password Should Be 8 Hex Digitals!"), newOperation,
               m_host.State().m_waitDestroyTag);
        return;
    }
    std::array<std::uint8_t, 4> password{};
    for (std::size_t i = 0; i < password.size(); ++i)
        password[i] = static_cast<std::uint8_t>(digits[2 * i] * 16 + digits[2 * i + 1]);
    m_host.SendRequest(BeginDestroyTag(m_host.State(), newOperation, password));
}

// ---- fast tag-ID write and the login group ----

// ---- login, authorization and fast tag-ID write ----

namespace {
constexpr std::size_t kMaxTagIdBytes = 12;
} // namespace

void CRead::OnFastWriteTagId() {
    if (const Ui::ReadPage* f = m_form.Get())
        m_values.fastWriteId = f->fastWriteIdBox->toPlainText();
    const auto id = HexToBytes(m_values.fastWriteId.toStdString(), kMaxTagIdBytes);
    if (!id || id->size() < 2 || id->size() % 2 != 0) {
        ShowMessage(MessageParent(), QStringLiteral("Invalid Input!"));
        return;
    }
    m_host.OpenPortIfClosed();
    m_host.SendRequest(BeginFastWriteId(m_host.State(), *id));
}

void CRead::OnLogin() {
    CLoginDlg login(MessageParent());
    if (RunModal(login) != QDialog::Accepted)
        return;
    m_host.OpenPortIfClosed();
    m_host.SendRequest(BeginLogin(m_host.State(), login.m_passwordBytes));
}

void CRead::OnAuthorize() {
    if (m_host.State().m_loggedIn == 0)
        return;
    m_host.OpenPortIfClosed();
    m_host.SendRequest(BeginAuthorize(m_host.State()));
}

namespace {

// Runs a password-change dialog; on OK copies its old and new password into the two arrays.
template <std::size_t N>
bool AskPasswordChange(CModifyPwdDlg& dialog, std::array<std::uint8_t, N>& oldPassword,
                       std::array<std::uint8_t, N>& newPassword) {
    if (RunModal(dialog) != QDialog::Accepted || dialog.m_oldBytes.size() != N ||
        dialog.m_newBytes.size() != N)
        return false;
    std::copy_n(dialog.m_oldBytes.begin(), N, oldPassword.begin());
    std::copy_n(dialog.m_newBytes.begin(), N, newPassword.begin());
    return true;
}

} // namespace

void CRead::OnModifyLoginPassword() {
    if (m_host.State().m_loggedIn == 0)
        return;
    CModifyLoginPwdDlg dialog(MessageParent());
    std::array<std::uint8_t, 4> oldPassword{}, newPassword{};
    if (!AskPasswordChange(dialog, oldPassword, newPassword))
        return;
    m_host.OpenPortIfClosed();
    m_host.SendRequest(BeginModifyLoginPassword(m_host.State(), oldPassword, newPassword));
}

void CRead::OnModifyAuthorizeCode() {
    if (m_host.State().m_loggedIn == 0)
        return;
    CModifyAuthPwdDlg dialog(MessageParent());
    std::array<std::uint8_t, 2> oldCode{}, newCode{};
    if (!AskPasswordChange(dialog, oldCode, newCode))
        return;
    m_host.OpenPortIfClosed();
    m_host.SendRequest(BeginModifyAuthorizeCode(m_host.State(), oldCode, newCode));
}

void CRead::SetPasswordFunctionsShown(bool shown) {
    m_passwordFunctionsShown = shown;
    if (const Ui::ReadPage* f = m_form.Get())
        for (QPushButton* button : {f->loginButton, f->authorizeButton,
                                    f->modifyLoginPasswordButton, f->modifyAuthorizeCodeButton})
            button->setVisible(shown);
}
