#include "pages/cworkmode.h"

#include "pages/pagehost.h"
#include "pages/valuelabels.h"
#include "protocol/commands.h"
#include "protocol/operations.h"
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

const QStringList kWiegandEntries = {QStringLiteral("Wiegand26"), QStringLiteral("Wiegand34"),
                                     QStringLiteral("Wiegand32")};

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

    m_triggerList->addItems(LabelTexts<Trigger>());
    m_commModeList->addItems(LabelTexts<CommMode>());
    m_baud232List->addItems(LabelTexts<Baud>());
    m_baud485List->addItems(LabelTexts<Baud>());
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

    SelectCommMode(LabelText(CommMode::Rs485));
    SelectListText(m_baud232List, LabelText(Baud::B9600));
    SelectListText(m_baud485List, LabelText(Baud::B9600));
    SelectWiegand(kWiegandEntries[0]);
    SelectTrigger(LabelText(Trigger::HighLevel));

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

void CWorkmode::EnableForMode(WorkMode mode) {
    if (!HasWindow())
        return;
    m_timerGroup->setEnabled(mode == WorkMode::Timer);
    m_triggerGroup->setEnabled(mode == WorkMode::Trigger);
}

void CWorkmode::EnableForOutput(CommMode output) {
    if (!HasWindow())
        return;
    m_rs232Group->setEnabled(output == CommMode::Rs232);
    m_rs485Group->setEnabled(output == CommMode::Rs485);
    m_wiegandGroup->setEnabled(output == CommMode::Wiegand);
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
    m_triggerText = FromLabelText<Trigger>(text) ? text : QString();
}
void CWorkmode::SelectCommMode(const QString& text) {
    if (HasWindow())
        SelectListText(m_commModeList, text);
    m_commModeText = FromLabelText<CommMode>(text) ? text : QString();
}
void CWorkmode::SelectWiegand(const QString& text) {
    if (HasWindow())
        SelectListText(m_wiegandList, text);
    m_wiegandText = kWiegandEntries.contains(text) ? text : QString();
}

// ---- operator actions ----

void CWorkmode::OnRadioMasterSlave() {
    EnableForMode(WorkMode::MasterSlave);
}
void CWorkmode::OnRadioTimer() {
    EnableForMode(WorkMode::Timer);
}
void CWorkmode::OnRadioTrigger() {
    EnableForMode(WorkMode::Trigger);
}

void CWorkmode::OnIdBorderClicked() {
    UpdateData(true);
    EnableIdBorderInterval(m_idBorderOn != 0);
}

void CWorkmode::OnCommModeCloseUp() {
    if (const auto output = FromLabelText<CommMode>(CommModeText()))
        EnableForOutput(*output);
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
    EnableForMode(WorkMode::Timer);
    EnableForOutput(CommMode::Rs232);
    SelectTrigger(LabelText(Trigger::HighLevel));
    SelectCommMode(LabelText(CommMode::Rs232));
    SelectWiegand(kWiegandEntries[0]);
}

void CWorkmode::OnSetSettings() {
    if (m_host.State().m_connected != 1)
        return;
    m_host.OpenPortIfClosed();
    UpdateData(true);

    const Bytes first = BeginSetWorkMode(m_host.State(), AtIndex<WorkMode>(m_workMode),
                                         FromLabelText<CommMode>(CommModeText()));
    m_baudSentRate = 0;

    // The form was transferred just above; a second transfer would only repeat its prompt.
    Send(first);
}

void CWorkmode::OnGetSettings() {
    if (m_host.State().m_connected != 1)
        return;
    m_host.OpenPortIfClosed();
    m_baudSentRate = 0;
    Send(BeginGetWorkMode(m_host.State()));
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
    // Master-slave also for no selection.
    Send(BuildWorkMode(Encode(AtIndex<WorkMode>(m_workMode).value_or(WorkMode::MasterSlave))));
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
    const auto trigger = FromLabelText<Trigger>(TriggerText());
    Send(BuildTriggerMode(trigger ? Encode(*trigger) : 0xFF));
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
    // Text that names no baud entry sends code 0, which is 9600 bit/s.
    const Baud baud = FromLabelText<Baud>(listText).value_or(Baud::B9600);
    if (m_host.State().m_waitSetMode == 1)
        m_baudSentRate = BaudRate(baud);
    Send(BuildSetBaud(Encode(baud)));
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
    const auto output = FromLabelText<CommMode>(CommModeText());
    Send(BuildCommMode(output ? Encode(*output) : 0));
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
    const auto mode = Decode<WorkMode>(rb[0]);
    m_workMode = mode ? IndexOf(*mode) : -1;
    if (mode)
        EnableForMode(*mode);
    m_timerInterval = rb[1];
    SelectTrigger(LabelText((rb[2] & 0x01) ? Trigger::HighLevel : Trigger::Off));
    m_shutDownDelay = rb[4];
    if (const auto output = Decode<CommMode>(rb[9])) {
        SelectCommMode(LabelText(*output));
        EnableForOutput(*output);
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
