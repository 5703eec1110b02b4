#include "pages/cread.h"

#include "ui/creaderdlg.h"

CRead::CRead(CReaderDlg& dlg) : CPropertyPage(QStringLiteral("Tag Operation")), m_dlg(dlg) {}

void CRead::BuildControls(QWidget* page) {
    (void)page;
}
