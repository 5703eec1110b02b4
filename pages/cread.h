// The "Tag Operation" page: reads and writes tag memory, initializes, locks and destroys tags,
// and holds the fast tag-ID write with the reader's (hidden) login buttons.
//
// Every tag operation is one public handler. The operator's button runs it as a new operation;
// the dispatcher runs the same handler again to resend after a failed answer. Either way the
// handler reads the controls as they are, validates them, and only then builds and sends the
// request. Without controls (the page's group is not in the sheet) it works on the values the
// controls held when they were last read.
//
// The page is its values (ReadValues) and its form; it reaches a control only through m_form,
// which has no form while the page has no controls.
#pragma once

#include "protocol/frame.h"
#include "widgets/cpropertypage.h"

#include <QString>

class IPageHost;
namespace Ui {
class ReadPage;
}

// What the page shows, kept while the page has no controls.
struct ReadValues {
    QString readData;    // the read Data box
    QString fastWriteId; // the fast-write ID box
    // The operation boxes and lists as they were when last read; the handlers use these.
    QString readSection = QStringLiteral("EPC");
    int readAddress = 2;
    int readLength = 1;
    QString writeSection = QStringLiteral("EPC");
    int writeAddress = 2;
    QString writeData = QStringLiteral("1234");
    QString lockChoice = QStringLiteral("LOCK EPC");
    QString password;
};

class CRead : public CPropertyPage {
public:
    explicit CRead(IPageHost& host);
    ~CRead() override;

    // Form transfer of the read Data box and the fast-write ID box.
    bool UpdateData(bool fromControls) override;
    QSize FormSizeHint() const override;

    // Tag operations; each is also the dispatcher's resend.
    void OnReadTag();
    void OnWriteTag();
    void OnInitialize();
    void OnLock();
    void OnDestroy();
    // The write Section list closed: the write controls follow the chosen section.
    void OnWriteSectionCloseUp();

    // The fast tag-ID write and the login group.
    void OnFastWriteTagId();
    void OnLogin();
    void OnAuthorize();
    void OnModifyLoginPassword();
    void OnModifyAuthorizeCode();
    // Shows or hides Login, Authorize and the two Modify buttons; hidden until the operator
    // asks for them.
    void SetPasswordFunctionsShown(bool shown);
    bool PasswordFunctionsShown() const { return m_passwordFunctionsShown; }

    // Results delivered by the dispatcher.
    void AppendReadData(const QString& text);
    void LoginSucceeded();
    void ShowFastWriteId(const QString& text);

    ReadValues m_values;

protected:
    void BuildControls(QWidget* page) override;
    void OnInitDialog() override;
    void OnSetActive() override;

private:
    void ReadTag(bool newOperation);
    void WriteTag(bool newOperation);
    void Initialize(bool newOperation);
    void Lock(bool newOperation);
    void Destroy(bool newOperation);

    void ReadInputs();
    // Shows why the input was refused. A resend that is refused ends the operation it resends,
    // since nothing can be sent for it any more.
    void Refuse(const QString& text, bool newOperation, int& pendingFlag);
    void RefreshReadData();
    void RefreshFastWriteId();
    QWidget* MessageParent() const;
    bool m_passwordFunctionsShown = false;

    IPageHost& m_host;
    CPageForm<Ui::ReadPage> m_form;
};
