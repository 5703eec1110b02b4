#include "ui/cpropertysheet.h"

#include "ui/cpropertypage.h"

#include <QVBoxLayout>

CPropertySheet::CPropertySheet(QWidget* parent) : QTabWidget(parent) {
    connect(this, &QTabWidget::currentChanged, this, [this](int index) {
        if (!m_filling)
            Activate(index);
    });
}

CPropertySheet::~CPropertySheet() {
    Clear();
}

void CPropertySheet::Clear() {
    m_filling = true;
    for (CPropertyPage* page : m_pages) {
        if (!page)
            continue;
        page->DestroyWindow();
        page->m_sheet = nullptr;
    }
    while (count() > 0) {
        QWidget* container = widget(0);
        removeTab(0);
        delete container;
    }
    m_pages.clear();
    m_filling = false;
}

void CPropertySheet::SetPages(const std::vector<CPropertyPage*>& pages) {
    Clear();
    m_filling = true;
    for (CPropertyPage* page : pages) {
        auto* container = new QWidget;
        auto* layout = new QVBoxLayout(container);
        layout->setContentsMargins(0, 0, 0, 0);
        addTab(container, page->Caption());
    }
    m_pages = pages;
    for (CPropertyPage* page : m_pages)
        page->m_sheet = this;
    setCurrentIndex(0);
    m_filling = false;
    if (!m_pages.empty())
        Activate(0);
}

CPropertyPage* CPropertySheet::ActivePage() const {
    const int index = currentIndex();
    return index >= 0 && index < static_cast<int>(m_pages.size()) ? m_pages[index] : nullptr;
}

void CPropertySheet::Activate(int index) {
    if (index < 0 || index >= static_cast<int>(m_pages.size()))
        return;
    CPropertyPage* page = m_pages[index];
    if (!page)
        return;
    if (!page->HasWindow()) {
        page->CreateWindow(widget(index));
        page->OnInitDialog();
    }
    page->OnSetActive();
}

void CPropertySheet::Forget(CPropertyPage* page) {
    for (std::size_t i = 0; i < m_pages.size(); ++i)
        if (m_pages[i] == page)
            m_pages[i] = nullptr;
}
