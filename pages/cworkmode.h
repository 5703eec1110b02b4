// The "Work Mode" page: the reader's autonomous work mode (master-slave, timer, trigger) with its
// timing, the ID-border option, and the output interface (RS-232, RS-485 or Wiegand) with baud
// rates, Wiegand protocol and pulse timing, and the user code.
//
// The page holds only its form values. Set Settings and Get Settings start request chains whose
// state lives in the main window; the dispatcher continues them by calling the Send... and
// Read... operations below, and ends a Get by calling ShowReadBack. Every operation works on the
// members alone while the page has no controls.
#pragma once

#include "protocol/frame.h"
#include "protocol/valuecodes.h"
#include "widgets/cpropertypage.h"

#include <QString>
#include <array>
#include <cstdint>

class IPageHost;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QRadioButton;

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

    // Form values, bound one to one to the controls.
    int m_workMode = 0; // 0 master-slave, 1 timer, 2 trigger, -1 none
    int m_userCode = 0;
    int m_shutDownDelay = 0;    // seconds
    int m_pulseCycle = 0;       // units of 100 us
    int m_pulseWidth = 0;       // units of 10 us
    int m_idBorderOn = 0;       // 0 or 1
    int m_idBorderInterval = 0; // seconds
    int m_timerInterval = 0;    // units of 10 ms

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

    QString m_triggerText;
    QString m_commModeText;
    QString m_baud232Text;
    QString m_baud485Text;
    QString m_wiegandText;

    int m_baudSentRate = 0; // rate of the baud request of the running Set sequence, 0 for none

    // Controls; valid only while HasWindow().
    QRadioButton* m_masterSlaveRadio = nullptr;
    QRadioButton* m_timerRadio = nullptr;
    QRadioButton* m_triggerRadio = nullptr;
    QCheckBox* m_idBorderCheck = nullptr;
    QLabel* m_idBorderIntervalLabel = nullptr;
    QLineEdit* m_idBorderIntervalBox = nullptr;
    QLabel* m_idBorderUnitLabel = nullptr;
    QGroupBox* m_timerGroup = nullptr;
    QLineEdit* m_timerIntervalBox = nullptr;
    QGroupBox* m_triggerGroup = nullptr;
    QComboBox* m_triggerList = nullptr;
    QLineEdit* m_shutDownDelayBox = nullptr;
    QComboBox* m_commModeList = nullptr;
    QGroupBox* m_rs232Group = nullptr;
    QComboBox* m_baud232List = nullptr;
    QGroupBox* m_rs485Group = nullptr;
    QComboBox* m_baud485List = nullptr;
    QGroupBox* m_wiegandGroup = nullptr;
    QComboBox* m_wiegandList = nullptr;
    QLineEdit* m_pulseWidthBox = nullptr;
    QLineEdit* m_pulseCycleBox = nullptr;
    QLineEdit* m_userCodeBox = nullptr;
};
