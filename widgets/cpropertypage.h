// A property page: an object that lives as long as the main window, and its controls, which
// exist only while the page is in the sheet and has been shown once.
//
// The sheet creates a page's controls the first time the page becomes the active tab after its
// group was put into the sheet, then runs OnInitDialog; OnSetActive runs every time the page
// becomes the active tab. Replacing the group destroys the controls; the members stay.
#pragma once

#include <QPointer>
#include <QSize>
#include <QString>
#include <QWidget>
#include <memory>

class CPropertyPage {
public:
    explicit CPropertyPage(QString caption) : m_caption(std::move(caption)) {}
    virtual ~CPropertyPage();
    CPropertyPage(const CPropertyPage&) = delete;
    CPropertyPage& operator=(const CPropertyPage&) = delete;

    const QString& Caption() const { return m_caption; }
    // The size the page's form asks for, known before its controls exist; none for no form.
    virtual QSize FormSizeHint() const { return QSize(); }
    // The page's controls, or nullptr while it has none.
    QWidget* Window() const { return m_window; }
    bool HasWindow() const { return m_window != nullptr; }

    // Copies the members to the controls (false) or the controls to the members (true). Returns
    // false when a box did not hold what its member needs; the transfer stops at that box.
    virtual bool UpdateData(bool fromControls) {
        (void)fromControls;
        return true;
    }

protected:
    // Creates the controls as children of page, with their layout.
    virtual void BuildControls(QWidget* page) = 0;
    // Page creation: runs right after the controls were built.
    virtual void OnInitDialog() { UpdateData(false); }
    // Page activation: runs every time the page becomes the active tab.
    virtual void OnSetActive() {}

private:
    friend class CPropertySheet;
    void CreateWindow(QWidget* container);
    void DestroyWindow();

    QString m_caption;
    QPointer<QWidget> m_window;
    class CPropertySheet* m_sheet = nullptr; // the sheet that holds the page, if any
};

// A page's Designer form while its controls exist. A page reaches its controls only through
// Get(), which is nullptr before the controls are built and again once they are destroyed, so
// "are my controls there?" has one answer in one place.
template <class Form> class CPageForm {
public:
    // Builds the form's controls on page, their parent.
    Form& Build(QWidget* page) {
        m_form = std::make_unique<Form>();
        m_form->setupUi(page);
        m_page = page;
        return *m_form;
    }
    Form* Get() const { return m_page ? m_form.get() : nullptr; }

private:
    std::unique_ptr<Form> m_form;
    QPointer<QWidget> m_page;
};

// The size a Designer form asks for, measured on a scratch widget.
template <class Form> QSize SizeOfForm() {
    QWidget page;
    Form form;
    form.setupUi(&page);
    return page.sizeHint();
}
