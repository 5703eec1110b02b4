// The "Tag Identify" page.
#pragma once

#include "ui/cpropertypage.h"

class CReaderDlg;

class CIdentify : public CPropertyPage {
public:
    explicit CIdentify(CReaderDlg& dlg);

    // Text of the Data box; tag lines are appended to it.
    QString m_tagText;

protected:
    void BuildControls(QWidget* page) override;

private:
    CReaderDlg& m_dlg;
};
