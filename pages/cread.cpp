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

// ---- controls ----

QSize CRead::FormSizeHint() const {
    return SizeOfForm<Ui::ReadPage>();
}

void CRead::BuildControls(QWidget* page) {
    Ui::ReadPage form;
    form.setupUi(page);
    m_fastWriteIdBox = form.fastWriteIdBox;
    m_loginButton = form.loginButton;
    m_authorizeButton = form.authorizeButton;
    m_modifyLoginPasswordButton = form.modifyLoginPasswordButton;
    m_modifyAuthorizeCodeButton = form.modifyAuthorizeCodeButton;
    m_readSectionList = form.readSectionList;
    m_readAddressBox = form.readAddressBox;
    m_readLengthBox = form.readLengthBox;
    m_readDataBox = form.readDataBox;
    m_writeSectionList = form.writeSectionList;
    m_writeAddressLabel = form.writeAddressLabel;
    m_writeAddressBox = form.writeAddressBox;
    m_writeDataLabel = form.writeDataLabel;
    m_writeDataBox = form.writeDataBox;
    m_writeDataNote = form.writeDataNote;
    m_writeTagButton = form.writeTagButton;
    m_lockList = form.lockList;
    m_passwordBox = form.destroyPasswordBox;
    QPushButton* fastButton = form.fastWriteTagIdButton;
    QPushButton* readButton = form.readTagButton;
    QPushButton* initButton = form.initializeButton;
    QPushButton* lockButton = form.lockButton;
    QPushButton* destroyButton = form.destroyButton;

    m_readSectionList->addItems(LabelTexts<TagSection>());
    m_writeSectionList->addItems(LabelTexts<TagSection>());
    m_lockList->addItems(LabelTexts<LockKind>());
    ShowLines(m_fastWriteIdBox, 3);
    ShowLines(m_readDataBox, 4);
    ShowLines(m_writeDataBox, 2);
    for (QWidget* box :
         std::initializer_list<QWidget*>{m_fastWriteIdBox, m_readDataBox, m_writeDataBox,
                                         m_readAddressBox, m_readLengthBox, m_writeAddressBox})
        TypeUpperCase(box);
    for (QPushButton* hidden :
         {m_loginButton.data(), m_authorizeButton.data(), m_modifyLoginPasswordButton.data(),
          m_modifyAuthorizeCodeButton.data()})
        hidden->setVisible(m_passwordFunctionsShown);

    QObject::connect(readButton, &QPushButton::clicked, page, [this] { ReadTag(true); });
    QObject::connect(m_writeTagButton, &QPushButton::clicked, page, [this] { WriteTag(true); });
    QObject::connect(initButton, &QPushButton::clicked, page, [this] { Initialize(true); });
    QObject::connect(lockButton, &QPushButton::clicked, page, [this] { Lock(true); });
    QObject::connect(destroyButton, &QPushButton::clicked, page, [this] { Destroy(true); });
    QObject::connect(m_writeSectionList, &QComboBox::activated, page,
                     [this] { OnWriteSectionCloseUp(); });
    QObject::connect(fastButton, &QPushButton::clicked, page, [this] { OnFastWriteTagId(); });
    QObject::connect(m_loginButton, &QPushButton::clicked, page, [this] { OnLogin(); });
    QObject::connect(m_authorizeButton, &QPushButton::clicked, page, [this] { OnAuthorize(); });
    QObject::connect(m_modifyLoginPasswordButton, &QPushButton::clicked, page,
                     [this] { OnModifyLoginPassword(); });
    QObject::connect(m_modifyAuthorizeCodeButton, &QPushButton::clicked, page,
                     [this] { OnModifyAuthorizeCode(); });
}

void CRead::OnInitDialog() {
    m_readSectionList->setCurrentIndex(IndexOf(TagSection::Epc));
    m_writeSectionList->setCurrentIndex(IndexOf(TagSection::Epc));
    m_lockList->setCurrentIndex(IndexOf(LockKind::Epc));
    m_readAddressBox->setText(QStringLiteral("2"));
    m_readLengthBox->setText(QStringLiteral("1"));
    m_writeAddressBox->setText(QStringLiteral("2"));
    m_writeDataBox->setPlainText(QStringLiteral("1234"));
    m_loginButton->setEnabled(true);
    m_authorizeButton->setEnabled(false);
    m_modifyLoginPasswordButton->setEnabled(false);
    m_modifyAuthorizeCodeButton->setEnabled(false);
    m_fastWriteId = QStringLiteral("00 00");
    CPropertyPage::OnInitDialog();
}

void CRead::OnSetActive() {
    m_readData.clear();
    RefreshReadData();
    // A multi-tag stream started on the identify page ends when this page comes up.
    m_host.OpenPortIfClosed();
    m_host.SendRequest(BuildStop());
    m_host.ClosePortIfOpen();
}

bool CRead::UpdateData(bool fromControls) {
    if (fromControls) {
        if (m_readDataBox)
            m_readData = m_readDataBox->toPlainText();
        if (m_fastWriteIdBox)
            m_fastWriteId = m_fastWriteIdBox->toPlainText();
    } else {
        RefreshReadData();
        RefreshFastWriteId();
    }
    return true;
}

// Each refresh writes only the box whose member changed, so that text the operator is typing
// into the other box is kept.
void CRead::RefreshReadData() {
    if (m_readDataBox)
        m_readDataBox->setPlainText(m_readData);
}

void CRead::RefreshFastWriteId() {
    if (m_fastWriteIdBox)
        m_fastWriteIdBox->setPlainText(m_fastWriteId);
}

void CRead::OnWriteSectionCloseUp() {
    if (!m_writeSectionList)
        return;
    const bool writable = ListText(m_writeSectionList) != LabelText(TagSection::Reserved);
    for (QWidget* control :
         {static_cast<QWidget*>(m_writeAddressBox.data()),
          static_cast<QWidget*>(m_writeAddressLabel), static_cast<QWidget*>(m_writeDataBox.data()),
          static_cast<QWidget*>(m_writeDataLabel), static_cast<QWidget*>(m_writeTagButton),
          static_cast<QWidget*>(m_writeDataNote)})
        if (control)
            control->setEnabled(writable);
}

// ---- results from the dispatcher ----

void CRead::AppendReadData(const QString& text) {
    m_readData += text;
    RefreshReadData();
}

void CRead::LoginSucceeded() {
    if (m_loginButton)
        m_loginButton->setEnabled(false);
    for (QPushButton* button : {m_authorizeButton.data(), m_modifyLoginPasswordButton.data(),
                                m_modifyAuthorizeCodeButton.data()})
        if (button)
            button->setEnabled(true);
}

void CRead::ShowFastWriteId(const QString& text) {
    m_fastWriteId = text;
    RefreshFastWriteId();
}

// ---- tag operations ----

void CRead::ReadInputs() {
    if (m_readSectionList)
        m_inputs.readSection = ListText(m_readSectionList);
    if (m_readAddressBox)
        m_inputs.readAddress = IntOrZero(m_readAddressBox);
    if (m_readLengthBox)
        m_inputs.readLength = IntOrZero(m_readLengthBox);
    if (m_writeSectionList)
        m_inputs.writeSection = ListText(m_writeSectionList);
    if (m_writeAddressBox)
        m_inputs.writeAddress = IntOrZero(m_writeAddressBox);
    if (m_writeDataBox)
        m_inputs.writeData = m_writeDataBox->toPlainText();
    if (m_lockList)
        m_inputs.lockChoice = ListText(m_lockList);
    if (m_passwordBox)
        m_inputs.password = m_passwordBox->text();
}

QWidget* CRead::MessageParent() const {
    return HasWindow() ? Window() : m_host.MessageParent();
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
    const auto section = FromLabelText<TagSection>(m_inputs.readSection);
    const int address = m_inputs.readAddress;
    const int length = m_inputs.readLength;
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
    m_readData.clear();
    RefreshReadData();
}

void CRead::OnWriteTag() {
    WriteTag(m_host.State().m_waitWriteTag != 1);
}

void CRead::WriteTag(bool newOperation) {
    m_host.OpenPortIfClosed();
    ReadInputs();
    const auto section = FromLabelText<TagSection>(m_inputs.writeSection);
    const int address = m_inputs.writeAddress;
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
    const auto word = HexToBytes(m_inputs.writeData.toStdString(), 2);
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
    const auto kind = FromLabelText<LockKind>(m_inputs.lockChoice);
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
    const QString& text = m_inputs.password;
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
    if (m_fastWriteIdBox)
        m_fastWriteId = m_fastWriteIdBox->toPlainText();
    const auto id = HexToBytes(m_fastWriteId.toStdString(), kMaxTagIdBytes);
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
    for (QPushButton* button :
         {m_loginButton.data(), m_authorizeButton.data(), m_modifyLoginPasswordButton.data(),
          m_modifyAuthorizeCodeButton.data()}) {
        if (button)
            button->setVisible(shown);
    }
}
