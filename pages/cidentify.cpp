#include "pages/cidentify.h"

#include "ui/creaderdlg.h"

CIdentify::CIdentify(CReaderDlg& dlg) : CPropertyPage(QStringLiteral("Tag Identify")), m_dlg(dlg) {}

void CIdentify::BuildControls(QWidget* page) {
    (void)page;
}
