// "Login": the login password, 8 hex digits.
#pragma once

#include "pages/cpassworddlg.h"

#include <array>

class CLoginDlg : public CPasswordDlg {
    Q_OBJECT
public:
    explicit CLoginDlg(QWidget* parent = nullptr);

    QString m_password;
    std::array<std::uint8_t, 4> m_passwordBytes{};

protected:
    bool Check() override;
};
