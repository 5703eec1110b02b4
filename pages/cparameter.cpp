#include "pages/cparameter.h"

#include "pages/pagehost.h"
#include "protocol/commands.h"
#include "protocol/operations.h"
#include "ui_cparameter.h"
#include "widgets/controls.h"
#include "widgets/messagebox.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QGroupBox>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>

namespace {

constexpr int kMaxPower = 150;

// Antenna mode 1 drives antenna 1 alone; 4 switches over the antennas of the enable mask.
constexpr std::uint8_t kAntennaModeSingle = 1;
constexpr std::uint8_t kAntennaModeMulti = 4;

const QString kPowerRefused = QStringLiteral("Power: 0 - 150");
const QString kNoAntenna = QStringLiteral("No Antenna Selected!");
const QString kNoFixedChannel =
    QStringLiteral("No Fixed Frequency Channel Selected! Choose a channel from 1---902.5MHz to "
                   "50--927.0MHz.");

// The hopping set's check boxes, channel 1 first.
std::array<QCheckBox*, kChannelCount> ChannelChecks(const Ui::ParameterPage& form) {
    std::array<QCheckBox*, kChannelCount> checks{};
    for (int i = 0; i < kChannelCount; ++i)
        checks[i] = form.frequencyBandGroup->findChild<QCheckBox*>(
            QStringLiteral("freq%1Check").arg(i + 1));
    return checks;
}

QStringList ChannelLabels() {
    QStringList labels;
    for (int n = 1; n <= kChannelCount; ++n)
        labels << QString::fromStdString(ChannelLabel(n));
    return labels;
}

} // namespace

// Watches right-button presses on the page and its controls and lets every one of them through.
class CParameter::CRightButtonFilter : public QObject {
public:
    CRightButtonFilter(CParameter& page, QObject* parent) : QObject(parent), m_page(page) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::MouseButtonPress) {
            auto* mouse = static_cast<QMouseEvent*>(event);
            if (mouse->button() == Qt::RightButton)
                m_page.OnRightButtonDown(mouse->timestamp(), mouse->globalPosition().toPoint());
        }
        return QObject::eventFilter(watched, event);
    }

private:
    CParameter& m_page;
};

CParameter::CParameter(IPageHost& host)
    : CPropertyPage(QStringLiteral("Reader Parameters")), m_host(host) {}

CParameter::~CParameter() = default;

// ---- controls ----

QSize CParameter::FormSizeHint() const {
    return SizeOfForm<Ui::ParameterPage>();
}

void CParameter::BuildControls(QWidget* page) {
    Ui::ParameterPage& form = m_form.Build(page);
    form.channelList->addItems(ChannelLabels());

    QObject::connect(form.fixedFrequencyRadio, &QRadioButton::clicked, page,
                     [this] { OnRadioFixed(); });
    QObject::connect(form.hoppingFrequencyRadio, &QRadioButton::clicked, page,
                     [this] { OnRadioHopping(); });
    // The list's text is a value the operator edits in place; the values follow it at once.
    QObject::connect(form.channelList, &QComboBox::currentTextChanged, page,
                     [this, list = form.channelList] { m_values.fixedChannel = ListText(list); });
    QObject::connect(form.parameterDefaultButton, &QPushButton::clicked, page,
                     [this] { OnDefault(); });
    QObject::connect(form.parameterGetSettingsButton, &QPushButton::clicked, page,
                     [this] { OnGetSettings(); });
    QObject::connect(form.parameterSetSettingsButton, &QPushButton::clicked, page,
                     [this] { OnSetSettings(); });

    // Every press reaches the filter first, whichever control it lands on. Drop-down popups are
    // windows of their own and stay out.
    auto* filter = new CRightButtonFilter(*this, page);
    page->installEventFilter(filter);
    for (QWidget* child : page->findChildren<QWidget*>())
        if (!child->isWindow())
            child->installEventFilter(filter);
}

void CParameter::OnInitDialog() {
    CPropertyPage::OnInitDialog();

    SelectFixedChannel(1);
    EnableChannelList(false);

    // The start values; the other antennas and channels and both modes keep what they hold.
    m_values.power = 140;
    m_values.antennas[0] = 1;
    for (int n : kDefaultSixChannels)
        m_values.channels[n - 1] = 1;
    UpdateData(false);

    OnGetSettings();
}

bool CParameter::UpdateData(bool fromControls) {
    Ui::ParameterPage* f = m_form.Get();
    if (!f)
        return true;
    ExchangeRadio(fromControls, {f->fixedFrequencyRadio, f->hoppingFrequencyRadio},
                  m_values.freqMode);
    if (!ExchangeInt(fromControls, f->powerBox, m_values.power))
        return false;
    const auto checks = ChannelChecks(*f);
    for (int i = 0; i < kChannelCount; ++i)
        ExchangeCheck(fromControls, checks[i], m_values.channels[i]);
    QCheckBox* const antennas[] = {f->antenna1Check, f->antenna2Check, f->antenna3Check,
                                   f->antenna4Check};
    for (int k = 0; k < 4; ++k)
        ExchangeCheck(fromControls, antennas[k], m_values.antennas[k]);
    ExchangeRadio(fromControls, {f->singleTagRadio, f->multiTagRadio}, m_values.readMode);
    return true;
}

// ---- the frequency controls ----

int CParameter::SelectedFixedChannel() const {
    return ChannelForLabel(m_values.fixedChannel.toStdString()).value_or(0);
}

void CParameter::SelectFixedChannel(int n) {
    const QString label =
        n >= 1 && n <= kChannelCount ? QString::fromStdString(ChannelLabel(n)) : QString();
    m_values.fixedChannel = label;
    if (Ui::ParameterPage* f = m_form.Get())
        SelectListText(f->channelList, label);
}

void CParameter::EnableChannelList(bool on) {
    if (Ui::ParameterPage* f = m_form.Get())
        f->channelList->setEnabled(on);
}

void CParameter::EnableChannelChecks(bool on) {
    if (Ui::ParameterPage* f = m_form.Get())
        for (QCheckBox* check : ChannelChecks(*f))
            check->setEnabled(on);
}

void CParameter::OnRadioFixed() {
    EnableChannelChecks(false);
    EnableChannelList(true);
}

void CParameter::OnRadioHopping() {
    EnableChannelChecks(true);
    EnableChannelList(false);
}

// ---- the channel menu ----

void CParameter::OnRightButtonDown(unsigned long timestamp, const QPoint& globalPos) {
    // A press the control under the cursor ignores travels on to its parents; open once.
    if (m_seenPress && timestamp == m_lastPressTimestamp && globalPos == m_lastPressPos)
        return;
    m_seenPress = true;
    m_lastPressTimestamp = timestamp;
    m_lastPressPos = globalPos;
    ShowChannelMenu(globalPos);
}

bool CParameter::ShowChannelMenu(const QPoint& globalPos) {
    Ui::ParameterPage* f = m_form.Get();
    if (!f)
        return false;
    QWidget* page = Window();
    const QGroupBox* band = f->frequencyBandGroup;
    const QPoint cursor = page->mapFromGlobal(globalPos);
    const QPoint corner = band->mapTo(page, QPoint(0, 0));
    // Strictly inside: a point on the group's outermost pixel row or column does not count, nor
    // does one past its last.
    const bool inside = corner.x() < cursor.x() && cursor.x() < corner.x() + band->width() &&
                        corner.y() < cursor.y() && cursor.y() < corner.y() + band->height();
    if (!inside)
        return false;

    if (m_channelMenu)
        m_channelMenu->close();
    auto* menu = new QMenu(QStringLiteral("选择频点"), page);
    menu->setObjectName(QStringLiteral("channelMenu"));
    menu->setAttribute(Qt::WA_DeleteOnClose);
    QAction* six = menu->addAction(QStringLiteral("选择六个频点"));
    six->setObjectName(QStringLiteral("selectSixChannelsAction"));
    QAction* all = menu->addAction(QStringLiteral("选择全部频点"));
    all->setObjectName(QStringLiteral("selectAllChannelsAction"));
    QAction* none = menu->addAction(QStringLiteral("取消全部频点"));
    none->setObjectName(QStringLiteral("clearAllChannelsAction"));
    QObject::connect(six, &QAction::triggered, page, [this] { OnSelectSixChannels(); });
    QObject::connect(all, &QAction::triggered, page, [this] { OnSelectAllChannels(); });
    QObject::connect(none, &QAction::triggered, page, [this] { OnClearAllChannels(); });
    m_channelMenu = menu;
    menu->popup(globalPos);
    return true;
}

QMenu* CParameter::ChannelMenu() const {
    return m_channelMenu;
}

void CParameter::SetChannelsIfHopping(const ChannelFlags& flags) {
    // A transfer stopped at the power box leaves the members behind it stale; writing them back
    // would undo what the operator clicked, so the command ends there.
    if (!UpdateData(true))
        return;
    if (m_values.freqMode != 1)
        return;
    m_values.channels = flags;
    UpdateData(false);
}

void CParameter::OnSelectSixChannels() {
    SetChannelsIfHopping(DefaultSixChannels());
}

void CParameter::OnSelectAllChannels() {
    ChannelFlags all;
    all.fill(1);
    SetChannelsIfHopping(all);
}

void CParameter::OnClearAllChannels() {
    SetChannelsIfHopping(ChannelFlags{});
}

// ---- Default, Get and Set ----

void CParameter::OnDefault() {
    if (m_host.State().m_connected != 1)
        return;
    // A prompt at the power box stops this transfer, but every member after it is set below.
    UpdateData(true);
    if (m_values.freqMode == 0) {
        m_values.freqMode = 1;
        EnableChannelList(false);
        EnableChannelChecks(true);
    }
    m_values.power = 135;
    m_values.antennas = {1, 0, 0, 0};
    m_values.readMode = 0;
    m_values.channels = DefaultSixChannels();
    UpdateData(false);
}

void CParameter::OnSetSettings() {
    if (m_host.State().m_connected != 1)
        return;
    m_host.OpenPortIfClosed();
    BeginSetParameters(m_host.State());
    SendPower();
}

void CParameter::OnGetSettings() {
    if (m_host.State().m_connected != 1)
        return;
    m_host.OpenPortIfClosed();
    Send(BeginGetParameters(m_host.State()));
}

// ---- requests ----

void CParameter::Send(const Bytes& frame) {
    m_host.SendRequest(frame);
}

void CParameter::Refuse(const QString& text) {
    ShowMessage(m_host.MessageParent(), text);
}

// Each writer sends nothing when its form transfer stopped at a box without a whole number: the
// prompt has told the operator, and the members it did not reach are not what the page shows.

void CParameter::SendPower() {
    if (!UpdateData(true))
        return;
    if (m_values.power > kMaxPower || m_values.power < 0) {
        Refuse(kPowerRefused);
        return;
    }
    Send(BuildPower(static_cast<std::uint8_t>(m_values.power)));
}

void CParameter::SendAntennas() {
    if (!UpdateData(true))
        return;
    std::uint8_t mask = 0;
    for (int k = 0; k < 4; ++k)
        if (m_values.antennas[k] != 0)
            mask |= static_cast<std::uint8_t>(1u << k);
    if (mask == 0) {
        Refuse(kNoAntenna);
        return;
    }
    const std::uint8_t mode = mask == 0x01 ? kAntennaModeSingle : kAntennaModeMulti;
    Send(BuildAntennas(mode, mask));
}

void CParameter::SendFixedChannel() {
    if (!UpdateData(true))
        return;
    int channel = 0; // 0 tells the reader to hop
    if (m_values.freqMode == 0) {
        channel = SelectedFixedChannel();
        // The reader needs a channel 1 .. 50 here; a list showing none is refused, not guessed.
        if (channel == 0) {
            Refuse(kNoFixedChannel);
            return;
        }
    }
    Send(BuildFixedChannel(static_cast<std::uint8_t>(channel)));
}

void CParameter::SendChannelMask() {
    if (!UpdateData(true))
        return;
    Send(BuildChannelMask(EncodeChannelMask(m_values.channels)));
}

void CParameter::SendReadTagMode() {
    if (!UpdateData(true))
        return;
    Send(BuildReadTagMode(m_values.readMode == 1 ? 1 : 0));
}

void CParameter::ReadPower() {
    Send(BuildReadPower());
}

void CParameter::ReadFixedChannel() {
    Send(BuildReadFixedChannel());
}

void CParameter::ReadChannelMask() {
    Send(BuildReadChannelMask());
}

void CParameter::ReadAntennas() {
    Send(BuildReadAntennas());
}

void CParameter::ReadReadTagMode() {
    Send(BuildReadReadTagMode());
}

// ---- the read-back ----

void CParameter::ShowReadBack() {
    m_values.power = m_readBack[0];

    const int fixedChannel = m_readBack[1];
    if (fixedChannel == 0) {
        m_values.freqMode = 1;
        EnableChannelChecks(true);
        EnableChannelList(false);
        ChannelMask mask;
        std::copy(m_readBack.begin() + 2, m_readBack.begin() + 2 + kChannelMaskSize, mask.begin());
        m_values.channels = DecodeChannelMask(mask);
    } else {
        // The mask read back stays unshown; the check boxes keep their states.
        m_values.freqMode = 0;
        SelectFixedChannel(fixedChannel);
        EnableChannelChecks(false);
        EnableChannelList(true);
    }

    // Byte 9, the antenna mode, follows from the mask and is not shown.
    for (int k = 0; k < 4; ++k)
        m_values.antennas[k] = (m_readBack[10] >> k) & 1;

    const int readMode = m_readBack[11];
    m_values.readMode = readMode == 0 || readMode == 1 ? readMode : -1;

    UpdateData(false);
}
