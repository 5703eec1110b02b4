// The two password-change dialogs: old password, new password and the new one again. They differ
// only in the password's length: 4 bytes for the login password, 2 for the authorization code.
#pragma once

#include "pages/cpassworddlg.h"

class CModifyPwdDlg : public CPasswordDlg {
    Q_OBJECT
public:
    QString m_oldText, m_newText, m_againText;
    Bytes m_oldBytes, m_newBytes;

protected:
    CModifyPwdDlg(const QString& caption, std::size_t byteCount, QWidget* parent);
    bool Check() override;

private:
    std::size_t m_byteCount;
};

class CModifyLoginPwdDlg : public CModifyPwdDlg {
    Q_OBJECT
public:
    explicit CModifyLoginPwdDlg(QWidget* parent = nullptr)
        : CModifyPwdDlg(QStringLiteral("Modify Login Password"), 4, parent) {}
};

class CModifyAuthPwdDlg : public CModifyPwdDlg {
    Q_OBJECT
public:
    explicit CModifyAuthPwdDlg(QWidget* parent = nullptr)
        : CModifyPwdDlg(QStringLiteral("Modify Authorization Password"), 2, parent) {}
};
