#include "widgets/cpropertysheet.h"

#include "widgets/cpropertypage.h"

#include <QTabBar>
#include <QVBoxLayout>

namespace {

// A tab's page area: asks for the sheet's page room at least.
class CPageArea : public QWidget {
public:
    explicit CPageArea(QSize room) : m_room(room) {}
    QSize sizeHint() const override { return QWidget::sizeHint().expandedTo(m_room); }

private:
    QSize m_room;
};

// Controls made after the rest of the window come last in its Tab order; Tab should go from the
// tabs into the page, through it in the order it was built, and on past the sheet.
void PlaceInTabOrder(QWidget* tabs, QWidget* window) {
    QWidget* previous = tabs;
    for (QWidget* control : window->findChildren<QWidget*>()) {
        if ((control->focusPolicy() & Qt::TabFocus) != Qt::TabFocus || control->focusProxy() ||
            control->window() != tabs->window()) // a drop-down's popup is a window of its own
            continue;
        QWidget::setTabOrder(previous, control);
        previous = control;
    }
}

} // namespace

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
        auto* container = new CPageArea(m_pageRoom);
        auto* layout = new QVBoxLayout(container);
        layout->setContentsMargins(0, 0, 0, 0);
        const int index = addTab(container, page->Caption());
        if (page->Caption().isEmpty())
            tabBar()->setAccessibleTabName(index, tr("Start page"));
    }
    m_pages = pages;
    for (CPropertyPage* page : m_pages)
        page->m_sheet = this;
    setCurrentIndex(0);
    m_filling = false;
    if (!m_pages.empty())
        Activate(0);
}

void CPropertySheet::SetPageRoom(QSize room) {
    m_pageRoom = room;
    updateGeometry();
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
        PlaceInTabOrder(tabBar(), page->Window());
        page->OnInitDialog();
    }
    page->OnSetActive();
}

void CPropertySheet::Forget(CPropertyPage* page) {
    for (std::size_t i = 0; i < m_pages.size(); ++i)
        if (m_pages[i] == page)
            m_pages[i] = nullptr;
}
