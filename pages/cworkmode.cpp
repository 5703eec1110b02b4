#include "pages/cworkmode.h"

#include "pages/pagehost.h"
#include "protocol/commands.h"
#include "ui_cworkmode.h"
#include "widgets/controls.h"
#include "widgets/messagebox.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <functional>
#include <utility>

namespace {

const QString kHighLevelTrigger = QStringLiteral("High-Level Trigger");
const QString kTriggerOff = QStringLiteral("Trigger Off");
const QString kRs232 = QStringLiteral("RS232");
const QString kRs485 = QStringLiteral("RS485");
const QString kWiegand = QStringLiteral("Wiegand");

const QStringList kTriggerEntries = {kHighLevelTrigger, kTriggerOff};
const QStringList kCommModeEntries = {kRs232, kRs485, kWiegand};
const QStringList kWiegandEntries = {QStringLiteral("Wiegand26"), QStringLiteral("Wiegand34"),
                                     QStringLiteral("Wiegand32")};

struct BaudEntry {
    QString text;
    std::uint8_t code;
    int rate;
};
const BaudEntry kBaudEntries[] = {{QStringLiteral("9600bps"), 0, 9600},
                                  {QStringLiteral("19200bps"), 1, 19200},
                                  {QStringLiteral("38400bps"), 2, 38400},
                                  {QStringLiteral("57600bps"), 3, 57600},
                                  {QStringLiteral("115200bps"), 4, 115200}};

QStringList BaudTexts() {
    QStringList texts;
    for (const BaudEntry& entry : kBaudEntries)
        texts << entry.text;
    return texts;
}

// Text that names no baud entry sends code 0, which is 9600 bit/s.
const BaudEntry& BaudFor(const QString& text) {
    for (const BaudEntry& entry : kBaudEntries)
        if (entry.text == text)
            return entry;
    return kBaudEntries[0];
}

std::uint8_t CommModeCode(const QString& text) {
    if (text == kRs232)
        return 3;
    if (text == kRs485)
        return 1;
    if (text == kWiegand)
        return 2;
    return 0;
}

// Runs a callback once the drop-down of a list has closed and the list has taken the entry the
// operator picked (the popup hides before the selection is applied, so the call is queued).
class CCloseUpWatcher : public QObject {
public:
    CCloseUpWatcher(QComboBox* list, std::function<void()> onCloseUp)
        : QObject(list), m_onCloseUp(std::move(onCloseUp)) {
        list->view()->parentWidget()->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Hide)
            QMetaObject::invokeMethod(this, m_onCloseUp, Qt::QueuedConnection);
        return QObject::eventFilter(watched, event);
    }

private:
    std::function<void()> m_onCloseUp;
};

} // namespace

CWorkmode::CWorkmode(IPageHost& host) : CPropertyPage(QStringLiteral("Work Mode")), m_host(host) {}

CWorkmode::~CWorkmode() = default;

// ---- controls ----

QSize CWorkmode::FormSizeHint() const {
    return SizeOfForm<Ui::WorkmodePage>();
}

void CWorkmode::BuildControls(QWidget* page) {
    Ui::WorkmodePage form;
    form.setupUi(page);
    m_masterSlaveRadio = form.masterSlaveRadio;
    m_timerRadio = form.timerRadio;
    m_triggerRadio = form.triggerRadio;
    m_idBorderCheck = form.idBorderCheck;
    m_idBorderIntervalLabel = form.idBorderIntervalLabel;
    m_idBorderIntervalBox = form.idBorderIntervalBox;
    m_idBorderUnitLabel = form.idBorderUnitLabel;
    m_timerGroup = form.timerGroup;
    m_timerIntervalBox = form.timerIntervalBox;
    m_triggerGroup = form.triggerGroup;
    m_triggerList = form.triggerList;
    m_shutDownDelayBox = form.shutDownDelayBox;
    m_commModeList = form.commModeList;
    m_rs232Group = form.rs232Group;
    m_baud232List = form.rs232BaudList;
    m_rs485Group = form.rs485Group;
    m_baud485List = form.rs485BaudList;
    m_wiegandGroup = form.wiegandGroup;
    m_wiegandList = form.wiegandProtocolList;
    m_pulseWidthBox = form.pulseWidthBox;
    m_pulseCycleBox = form.pulseCycleBox;
    m_userCodeBox = form.userCodeBox;

    m_triggerList->addItems(kTriggerEntries);
    m_commModeList->addItems(kCommModeEntries);
    m_baud232List->addItems(BaudTexts());
    m_baud485List->addItems(BaudTexts());
    m_wiegandList->addItems(kWiegandEntries);

    QObject::connect(form.defaultButton, &QPushButton::clicked, page, [this] { OnDefault(); });
    QObject::connect(form.getSettingsButton, &QPushButton::clicked, page,
                     [this] { OnGetSettings(); });
    QObject::connect(form.setSettingsButton, &QPushButton::clicked, page,
                     [this] { OnSetSettings(); });
    QObject::connect(m_masterSlaveRadio, &QRadioButton::clicked, page,
                     [this] { OnRadioMasterSlave(); });
    QObject::connect(m_timerRadio, &QRadioButton::clicked, page, [this] { OnRadioTimer(); });
    QObject::connect(m_triggerRadio, &QRadioButton::clicked, page, [this] { OnRadioTrigger(); });
    QObject::connect(m_idBorderCheck, &QCheckBox::clicked, page, [this] { OnIdBorderClicked(); });
    QObject::connect(m_triggerList, &QComboBox::currentTextChanged, page,
                     [this] { m_triggerText = ListText(m_triggerList); });
    new CCloseUpWatcher(m_commModeList, [this] { OnCommModeCloseUp(); });
    QObject::connect(m_commModeList, &QComboBox::currentTextChanged, page,
                     [this] { m_commModeText = ListText(m_commModeList); });
    QObject::connect(m_baud232List, &QComboBox::currentTextChanged, page,
                     [this] { m_baud232Text = ListText(m_baud232List); });
    QObject::connect(m_baud485List, &QComboBox::currentTextChanged, page,
                     [this] { m_baud485Text = ListText(m_baud485List); });
    QObject::connect(m_wiegandList, &QComboBox::currentTextChanged, page,
                     [this] { m_wiegandText = ListText(m_wiegandList); });
}

void CWorkmode::OnInitDialog() {
    CPropertyPage::OnInitDialog();

    SelectCommMode(kRs485);
    SelectListText(m_baud232List, kBaudEntries[0].text);
    SelectListText(m_baud485List, kBaudEntries[0].text);
    SelectWiegand(kWiegandEntries[0]);
    SelectTrigger(kHighLevelTrigger);

    m_rs232Group->setEnabled(false);
    m_wiegandGroup->setEnabled(false);
    m_triggerGroup->setEnabled(false);
    m_rs485Group->setEnabled(true);
    m_timerGroup->setEnabled(true);

    m_workMode = 1;
    m_shutDownDelay = 10;
    m_userCode = 0;
    m_pulseCycle = 12;
    m_pulseWidth = 8;
    m_timerInterval = 15;
    m_idBorderOn = 0;
    EnableIdBorderInterval(false);
    m_idBorderInterval = 10;

    UpdateData(false);
    if (!m_windowStartsGet)
        OnGetSettings();
}

bool CWorkmode::UpdateData(bool fromControls) {
    if (!HasWindow())
        return true;
    ExchangeRadio(fromControls, {m_masterSlaveRadio, m_timerRadio, m_triggerRadio}, m_workMode);
    if (!ExchangeInt(fromControls, m_userCodeBox, m_userCode) ||
        !ExchangeInt(fromControls, m_shutDownDelayBox, m_shutDownDelay) ||
        !ExchangeInt(fromControls, m_pulseCycleBox, m_pulseCycle) ||
        !ExchangeInt(fromControls, m_pulseWidthBox, m_pulseWidth))
        return false;
    ExchangeCheck(fromControls, m_idBorderCheck, m_idBorderOn);
    return ExchangeInt(fromControls, m_idBorderIntervalBox, m_idBorderInterval) &&
           ExchangeInt(fromControls, m_timerIntervalBox, m_timerInterval);
}

// ---- enabling ----

void CWorkmode::EnableForMode(Mode mode) {
    if (!HasWindow())
        return;
    m_timerGroup->setEnabled(mode == Mode::Timer);
    m_triggerGroup->setEnabled(mode == Mode::Trigger);
}

void CWorkmode::EnableForOutput(Output output) {
    if (!HasWindow())
        return;
    m_rs232Group->setEnabled(output == Output::Rs232);
    m_rs485Group->setEnabled(output == Output::Rs485);
    m_wiegandGroup->setEnabled(output == Output::Wiegand);
}

void CWorkmode::EnableIdBorderInterval(bool enable) {
    if (!HasWindow())
        return;
    m_idBorderIntervalLabel->setEnabled(enable);
    m_idBorderIntervalBox->setEnabled(enable);
    m_idBorderUnitLabel->setEnabled(enable);
}

// ---- lists ----

QString CWorkmode::TriggerText() const {
    return HasWindow() ? ListText(m_triggerList) : m_triggerText;
}
QString CWorkmode::CommModeText() const {
    return HasWindow() ? ListText(m_commModeList) : m_commModeText;
}
QString CWorkmode::Baud232Text() const {
    return HasWindow() ? ListText(m_baud232List) : m_baud232Text;
}
QString CWorkmode::Baud485Text() const {
    return HasWindow() ? ListText(m_baud485List) : m_baud485Text;
}
QString CWorkmode::WiegandText() const {
    return HasWindow() ? ListText(m_wiegandList) : m_wiegandText;
}

void CWorkmode::SelectTrigger(const QString& text) {
    if (HasWindow())
        SelectListText(m_triggerList, text);
    m_triggerText = kTriggerEntries.contains(text) ? text : QString();
}
void CWorkmode::SelectCommMode(const QString& text) {
    if (HasWindow())
        SelectListText(m_commModeList, text);
    m_commModeText = kCommModeEntries.contains(text) ? text : QString();
}
void CWorkmode::SelectWiegand(const QString& text) {
    if (HasWindow())
        SelectListText(m_wiegandList, text);
    m_wiegandText = kWiegandEntries.contains(text) ? text : QString();
}

// ---- operator actions ----

void CWorkmode::OnRadioMasterSlave() {
    EnableForMode(Mode::MasterSlave);
}
void CWorkmode::OnRadioTimer() {
    EnableForMode(Mode::Timer);
}
void CWorkmode::OnRadioTrigger() {
    EnableForMode(Mode::Trigger);
}

void CWorkmode::OnIdBorderClicked() {
    UpdateData(true);
    EnableIdBorderInterval(m_idBorderOn != 0);
}

void CWorkmode::OnCommModeCloseUp() {
    const QString text = CommModeText();
    if (text == kRs232)
        EnableForOutput(Output::Rs232);
    else if (text == kRs485)
        EnableForOutput(Output::Rs485);
    else if (text == kWiegand)
        EnableForOutput(Output::Wiegand);
}

void CWorkmode::OnDefault() {
    if (m_host.State().m_connected != 1)
        return;
    m_workMode = 1;
    if (m_idBorderOn == 1) {
        m_idBorderOn = 0;
        EnableIdBorderInterval(false);
    }
    m_timerInterval = 15;
    m_shutDownDelay = 10;
    m_pulseWidth = 8;
    m_pulseCycle = 12;
    m_userCode = 0;
    UpdateData(false);
    EnableForMode(Mode::Timer);
    EnableForOutput(Output::Rs232);
    SelectTrigger(kTriggerEntries[0]);
    SelectCommMode(kCommModeEntries[0]);
    SelectWiegand(kWiegandEntries[0]);
}

void CWorkmode::OnSetSettings() {
    if (m_host.State().m_connected != 1)
        return;
    m_host.OpenPortIfClosed();
    UpdateData(true);

    if (m_workMode >= 0 && m_workMode <= 2) {
        m_host.State().m_modeMasterSlave = m_workMode == 0 ? 1 : 0;
        m_host.State().m_modeTimer = m_workMode == 1 ? 1 : 0;
        m_host.State().m_modeTrigger = m_workMode == 2 ? 1 : 0;
    }
    const QString output = CommModeText();
    if (output == kRs232 || output == kRs485 || output == kWiegand) {
        m_host.State().m_outRs232 = output == kRs232 ? 1 : 0;
        m_host.State().m_outRs485 = output == kRs485 ? 1 : 0;
        m_host.State().m_outWiegand = output == kWiegand ? 1 : 0;
    }

    m_host.State().ClearConnectAndTagMarks();
    m_host.State().m_waitGetMode = 0;
    m_host.State().m_waitSetParams = 0;
    m_host.State().m_waitGetParams = 0;
    m_host.State().m_waitSetMode = 1;
    m_host.State().m_setModeStep = 1;
    m_host.State().ClearRx();
    m_baudSentRate = 0;

    // The form was transferred just above; a second transfer would only repeat its prompt.
    SendWorkModeValue();
}

void CWorkmode::OnGetSettings() {
    if (m_host.State().m_connected != 1)
        return;
    m_host.OpenPortIfClosed();
    m_host.State().m_waitSetMode = 0;
    m_host.State().ClearConnectAndTagMarks();
    m_host.State().m_getModeStep = 1;
    m_host.State().m_waitGetMode = 1;
    m_baudSentRate = 0;
    ReadWorkMode();
}

// ---- the Set sequence's requests ----

void CWorkmode::Send(const Bytes& frame) {
    m_host.SendRequest(frame);
}

void CWorkmode::Refuse(const QString& text) {
    ShowMessage(HasWindow() ? Window() : m_host.MessageParent(), text);
    // The acknowledgement that brought this request is still in the receive buffer, and it is
    // also the acknowledgement a 0x60 write awaits: left there, the next receive event (a stray
    // byte is enough) would advance the sequence past the refused value and log it as a success.
    if (m_host.State().m_waitSetMode == 1)
        m_host.State().ClearRx();
    // A sender after the baud request runs only once the reader acknowledged it: the reader has
    // switched, and the sequence stops here.
    if (m_baudSentRate != 0 && m_host.State().m_waitSetMode == 1)
        NoteBaudChange();
    m_baudSentRate = 0;
}

void CWorkmode::SendWorkMode() {
    UpdateData(true);
    SendWorkModeValue();
}

void CWorkmode::SendWorkModeValue() {
    std::uint8_t code = 1; // master-slave, also for no selection
    if (m_workMode == 1)
        code = 2;
    else if (m_workMode == 2)
        code = 3;
    Send(BuildWorkMode(code));
}

void CWorkmode::SendTimerInterval() {
    UpdateData(true);
    if (m_timerInterval < 1 || m_timerInterval > 100) {
        Refuse(QStringLiteral("Interval: 1 -100!"));
        return;
    }
    Send(BuildTimerInterval(static_cast<std::uint8_t>(m_timerInterval)));
}

void CWorkmode::SendTriggerMode() {
    const QString text = TriggerText();
    std::uint8_t code = 0xFF;
    if (text == kHighLevelTrigger)
        code = 0x01;
    else if (text == kTriggerOff)
        code = 0x00;
    Send(BuildTriggerMode(code));
}

void CWorkmode::SendShutDownDelay() {
    UpdateData(true);
    if (m_shutDownDelay < 0 || m_shutDownDelay > 240) {
        Refuse(QStringLiteral("Shut Down Delay: 0 - 240"));
        return;
    }
    Send(BuildShutDownDelay(static_cast<std::uint8_t>(m_shutDownDelay)));
}

void CWorkmode::SendIdBorderFlag() {
    UpdateData(true);
    Send(BuildIdBorderFlag(m_idBorderOn == 1 ? 1 : 2));
}

void CWorkmode::SendIdBorderInterval() {
    UpdateData(true);
    if (m_idBorderOn != 1) {
        Send(BuildIdBorderInterval(0));
        return;
    }
    if (m_idBorderInterval < 1 || m_idBorderInterval > 255) {
        Refuse(QStringLiteral("Interval of ID Border Upon Different: 1 - 255"));
        return;
    }
    Send(BuildIdBorderInterval(static_cast<std::uint8_t>(m_idBorderInterval)));
}

void CWorkmode::SendBaud(const QString& listText) {
    const BaudEntry& baud = BaudFor(listText);
    if (m_host.State().m_waitSetMode == 1)
        m_baudSentRate = baud.rate;
    Send(BuildSetBaud(baud.code));
}

void CWorkmode::SendBaudRs232() {
    SendBaud(Baud232Text());
}

void CWorkmode::SendBaudRs485() {
    SendBaud(Baud485Text());
}

void CWorkmode::SendWiegandSettings() {
    const int index = kWiegandEntries.indexOf(WiegandText());
    UpdateData(true);
    if (m_pulseWidth < 1 || m_pulseWidth > 255) {
        Refuse(QStringLiteral("Pulse Width: 0 - 255"));
        return;
    }
    if (m_pulseCycle < 1 || m_pulseCycle > 255) {
        Refuse(QStringLiteral("Pulse Cycle: 0 - 255"));
        return;
    }
    // Typed text names no protocol the reader knows; writing a code outside 1..3 would leave
    // the reader's Wiegand output undefined.
    if (index < 0) {
        Refuse(QStringLiteral("Wiegand Protocol: choose Wiegand26, Wiegand34 or Wiegand32"));
        return;
    }
    Send(BuildWiegandSettings(static_cast<std::uint8_t>(index + 1),
                              static_cast<std::uint8_t>(m_pulseWidth),
                              static_cast<std::uint8_t>(m_pulseCycle)));
}

void CWorkmode::SendUserCode() {
    UpdateData(true);
    if (m_userCode < 0 || m_userCode > 255) {
        Refuse(QStringLiteral("User Code: 0 - 255"));
        return;
    }
    Send(BuildUserCode(static_cast<std::uint8_t>(m_userCode)));
}

void CWorkmode::SendCommMode() {
    Send(BuildCommMode(CommModeCode(CommModeText())));
}

// ---- the Get sequence's requests ----

void CWorkmode::ReadWorkMode() {
    Send(BuildReadWorkMode());
}
void CWorkmode::ReadTriggerMode() {
    Send(BuildReadTriggerMode());
}
void CWorkmode::ReadShutDownDelay() {
    Send(BuildReadShutDownDelay());
}
void CWorkmode::ReadWiegandSettings() {
    Send(BuildReadWiegandSettings());
}
void CWorkmode::ReadUserCode() {
    Send(BuildReadUserCode());
}
void CWorkmode::ReadCommMode() {
    Send(BuildReadCommMode());
}
void CWorkmode::ReadIdBorder() {
    Send(BuildReadIdBorder());
}

void CWorkmode::ShowReadBack() {
    const auto& rb = m_readBack;
    m_workMode = rb[0] - 1;
    if (rb[0] == 1)
        EnableForMode(Mode::MasterSlave);
    else if (rb[0] == 2)
        EnableForMode(Mode::Timer);
    else if (rb[0] == 3)
        EnableForMode(Mode::Trigger);
    m_timerInterval = rb[1];
    SelectTrigger((rb[2] & 0x01) ? kHighLevelTrigger : kTriggerOff);
    m_shutDownDelay = rb[4];
    if (rb[9] == 1) {
        SelectCommMode(kRs485);
        EnableForOutput(Output::Rs485);
    } else if (rb[9] == 2) {
        SelectCommMode(kWiegand);
        EnableForOutput(Output::Wiegand);
    } else if (rb[9] == 3) {
        SelectCommMode(kRs232);
        EnableForOutput(Output::Rs232);
    }
    SelectWiegand(rb[5] >= 1 && rb[5] <= 3 ? kWiegandEntries[rb[5] - 1] : QString());
    m_pulseCycle = rb[7];
    m_pulseWidth = rb[6];
    m_userCode = rb[8];
    if (rb[10] == 1) {
        m_idBorderOn = 1;
        m_idBorderInterval = rb[11];
        EnableIdBorderInterval(true);
    } else if (rb[10] == 2) {
        m_idBorderOn = 0;
        EnableIdBorderInterval(false);
    }
    UpdateData(false);
}

// ---- the baud rate note ----

void CWorkmode::SetSequenceCompleted() {
    if (m_baudSentRate != 0)
        NoteBaudChange();
    m_baudSentRate = 0;
}

void CWorkmode::NoteBaudChange() {
    if (m_host.BaudListRate() == m_baudSentRate)
        return;
    m_host.AddOperationLine(QStringLiteral("The reader now uses %1 bit/s: press Disconnect, choose "
                                           "%1 in Baud Rate and connect again.")
                                .arg(m_baudSentRate));
}
