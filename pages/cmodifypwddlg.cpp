#include "pages/cmodifypwddlg.h"

#include "ui_cmodifypwddlg.h"
#include "widgets/messagebox.h"

#include <QLineEdit>

CModifyPwdDlg::CModifyPwdDlg(const QString& caption, std::size_t byteCount, QWidget* parent)
    : CPasswordDlg(parent), m_byteCount(byteCount) {
    Ui::ModifyPwdDlg form;
    form.setupUi(this);
    setWindowTitle(caption);
    form.note->setText(form.note->text().arg(byteCount * 2));
    SetUp({form.oldPassword, form.newPassword, form.newPasswordAgain}, form.buttons);
}

bool CModifyPwdDlg::Check() {
    m_oldText = Boxes()[0]->text();
    m_newText = Boxes()[1]->text();
    m_againText = Boxes()[2]->text();
    const auto oldBytes = ExactBytes(m_oldText, m_byteCount);
    const auto newBytes = ExactBytes(m_newText, m_byteCount);
    const auto againBytes = ExactBytes(m_againText, m_byteCount);
    if (!oldBytes || !newBytes || !againBytes) {
        ShowMessage(this, QStringLiteral("Invalid Input!"));
        return false;
    }
    if (*newBytes != *againBytes) {
        ShowMessage(this, QStringLiteral("New Password Not Consistent!"));
        return false;
    }
    m_oldBytes = *oldBytes;
    m_newBytes = *newBytes;
    return true;
}
