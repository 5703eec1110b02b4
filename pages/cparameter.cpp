#include "pages/cparameter.h"

#include "ui/creaderdlg.h"

CParameter::CParameter(CReaderDlg& dlg)
    : CPropertyPage(QStringLiteral("Reader Parameters")), m_dlg(dlg) {}

void CParameter::BuildControls(QWidget* page) {
    (void)page;
}
