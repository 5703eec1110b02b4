// The "Reader Parameters" page.
#pragma once

#include "ui/cpropertypage.h"

class CReaderDlg;

class CParameter : public CPropertyPage {
public:
    explicit CParameter(CReaderDlg& dlg);

protected:
    void BuildControls(QWidget* page) override;

private:
    CReaderDlg& m_dlg;
};
