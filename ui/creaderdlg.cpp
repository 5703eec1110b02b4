#include "ui/creaderdlg.h"

#include "link/portnames.h"
#include "pages/cidentify.h"
#include "pages/cparameter.h"
#include "pages/cread.h"
#include "pages/cstart.h"
#include "pages/cworkmode.h"
#include "protocol/answers.h"
#include "protocol/closedelay.h"
#include "protocol/commands.h"
#include "protocol/dispatcher.h"
#include "protocol/operations.h"
#include "protocol/pendingoperation.h"
#include "ui/appicon.h"
#include "ui/caboutdlg.h"
#include "ui/cframetrace.h"
#include "ui/cinventorydlg.h"
#include "ui/cinventorymodel.h"
#include "ui/coperationlog.h"
#include "ui/cportlist.h"
#include "ui/operationlistfile.h"
#include "widgets/controls.h"
#include "widgets/cpropertysheet.h"
#include "widgets/messagebox.h"
#include "widgets/modal.h"

#include "ui/screenfit.h"
#include "ui_creaderdlg.h"

#include <QComboBox>
#include <QDateTime>
#include <QKeyEvent>
#include <QMenuBar>
#include <QPushButton>
#include <QScrollArea>
#include <future>

CReaderDlg::CReaderDlg(QWidget* parent)
    : QDialog(parent), m_start(std::make_unique<CStart>()),
      m_identify(std::make_unique<CIdentify>(*this)), m_read(std::make_unique<CRead>(*this)),
      m_workmode(std::make_unique<CWorkmode>(*this)),
      m_parameter(std::make_unique<CParameter>(*this)),
      m_inventory(std::make_unique<CInventoryModel>()) {
    m_connectTimer.setSingleShot(false);
    connect(&m_connectTimer, &QTimer::timeout, this, &CReaderDlg::OnConnectTimer);
    m_closeTimer.setSingleShot(true);
    connect(&m_closeTimer, &QTimer::timeout, this, &CReaderDlg::ClosePortNow);
    connect(&m_serial, &CMSComm::OnComm, this, &CReaderDlg::OnComm);
    connect(&m_serial, &CMSComm::DeviceLost, this, &CReaderDlg::OnDeviceLost);

    // Asking the system for its serial devices takes a few milliseconds; it runs while the
    // window is built.
    std::future<QStringList> ports = std::async(std::launch::async, PortListEntries);
    BuildWindow();
    m_statusBar->SetActivitySource([this] { return CurrentActivity(); });
    connect(m_statusBar, &CStatusBar::CancelClicked, this, &CReaderDlg::OnCancelWaiting);

    setWindowIcon(AppIcon());
    m_sheet->SetPages({m_start.get()});
    m_settingsShown = 0;
    m_disconnectButton->setEnabled(false);
    m_demonstrationButton->setEnabled(false);
    m_updateSettingsButton->setEnabled(false);
    m_portList->addItems(ports.get());
    m_portList->setCurrentIndex(0);
    m_baudList->addItems({QStringLiteral("9600"), QStringLiteral("19200"), QStringLiteral("38400"),
                          QStringLiteral("57600"), QStringLiteral("115200")});
    m_baudList->setCurrentIndex(0);
    m_state.ClearRx();
    setWindowTitle(kAppTitle);
    OpenAtPreferredSize(this);
}

CReaderDlg::~CReaderDlg() {
    // The sheet goes first, while the pages whose controls it holds still exist.
    delete m_sheet;
    m_sheet = nullptr;
    // The Inventory window goes before the model it shows.
    delete m_inventoryDlg;
    m_inventoryDlg = nullptr;
    // The Frame Trace window goes while the window it watches is still whole.
    delete m_traceWindow;
    m_traceWindow = nullptr;
    m_trace = nullptr;
}

void CReaderDlg::BuildWindow() {
    InstallListAccessibility();
    Ui::ReaderDlg form;
    form.setupUi(this);
    m_portList = form.portList;
    m_baudList = form.baudList;
    m_connectButton = form.connectButton;
    m_disconnectButton = form.disconnectButton;
    m_updateSettingsButton = form.updateSettingsButton;
    m_deviceSettingsButton = form.deviceSettingsButton;
    m_demonstrationButton = form.demonstrationButton;
    m_clearListButton = form.clearOperationListButton;
    m_sheet = form.sheet;
    m_opList = form.operationList;
    m_pageScroll = form.pageScroll;
    m_statusBar = form.statusBar;

    m_menuBar = new QMenuBar(this);
    // The reader's login and password functions stay out of the way until asked for.
    QMenu* view = m_menuBar->addMenu(tr("&View"));
    QAction* passwords = view->addAction(tr("Show &Password Functions"));
    passwords->setObjectName(QStringLiteral("showPasswordFunctionsAction"));
    passwords->setCheckable(true);
    connect(passwords, &QAction::toggled, this,
            [this](bool shown) { m_read->SetPasswordFunctionsShown(shown); });
    QAction* inventory = view->addAction(tr("&Inventory..."));
    inventory->setObjectName(QStringLiteral("inventoryAction"));
    connect(inventory, &QAction::triggered, this, &CReaderDlg::OnInventory);
    QAction* frameTrace = view->addAction(tr("&Frame Trace..."));
    frameTrace->setObjectName(QStringLiteral("frameTraceAction"));
    connect(frameTrace, &QAction::triggered, this, &CReaderDlg::OnFrameTrace);
    QMenu* help = m_menuBar->addMenu(tr("&Help"));
    QAction* about = help->addAction(QStringLiteral("关于 Tarnwick(&A)..."));
    about->setObjectName(QStringLiteral("aboutAction"));
    connect(about, &QAction::triggered, this, &CReaderDlg::OnAbout);
    AddSaveOperationListAction(*m_opList, *view);
    layout()->setMenuBar(m_menuBar);

    // The sheet keeps room for the largest page, so the window opens big enough for every group.
    QSize room;
    for (const CPropertyPage* page : std::initializer_list<const CPropertyPage*>{
             m_start.get(), m_identify.get(), m_read.get(), m_workmode.get(), m_parameter.get()})
        room = room.expandedTo(page->FormSizeHint());
    m_sheet->SetPageRoom(room);

    connect(m_connectButton, &QPushButton::clicked, this, &CReaderDlg::OnConnect);
    connect(m_disconnectButton, &QPushButton::clicked, this, &CReaderDlg::OnDisconnect);
    connect(m_updateSettingsButton, &QPushButton::clicked, this, &CReaderDlg::OnUpdateSettings);
    connect(m_deviceSettingsButton, &QPushButton::clicked, this, &CReaderDlg::OnDeviceSettings);
    connect(m_demonstrationButton, &QPushButton::clicked, this, &CReaderDlg::OnDemonstration);
    connect(m_clearListButton, &QPushButton::clicked, this, &CReaderDlg::OnClearOperationList);
    FinishControls(this);
}

QSize CReaderDlg::sizeHint() const {
    // The scroll area caps its own hint; the window's wish is the whole page host unscrolled.
    const int frame = 2 * m_pageScroll->frameWidth();
    const QSize whole = m_pageScroll->widget()->sizeHint() + QSize(frame, frame);
    return QDialog::sizeHint() + (whole - m_pageScroll->sizeHint()).expandedTo(QSize(0, 0));
}

// ---- the port ----

void CReaderDlg::OpenPortIfClosed() {
    if (m_serial.GetPortOpen()) {
        m_closeTimer.stop();
        return;
    }
    m_serial.SetPortOpen(true);
    if (!m_serial.GetPortOpen()) {
        ReportOpenFailure();
        return;
    }
    // The rest of an answer that was arriving when the port closed reached a closed port and is
    // lost: its start, kept, would stand in front of the next answer as bytes that are no frame.
    m_state.ClearRx();
}

void CReaderDlg::ReportOpenFailure() {
    const OpenFailure failure = m_serial.LastOpenFailure();
    QString cause = m_serial.LastErrorText();
    const QString hint = OpenFailureCause(failure);
    if (!hint.isEmpty() && !cause.contains(hint, Qt::CaseInsensitive))
        cause = cause.isEmpty() ? hint : cause + QStringLiteral(" (") + hint + QLatin1Char(')');
    QString line = QStringLiteral("Cannot open %1: %2").arg(m_serial.Device(), cause);
    if (failure == OpenFailure::PermissionDenied)
        line += QStringLiteral(". ") + OpenFailureNextStep(failure);
    AddOperationLine(line);
}

void CReaderDlg::ClosePortIfOpen() {
    if (m_serial.GetPortOpen() && m_answerDue) {
        // Closed now, the port would lose the head of the answer on its way, and its tail would
        // reach the next operation after a reopen as bytes that are no frame. Held open, the
        // answer arrives whole and the next operation takes it away as a late answer.
        if (!m_closeTimer.isActive())
            m_closeAsked.start();
        HoldPortOpen(m_lastRequestBytes);
        m_statusBar->Refresh();
        return;
    }
    ClosePortNow();
}

void CReaderDlg::ClosePortNow() {
    m_closeTimer.stop();
    if (m_serial.GetPortOpen())
        m_serial.SetPortOpen(false);
    m_statusBar->Refresh();
}

void CReaderDlg::HoldPortOpen(int pendingBytes) {
    const auto line = CMSComm::ParseSettings(m_serial.GetSettings());
    const int quiet = QuietBeforeCloseMs(pendingBytes, line ? line->baud : 0);
    const int left = kCloseDelayLimitMs - static_cast<int>(m_closeAsked.elapsed());
    m_closeTimer.start(std::clamp(quiet, 0, std::max(left, 0)));
}

void CReaderDlg::SendRequest(ByteView frame) {
    ::SendRequest(m_state, *this, frame);
}

void CReaderDlg::WriteToLine(ByteView frame) {
    if (m_trace)
        m_trace->Sent(frame, m_serial.GetPortOpen());
    if (frame.size() > 2)
        m_lastCommand = frame[2];
    m_answerDue = true;
    m_lastRequestBytes = static_cast<int>(frame.size());
    if (m_closeTimer.isActive())
        HoldPortOpen(m_lastRequestBytes);
    m_statusBar->RequestSent();
    m_serial.SetOutput(
        QByteArray(reinterpret_cast<const char*>(frame.data()), static_cast<int>(frame.size())));
}

void CReaderDlg::OnComm() {
    QByteArray input;
    if (m_serial.GetCommEvent() == CMSComm::kEvReceive)
        input = m_serial.GetInput();
    const ByteView received(reinterpret_cast<const std::uint8_t*>(input.constData()),
                            static_cast<std::size_t>(input.size()));
    if (m_trace && !received.empty())
        m_trace->Received(received, IsStreaming(m_state));
    if (m_state.m_waitHandshake == 1 || m_state.m_waitVersion == 1)
        m_attempt.bytesReceived += input.size();
    if (!received.empty()) {
        m_answerDue = false;
        if (m_closeTimer.isActive())
            HoldPortOpen(0); // more of the answer may follow
    }
    // The acknowledgement of a Set sequence's last request ends it; the Work Mode page hears of
    // it once the dispatcher is done with the event.
    const bool setAtLastStep =
        m_state.m_waitSetMode == 1 &&
        m_state.m_setModeStep == SequenceSteps(m_state, &CReaderState::m_waitSetMode);
    DispatchResponse(m_state, *this, received);
    if (setAtLastStep && m_state.m_waitSetMode != 1)
        m_workmode->SetSequenceCompleted();
    m_statusBar->Refresh();
}

void CReaderDlg::OnDeviceLost(const QString& text) {
    m_attempt.lost = true;
    m_statusBar->Refresh();
    AddOperationLine(
        QStringLiteral("Serial device %1 was lost (%2); the port is closed. Check the cable or "
                       "adapter and try again.")
            .arg(m_serial.Device(), text));
}

// ---- the log and messages ----

void CReaderDlg::AddOperationLine(const QString& text) {
    m_opList->AddOperationLine(text);
}

void CReaderDlg::AddOperationLine(const std::string& text) {
    AddOperationLine(QString::fromStdString(text));
}

int CReaderDlg::BaudListRate() const {
    return ListText(m_baudList).toInt();
}

void CReaderDlg::ShowMessage(const std::string& text) {
    ::ShowMessage(this, QString::fromStdString(text));
}

void CReaderDlg::OnClearOperationList() {
    m_opList->DeleteAllItems();
}

void CReaderDlg::OnAbout() {
    CAboutDlg about(this);
    RunModal(about);
}

void CReaderDlg::OnInventory() {
    if (!m_inventoryDlg)
        m_inventoryDlg = new CInventoryDlg(*m_inventory, this);
    m_inventoryDlg->show();
    m_inventoryDlg->raise();
    m_inventoryDlg->activateWindow();
}

void CReaderDlg::OnFrameTrace() {
    if (!m_traceWindow) {
        m_traceWindow = new CFrameTrace(this);
        connect(m_traceWindow, &CFrameTrace::TracingChanged, this,
                [this](bool on) { m_trace = on ? m_traceWindow : nullptr; });
    }
    m_traceWindow->show();
    m_traceWindow->raise();
    m_traceWindow->activateWindow();
}

// ---- connect, disconnect, update settings ----

void CReaderDlg::OnConnect() {
    m_connectTimer.start(s_connectTimeoutMs);
    const QString portText = m_portList->currentText();
    const std::optional<QString> device = DeviceForPortText(portText);
    const QString baudText = m_baudList->currentText();
    const QString settings = baudText + QStringLiteral(",n,8,1");
    m_attempt = ConnectAttempt{};
    m_attempt.port = device.value_or(portText);
    m_attempt.baud = baudText;
    m_attempt.portValid = device.has_value();
    m_attempt.baudValid = CMSComm::ParseSettings(settings).has_value();
    m_statusBar->SetPort(m_attempt.port, baudText);
    if (!m_attempt.portValid || !m_attempt.baudValid) {
        // Typed text that names no port or no baud rate opens nothing; the time-out follows.
        AddOperationLine(QStringLiteral("Failed to Open Comm Port!"));
        AddOperationLine(!device ? QStringLiteral("\"%1\" is not a port: choose COM1 .. COM10, "
                                                  "Simulator or a device path such as "
                                                  "/dev/ttyUSB0.")
                                       .arg(portText)
                                 : QStringLiteral("\"%1\" is not a baud rate.").arg(baudText));
        return;
    }
    // A port still held open for a late answer is kept only for the same line.
    if (m_closeTimer.isActive() &&
        (*device != m_serial.Device() || settings != m_serial.GetSettings()))
        ClosePortNow();
    if (auto number = ComPortNumber(portText))
        m_serial.SetCommPort(static_cast<short>(*number));
    else
        m_serial.SetDevice(*device);
    OpenPortIfClosed();
    m_attempt.opened = m_serial.GetPortOpen();
    if (!m_attempt.opened) {
        m_attempt.openFailure = m_serial.LastOpenFailure();
        m_attempt.openError = m_serial.LastErrorText();
        AddOperationLine(QStringLiteral("Failed to Open Comm Port!"));
        return;
    }
    m_serial.SetSettings(settings);
    m_serial.SetInputMode(1);
    m_serial.SetRThreshold(1);
    m_serial.SetInputLen(0);
    m_serial.GetInput();
    m_connectButton->setEnabled(false);
    SendRequest(BeginConnect(m_state));
}

void CReaderDlg::OnConnectTimer() {
    m_connectTimer.stop();
    ClosePortNow();
    m_connectButton->setEnabled(true);
    // A version answer that never came ends the attempt too; one that comes later is not taken.
    m_state.m_waitVersion = 0;
    m_attempt.lastCommand = m_lastCommand;
    m_statusBar->SetPort({}, {});
    ::ShowMessage(this, QStringLiteral("Failed to Connect Device!"),
                  ConnectFailureDetails(m_attempt));
}

void CReaderDlg::OnHandshakeDone() {
    if (IsVersionAnswer(ByteView(m_state.m_rxBuf.data(), m_state.m_rxCount)))
        m_statusBar->SetFirmware(
            QStringLiteral("V%1.%2").arg(m_state.m_rxBuf[3]).arg(m_state.m_rxBuf[4]));
    m_state.m_connected = 1;
    m_connectButton->setEnabled(false);
    m_disconnectButton->setEnabled(true);
    m_deviceSettingsButton->setEnabled(true);
    m_demonstrationButton->setEnabled(false);
    m_state.m_sheetReady = 1;
    ShowGroup({m_identify.get(), m_read.get()});
    m_demonstrationShown = 1;
}

void CReaderDlg::OnDisconnect() {
    m_connectButton->setEnabled(true);
    m_disconnectButton->setEnabled(false);
    m_updateSettingsButton->setEnabled(false);
    m_opList->DeleteAllItems();
    m_identify->m_values.tagText.clear();
    m_statusBar->SetPort({}, {});
    m_statusBar->SetFirmware({});
    OpenPortIfClosed();
    m_state.m_connected = 0;
    m_state.m_sheetReady = 0;
    if (m_settingsShown == 1 || m_demonstrationShown == 1) {
        ShowGroup({m_start.get()});
        m_settingsShown = 0;
        m_demonstrationShown = 0;
    }
    SendRequest(BuildMultiStart());
    m_connectButton->setEnabled(true);
    m_disconnectButton->setEnabled(false);
    m_updateSettingsButton->setEnabled(false);
    ClosePortIfOpen();
}

void CReaderDlg::OnUpdateSettings() {
    OpenPortIfClosed();
    m_state.m_sheetReady = 0;
    if (m_settingsShown == 0)
        return;
    ShowGroup({m_start.get()});
    SendRequest(BuildMultiStart());
    ClosePortIfOpen();
    m_updateSettingsButton->setEnabled(false);
    m_connectButton->setEnabled(true);
    m_disconnectButton->setEnabled(false);
    m_settingsShown = 0;
    m_state.m_connected = 0;
    m_statusBar->SetPort({}, {});
    m_statusBar->SetFirmware({});
}

// ---- waiting, closing ----

CStatusBar::Activity CReaderDlg::CurrentActivity() const {
    using Activity = CStatusBar::Activity;
    // A port held open only for a late answer is as good as closed: nothing is awaited.
    if (!m_serial.GetPortOpen() || m_closeTimer.isActive())
        return {};
    if (IsStreaming(m_state) && m_lastCommand != kCmdStop)
        return {Activity::Streaming,           {}, 0, 0, false, m_inventory->RunReads(),
                m_inventory->RunDistinctTags()};
    const auto waiting = WaitingOperation(m_state, m_lastCommand);
    if (!waiting)
        return {};
    return {Activity::Waiting, QString::fromLatin1(waiting->name), waiting->step, waiting->steps,
            !waiting->timesOut};
}

void CReaderDlg::OnCancelWaiting() {
    const auto waiting = WaitingOperation(m_state, m_lastCommand);
    if (!waiting || waiting->timesOut || !m_serial.GetPortOpen())
        return;
    CancelOperation(m_state, *waiting);
    m_state.ClearRx();
    if (waiting->flag == &CReaderState::m_waitMultiIdentify) {
        // A start whose acknowledgement was lost may have started the stream all the same.
        SendRequest(BuildStop());
        m_identify->MultiStreamStopped();
    }
    ClosePortIfOpen();
    const QString step =
        waiting->steps > 0
            ? QStringLiteral(" at step %1 of %2").arg(waiting->step).arg(waiting->steps)
            : QString();
    AddOperationLine(QStringLiteral("%1 cancelled%2: the reader did not answer.")
                         .arg(QString::fromLatin1(waiting->name), step));
}

void CReaderDlg::done(int result) {
    // A stream, or one about to start, would run on after the program is gone: the stop request
    // goes out first, and the close lets it reach the line.
    if (m_serial.GetPortOpen() && m_state.m_waitMultiIdentify == 1 && m_lastCommand != kCmdStop)
        SendRequest(BuildStop());
    ClosePortNow();
    QDialog::done(result);
}

void CReaderDlg::keyPressEvent(QKeyEvent* event) {
    // Escape would reject the dialog, which ends the program; the window closes only on purpose.
    if (event->matches(QKeySequence::Cancel)) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

// ---- page groups ----

void CReaderDlg::ShowGroup(const std::vector<CPropertyPage*>& pages) {
    m_sheet->SetPages(pages);
}

void CReaderDlg::OnDemonstration() {
    if (m_state.m_sheetReady != 1)
        return;
    m_updateSettingsButton->setEnabled(false);
    m_demonstrationButton->setEnabled(false);
    m_deviceSettingsButton->setEnabled(true);
    m_settingsShown = 0;
    if (m_demonstrationShown == 1)
        return;
    ShowGroup({m_identify.get(), m_read.get()});
    m_demonstrationShown = 1;
}

void CReaderDlg::OnDeviceSettings() {
    if (m_state.m_sheetReady != 1)
        return;
    m_updateSettingsButton->setEnabled(true);
    m_deviceSettingsButton->setEnabled(false);
    m_demonstrationButton->setEnabled(true);
    m_demonstrationShown = 0;
    if (m_settingsShown == 1)
        return;
    m_workmode->m_windowStartsGet = true;
    ShowGroup({m_workmode.get(), m_parameter.get()});
    m_workmode->m_windowStartsGet = false;
    m_settingsShown = 1;
    OpenPortIfClosed();
    SendRequest(BuildStop());
    // Held open for the stop's answer, the port is still open when the Get begins at once.
    ClosePortIfOpen();
    m_workmode->OnGetSettings();
}

// ---- page operations the dispatcher continues or finishes ----

void CReaderDlg::OnIdentifyTag() {
    m_identify->OnIdentifyTag();
}
void CReaderDlg::SendStop() {
    m_identify->SendStop();
}
void CReaderDlg::SendCommModeRs232() {
    m_identify->SendCommModeRs232();
}
void CReaderDlg::SendMultiStart() {
    m_inventory->StartRun();
    m_identify->SendMultiStart();
}
void CReaderDlg::AppendTagLine(const std::string& line) {
    // Both ways a tag ID is shown come here: a single identify answer and a stream record that
    // passed its checks.
    m_inventory->ObserveTagLine(line, QDateTime::currentMSecsSinceEpoch());
    m_identify->AppendTagLine(QString::fromStdString(line));
}
void CReaderDlg::MultiStreamStopped() {
    m_identify->MultiStreamStopped();
}

void CReaderDlg::OnReadTag() {
    m_read->OnReadTag();
}
void CReaderDlg::OnWriteTag() {
    m_read->OnWriteTag();
}
void CReaderDlg::OnInitialize() {
    m_read->OnInitialize();
}
void CReaderDlg::OnLock() {
    m_read->OnLock();
}
void CReaderDlg::OnDestroy() {
    m_read->OnDestroy();
}
void CReaderDlg::AppendReadData(const std::string& text) {
    m_read->AppendReadData(QString::fromStdString(text));
}
void CReaderDlg::LoginSucceeded() {
    m_read->LoginSucceeded();
}
void CReaderDlg::ShowFastWriteId(const std::string& text) {
    m_read->ShowFastWriteId(QString::fromStdString(text));
}

void CReaderDlg::SendWorkmodeRequest(WorkmodeRequest request) {
    using R = WorkmodeRequest;
    CWorkmode& page = *m_workmode;
    switch (request) {
    case R::SendWorkMode:
        page.SendWorkMode();
        break;
    case R::SendTimerInterval:
        page.SendTimerInterval();
        break;
    case R::SendTriggerMode:
        page.SendTriggerMode();
        break;
    case R::SendShutDownDelay:
        page.SendShutDownDelay();
        break;
    case R::SendIdBorderFlag:
        page.SendIdBorderFlag();
        break;
    case R::SendIdBorderInterval:
        page.SendIdBorderInterval();
        break;
    case R::SendBaudRs232:
        page.SendBaudRs232();
        break;
    case R::SendBaudRs485:
        page.SendBaudRs485();
        break;
    case R::SendWiegandSettings:
        page.SendWiegandSettings();
        break;
    case R::SendUserCode:
        page.SendUserCode();
        break;
    case R::SendCommMode:
        page.SendCommMode();
        break;
    case R::ReadWorkMode:
        page.ReadWorkMode();
        break;
    case R::ReadTriggerMode:
        page.ReadTriggerMode();
        break;
    case R::ReadShutDownDelay:
        page.ReadShutDownDelay();
        break;
    case R::ReadWiegandSettings:
        page.ReadWiegandSettings();
        break;
    case R::ReadUserCode:
        page.ReadUserCode();
        break;
    case R::ReadCommMode:
        page.ReadCommMode();
        break;
    case R::ReadIdBorder:
        page.ReadIdBorder();
        break;
    }
}
ReadBack& CReaderDlg::WorkmodeReadBack() {
    return m_workmode->m_readBack;
}
void CReaderDlg::WorkmodeShowReadBack() {
    m_workmode->ShowReadBack();
}

void CReaderDlg::SendParameterRequest(ParameterRequest request) {
    using R = ParameterRequest;
    CParameter& page = *m_parameter;
    switch (request) {
    case R::SendPower:
        page.SendPower();
        break;
    case R::ReadPower:
        page.ReadPower();
        break;
    case R::SendAntennas:
        page.SendAntennas();
        break;
    case R::SendFixedChannel:
        page.SendFixedChannel();
        break;
    case R::SendChannelMask:
        page.SendChannelMask();
        break;
    case R::SendReadTagMode:
        page.SendReadTagMode();
        break;
    case R::ReadFixedChannel:
        page.ReadFixedChannel();
        break;
    case R::ReadChannelMask:
        page.ReadChannelMask();
        break;
    case R::ReadAntennas:
        page.ReadAntennas();
        break;
    case R::ReadReadTagMode:
        page.ReadReadTagMode();
        break;
    }
}
ReadBack& CReaderDlg::ParameterReadBack() {
    return m_parameter->m_readBack;
}
void CReaderDlg::ParameterShowReadBack() {
    m_parameter->ShowReadBack();
}
