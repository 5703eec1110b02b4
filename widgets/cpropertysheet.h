// The page host: a tab widget that holds one page group at a time and creates each page's
// controls lazily, the way a property sheet does.
#pragma once

#include <QTabWidget>
#include <vector>

class CPropertyPage;

class CPropertySheet : public QTabWidget {
    Q_OBJECT
public:
    explicit CPropertySheet(QWidget* parent = nullptr);
    ~CPropertySheet() override;

    // Ends the current group (its pages' controls are destroyed) and puts the given pages in,
    // in order. The first becomes active at once, so its controls are created and its
    // initialisation and activation run before this returns.
    void SetPages(const std::vector<CPropertyPage*>& pages);
    const std::vector<CPropertyPage*>& Pages() const { return m_pages; }
    CPropertyPage* ActivePage() const;
    // Makes page number index the active tab, as a click on its tab does.
    void SetActivePage(int index) { setCurrentIndex(index); }

    // Room every tab keeps for its page, whether or not the page's controls exist yet, so the
    // sheet asks for the size of its largest page from the start.
    void SetPageRoom(QSize room);

    // A page that goes away before the sheet leaves it.
    void Forget(CPropertyPage* page);

private:
    void Activate(int index);
    void Clear();

    std::vector<CPropertyPage*> m_pages;
    bool m_filling = false;
    QSize m_pageRoom;
};
