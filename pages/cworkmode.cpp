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
    Ui::WorkmodePage& form = m_form.Build(page);
    form.triggerList->addItems(LabelTexts<Trigger>());
    form.commModeList->addItems(LabelTexts<CommMode>());
    form.rs232BaudList->addItems(LabelTexts<Baud>());
    form.rs485BaudList->addItems(LabelTexts<Baud>());
    form.wiegandProtocolList->addItems(kWiegandEntries);

    QObject::connect(form.defaultButton, &QPushButton::clicked, page, [this] { OnDefault(); });
    QObject::connect(form.getSettingsButton, &QPushButton::clicked, page,
                     [this] { OnGetSettings(); });
    QObject::connect(form.setSettingsButton, &QPushButton::clicked, page,
                     [this] { OnSetSettings(); });
    QObject::connect(form.masterSlaveRadio, &QRadioButton::clicked, page,
                     [this] { OnRadioMasterSlave(); });
    QObject::connect(form.timerRadio, &QRadioButton::clicked, page, [this] { OnRadioTimer(); });
    QObject::connect(form.triggerRadio, &QRadioButton::clicked, page, [this] { OnRadioTrigger(); });
    QObject::connect(form.idBorderCheck, &QCheckBox::clicked, page,
                     [this] { OnIdBorderClicked(); });
    new CCloseUpWatcher(form.commModeList, [this] { OnCommModeCloseUp(); });
    // The lists' texts are values the operator edits in place; the values follow them at once.
    for (const auto& [list, value] : {std::pair(form.triggerList, &m_values.trigger),
                                      std::pair(form.commModeList, &m_values.commMode),
                                      std::pair(form.rs232BaudList, &m_values.baud232),
                                      std::pair(form.rs485BaudList, &m_values.baud485),
                                      std::pair(form.wiegandProtocolList, &m_values.wiegand)})
        QObject::connect(list, &QComboBox::currentTextChanged, page,
                         [list = list, value = value] { *value = ListText(list); });
}

void CWorkmode::OnInitDialog() {
    CPropertyPage::OnInitDialog();

    Ui::WorkmodePage& f = *m_form.Get();
    SelectCommMode(LabelText(CommMode::Rs485));
    SelectListText(f.rs232BaudList, LabelText(Baud::B9600));
    SelectListText(f.rs485BaudList, LabelText(Baud::B9600));
    SelectWiegand(kWiegandEntries[0]);
    SelectTrigger(LabelText(Trigger::HighLevel));

    f.rs232Group->setEnabled(false);
    f.wiegandGroup->setEnabled(false);
    f.triggerGroup->setEnabled(false);
    f.rs485Group->setEnabled(true);
    f.timerGroup->setEnabled(true);

    m_values.workMode = 1;
    m_values.shutDownDelay = 10;
    m_values.userCode = 0;
    m_values.pulseCycle = 12;
    m_values.pulseWidth = 8;
    m_values.timerInterval = 15;
    m_values.idBorderOn = 0;
    EnableIdBorderInterval(false);
    m_values.idBorderInterval = 10;

    UpdateData(false);
    if (!m_windowStartsGet)
        OnGetSettings();
}

bool CWorkmode::UpdateData(bool fromControls) {
    Ui::WorkmodePage* f = m_form.Get();
    if (!f)
        return true;
    WorkmodeValues& v = m_values;
    ExchangeRadio(fromControls, {f->masterSlaveRadio, f->timerRadio, f->triggerRadio}, v.workMode);
    if (!ExchangeInt(fromControls, f->userCodeBox, v.userCode) ||
        !ExchangeInt(fromControls, f->shutDownDelayBox, v.shutDownDelay) ||
        !ExchangeInt(fromControls, f->pulseCycleBox, v.pulseCycle) ||
        !ExchangeInt(fromControls, f->pulseWidthBox, v.pulseWidth))
        return false;
    ExchangeCheck(fromControls, f->idBorderCheck, v.idBorderOn);
    return ExchangeInt(fromControls, f->idBorderIntervalBox, v.idBorderInterval) &&
           ExchangeInt(fromControls, f->timerIntervalBox, v.timerInterval);
}

// ---- enabling ----

void CWorkmode::EnableForMode(WorkMode mode) {
    if (Ui::WorkmodePage* f = m_form.Get()) {
        f->timerGroup->setEnabled(mode == WorkMode::Timer);
        f->triggerGroup->setEnabled(mode == WorkMode::Trigger);
    }
}

void CWorkmode::EnableForOutput(CommMode output) {
    if (Ui::WorkmodePage* f = m_form.Get()) {
        f->rs232Group->setEnabled(output == CommMode::Rs232);
        f->rs485Group->setEnabled(output == CommMode::Rs485);
        f->wiegandGroup->setEnabled(output == CommMode::Wiegand);
    }
}

void CWorkmode::EnableIdBorderInterval(bool enable) {
    if (Ui::WorkmodePage* f = m_form.Get())
        for (QWidget* control : std::initializer_list<QWidget*>{
                 f->idBorderIntervalLabel, f->idBorderIntervalBox, f->idBorderUnitLabel})
            control->setEnabled(enable);
}

// ---- lists ----

QString CWorkmode::TriggerText() const {
    return m_form.Get() ? ListText(m_form.Get()->triggerList) : m_values.trigger;
}
QString CWorkmode::CommModeText() const {
    return m_form.Get() ? ListText(m_form.Get()->commModeList) : m_values.commMode;
}
QString CWorkmode::Baud232Text() const {
    return m_form.Get() ? ListText(m_form.Get()->rs232BaudList) : m_values.baud232;
}
QString CWorkmode::Baud485Text() const {
    return m_form.Get() ? ListText(m_form.Get()->rs485BaudList) : m_values.baud485;
}
QString CWorkmode::WiegandText() const {
    return m_form.Get() ? ListText(m_form.Get()->wiegandProtocolList) : m_values.wiegand;
}

void CWorkmode::SelectTrigger(const QString& text) {
    if (Ui::WorkmodePage* f = m_form.Get())
        SelectListText(f->triggerList, text);
    m_values.trigger = FromLabelText<Trigger>(text) ? text : QString();
}
void CWorkmode::SelectCommMode(const QString& text) {
    if (Ui::WorkmodePage* f = m_form.Get())
        SelectListText(f->commModeList, text);
    m_values.commMode = FromLabelText<CommMode>(text) ? text : QString();
}
void CWorkmode::SelectWiegand(const QString& text) {
    if (Ui::WorkmodePage* f = m_form.Get())
        SelectListText(f->wiegandProtocolList, text);
    m_values.wiegand = kWiegandEntries.contains(text) ? text : QString();
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
    EnableIdBorderInterval(m_values.idBorderOn != 0);
}

void CWorkmode::OnCommModeCloseUp() {
    if (const auto output = FromLabelText<CommMode>(CommModeText()))
        EnableForOutput(*output);
}

void CWorkmode::OnDefault() {
    if (m_host.State().m_connected != 1)
        return;
    m_values.workMode = 1;
    if (m_values.idBorderOn == 1) {
        m_values.idBorderOn = 0;
        EnableIdBorderInterval(false);
    }
    m_values.timerInterval = 15;
    m_values.shutDownDelay = 10;
    m_values.pulseWidth = 8;
    m_values.pulseCycle = 12;
    m_values.userCode = 0;
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

    const Bytes first = BeginSetWorkMode(m_host.State(), AtIndex<WorkMode>(m_values.workMode),
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
    ShowMessage(m_form.Get() ? Window() : m_host.MessageParent(), text);
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
    Send(BuildWorkMode(
        Encode(AtIndex<WorkMode>(m_values.workMode).value_or(WorkMode::MasterSlave))));
}

void CWorkmode::SendTimerInterval() {
    UpdateData(true);
    if (m_values.timerInterval < 1 || m_values.timerInterval > 100) {
        Refuse(QStringLiteral("Interval: 1 -100!"));
        return;
    }
    Send(BuildTimerInterval(static_cast<std::uint8_t>(m_values.timerInterval)));
}

void CWorkmode::SendTriggerMode() {
    const auto trigger = FromLabelText<Trigger>(TriggerText());
    Send(BuildTriggerMode(trigger ? Encode(*trigger) : 0xFF));
}

void CWorkmode::SendShutDownDelay() {
    UpdateData(true);
    if (m_values.shutDownDelay < 0 || m_values.shutDownDelay > 240) {
        Refuse(QStringLiteral("Shut Down Delay: 0 - 240"));
        return;
    }
    Send(BuildShutDownDelay(static_cast<std::uint8_t>(m_values.shutDownDelay)));
}

void CWorkmode::SendIdBorderFlag() {
    UpdateData(true);
    Send(BuildIdBorderFlag(m_values.idBorderOn == 1 ? 1 : 2));
}

void CWorkmode::SendIdBorderInterval() {
    UpdateData(true);
    if (m_values.idBorderOn != 1) {
        Send(BuildIdBorderInterval(0));
        return;
    }
    if (m_values.idBorderInterval < 1 || m_values.idBorderInterval > 255) {
        Refuse(QStringLiteral("Interval of ID Border Upon Different: 1 - 255"));
        return;
    }
    Send(BuildIdBorderInterval(static_cast<std::uint8_t>(m_values.idBorderInterval)));
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
    if (m_values.pulseWidth < 1 || m_values.pulseWidth > 255) {
        Refuse(QStringLiteral("Pulse Width: 0 - 255"));
        return;
    }
    if (m_values.pulseCycle < 1 || m_values.pulseCycle > 255) {
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
                              static_cast<std::uint8_t>(m_values.pulseWidth),
                              static_cast<std::uint8_t>(m_values.pulseCycle)));
}

void CWorkmode::SendUserCode() {
    UpdateData(true);
    if (m_values.userCode < 0 || m_values.userCode > 255) {
        Refuse(QStringLiteral("User Code: 0 - 255"));
        return;
    }
    Send(BuildUserCode(static_cast<std::uint8_t>(m_values.userCode)));
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
    m_values.workMode = mode ? IndexOf(*mode) : -1;
    if (mode)
        EnableForMode(*mode);
    m_values.timerInterval = rb[1];
    SelectTrigger(LabelText((rb[2] & 0x01) ? Trigger::HighLevel : Trigger::Off));
    m_values.shutDownDelay = rb[4];
    if (const auto output = Decode<CommMode>(rb[9])) {
        SelectCommMode(LabelText(*output));
        EnableForOutput(*output);
    }
    SelectWiegand(rb[5] >= 1 && rb[5] <= 3 ? kWiegandEntries[rb[5] - 1] : QString());
    m_values.pulseCycle = rb[7];
    m_values.pulseWidth = rb[6];
    m_values.userCode = rb[8];
    if (rb[10] == 1) {
        m_values.idBorderOn = 1;
        m_values.idBorderInterval = rb[11];
        EnableIdBorderInterval(true);
    } else if (rb[10] == 2) {
        m_values.idBorderOn = 0;
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
