// The "Work Mode" page.
#pragma once

#include "ui/cpropertypage.h"

class CReaderDlg;

class CWorkmode : public CPropertyPage {
public:
    explicit CWorkmode(CReaderDlg& dlg);

    // Starts the Get sequence that reads the reader's work-mode settings into the page.
    void OnGetSettings();

protected:
    void BuildControls(QWidget* page) override;

private:
    CReaderDlg& m_dlg;
};
