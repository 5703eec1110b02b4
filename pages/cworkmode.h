// The "Work Mode" page: the reader's autonomous work mode (master-slave, timer, trigger) with its
// timing, the ID-border option, and the output interface (RS-232, RS-485 or Wiegand) with baud
// rates, Wiegand protocol and pulse timing, and the user code.
//
// The page is its values (WorkmodeValues) and its form, the view of them. The form transfer,
// UpdateData, copies one to the other; every other operation works on the values and reaches a
// control only through m_form, which has no form while the page has no controls. Set Settings and
// Get Settings start request chains whose state lives in the main window; the dispatcher
// continues them by calling the Send... and Read... operations below, and ends a Get by calling
// ShowReadBack.
#pragma once

#include "protocol/frame.h"
#include "protocol/valuecodes.h"
#include "widgets/cpropertypage.h"

#include <QString>
#include <array>
#include <cstdint>

class IPageHost;
namespace Ui {
class WorkmodePage;
}

// What the page shows, kept while the page has no controls.
struct WorkmodeValues {
    // Bound one to one to the controls, in the order of the form transfer.
    int workMode = 0; // 0 master-slave, 1 timer, 2 trigger, -1 none
    int userCode = 0;
    int shutDownDelay = 0;    // seconds
    int pulseCycle = 0;       // units of 100 us
    int pulseWidth = 0;       // units of 10 us
    int idBorderOn = 0;       // 0 or 1
    int idBorderInterval = 0; // seconds
    int timerInterval = 0;    // units of 10 ms
    // The lists' texts, which follow the lists as the operator picks or edits.
    QString trigger;
    QString commMode;
    QString baud232;
    QString baud485;
    QString wiegand;
};

class CWorkmode : public CPropertyPage {
public:
    explicit CWorkmode(IPageHost& host);
    ~CWorkmode() override;

    // Image of the reader's settings, filled byte by byte by the Get sequence:
    // 0 work mode (0x70), 1 timer interval (0x71), 2 and 3 trigger mode (0x80, 0x81),
    // 4 shut-down delay (0x84), 5 Wiegand protocol (0x73), 6 pulse width (0x74),
    // 7 pulse cycle (0x75), 8 user code (0x64), 9 communication mode (0x72),
    // 10 ID-border flag (0x7B), 11 ID-border interval (0x7A).
    std::array<std::uint8_t, 12> m_readBack{};

    WorkmodeValues m_values;

    bool UpdateData(bool fromControls) override;
    QSize FormSizeHint() const override;

    // Operator actions.
    void OnRadioMasterSlave();
    void OnRadioTimer();
    void OnRadioTrigger();
    void OnIdBorderClicked();
    void OnDefault();
    // Starts the Get sequence that reads the reader's work-mode settings into the page.
    void OnGetSettings();
    // Set by the main window while it puts the page in and then starts the Get sequence itself:
    // the page's initialisation then sends no read of its own, whose answer would arrive in the
    // middle of the window's sequence.
    bool m_windowStartsGet = false;
    void OnSetSettings();
    void OnCommModeCloseUp();

    // Requests of the Set sequence. Those with a range show a message and send nothing when the
    // value is outside it.
    void SendWorkMode();
    void SendTimerInterval();
    void SendTriggerMode();
    void SendShutDownDelay();
    void SendIdBorderFlag();
    void SendIdBorderInterval();
    void SendBaudRs232();
    void SendBaudRs485();
    void SendWiegandSettings();
    void SendUserCode();
    void SendCommMode();

    // Requests of the Get sequence.
    void ReadWorkMode();
    void ReadTriggerMode();
    void ReadShutDownDelay();
    void ReadWiegandSettings();
    void ReadUserCode();
    void ReadCommMode();
    void ReadIdBorder();
    // Shows m_readBack on the page.
    void ShowReadBack();
    // Told by the host once the reader acknowledged the last request of a Set sequence.
    void SetSequenceCompleted();

protected:
    void BuildControls(QWidget* page) override;
    void OnInitDialog() override;

private:
    void EnableForMode(WorkMode mode);
    void EnableForOutput(CommMode output);
    void EnableIdBorderInterval(bool enable);

    // The text of a list, or what it last showed while the page has no controls.
    QString TriggerText() const;
    QString CommModeText() const;
    QString Baud232Text() const;
    QString Baud485Text() const;
    QString WiegandText() const;
    // Selects the entry with this text (none when no entry has it), remembered for later.
    void SelectTrigger(const QString& text);
    void SelectCommMode(const QString& text);
    void SelectWiegand(const QString& text);

    void Send(const Bytes& frame);
    void SendWorkModeValue();
    void SendBaud(const QString& listText);
    // A refused value: the message box, and the baud note when the reader already switched.
    void Refuse(const QString& text);

    // The baud rate note: a Set sequence that changed the reader's rate away from the rate of
    // the main window's Baud Rate list ends with a line telling the operator how to reconnect.
    void NoteBaudChange();

    IPageHost& m_host;

    int m_baudSentRate = 0; // rate of the baud request of the running Set sequence, 0 for none

    CPageForm<Ui::WorkmodePage> m_form;
};
