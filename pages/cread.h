// The "Tag Operation" page.
#pragma once

#include "ui/cpropertypage.h"

class CReaderDlg;

class CRead : public CPropertyPage {
public:
    explicit CRead(CReaderDlg& dlg);

protected:
    void BuildControls(QWidget* page) override;

private:
    CReaderDlg& m_dlg;
};
