#include "widgets/cpropertypage.h"

#include "widgets/controls.h"
#include "widgets/cpropertysheet.h"

#include <QVBoxLayout>

CPropertyPage::~CPropertyPage() {
    if (m_sheet)
        m_sheet->Forget(this);
    DestroyWindow();
}

void CPropertyPage::CreateWindow(QWidget* container) {
    auto* window = new QWidget(container);
    window->setObjectName(m_caption);
    container->layout()->addWidget(window);
    m_window = window;
    BuildControls(window);
    FinishControls(window);
    window->show();
}

void CPropertyPage::DestroyWindow() {
    delete m_window.data();
}
