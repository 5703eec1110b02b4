#include "pages/cworkmode.h"

#include "ui/creaderdlg.h"

CWorkmode::CWorkmode(CReaderDlg& dlg) : CPropertyPage(QStringLiteral("Work Mode")), m_dlg(dlg) {}

void CWorkmode::BuildControls(QWidget* page) {
    (void)page;
}

void CWorkmode::OnGetSettings() {}
