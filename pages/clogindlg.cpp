#include "pages/clogindlg.h"

#include "ui_clogindlg.h"
#include "widgets/messagebox.h"

#include <QLineEdit>

CLoginDlg::CLoginDlg(QWidget* parent) : CPasswordDlg(parent) {
    Ui::LoginDlg form;
    form.setupUi(this);
    SetUp({form.password}, form.buttons);
}

bool CLoginDlg::Check() {
    m_password = Boxes()[0]->text();
    m_passwordBytes.fill(0);
    const auto bytes = ExactBytes(m_password, m_passwordBytes.size());
    if (!bytes) {
        ShowMessage(this, QStringLiteral("Invalid Input"));
        return false;
    }
    std::copy(bytes->begin(), bytes->end(), m_passwordBytes.begin());
    return true;
}
