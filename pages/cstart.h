// The empty page that fills the sheet before a connection.
#pragma once

#include "widgets/cpropertypage.h"

class CStart : public CPropertyPage {
public:
    CStart() : CPropertyPage(QString()) {}

protected:
    void BuildControls(QWidget* page) override { (void)page; }
};
