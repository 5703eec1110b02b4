// CReaderDlg: the main window, and the owner of everything that outlives one handler.
//
//   CReaderDlg   the window: port settings, page-group buttons, the page host and the operation
//                list. It owns the serial control (m_serial), the receive buffer and the
//                pending-operation state (m_state, a CReaderState), and the five page objects.
//   CMSComm      the serial control; its receive event runs DispatchResponse.
//   DispatchResponse (protocol/) recognises every answer and calls back into this window
//                through IReaderHost, which forwards page operations to the pages.
//   Pages        CStart, CIdentify, CRead, CWorkmode, CParameter: they reach this window through
//                IPageHost (the state, the line, the operation list); their controls live only
//                while their group is in the sheet.
//   Inventory    CInventoryModel counts every tag ID AppendTagLine shows; View > Inventory
//                shows it in CInventoryDlg.
//   Status bar   CStatusBar shows the port, the firmware and what the window is doing
//                (CurrentActivity); its Cancel gives up an operation the reader does not answer.
#pragma once

#include "link/cmscomm.h"
#include "pages/pagehost.h"
#include "protocol/readerhost.h"
#include "protocol/readerstate.h"
#include "ui/connectfailure.h"
#include "ui/cstatusbar.h"

#include <QDialog>
#include <QElapsedTimer>
#include <QTimer>
#include <memory>
#include <vector>

class QComboBox;
class QLabel;
class QMenuBar;
class QPushButton;
class QScrollArea;
class COperationLog;
class CInventoryModel;
class CInventoryDlg;
class CFrameTrace;
class CPropertySheet;
class CPropertyPage;
class CStart;
class CIdentify;
class CRead;
class CWorkmode;
class CParameter;

class CReaderDlg : public QDialog, public IPageHost, public IReaderHost {
    Q_OBJECT
public:
    // Period of the connect timer. Tests shorten it.
    static inline int s_connectTimeoutMs = 3000;

    explicit CReaderDlg(QWidget* parent = nullptr);
    ~CReaderDlg() override;

    // The receive buffer and the pending-operation state the pages and the dispatcher share.
    CReaderState& State() override { return m_state; }
    const CReaderState& State() const { return m_state; }

    // The serial control and the two port steps used around every exchange.
    CMSComm m_serial;
    // Opening finds a port still held open for a late answer open, and keeps it.
    void OpenPortIfClosed() override;
    // Closes the port, but holds it open while the answer to the last request sent may still be
    // on its way (a handler closing right after a request whose answer it does not wait for):
    // it closes once the line has been quiet long enough, unless an operation starts meanwhile.
    void ClosePortIfOpen() override;
    // Hands one request frame to the line and empties the receive buffer.
    void SendRequest(ByteView frame) override;
    void AddOperationLine(const QString& text) override;
    QWidget* MessageParent() override { return this; }
    int BaudListRate() const override;

    // Operator actions of the main window.
    void OnConnect();
    void OnDisconnect();
    void OnUpdateSettings();
    void OnDeviceSettings();
    void OnDemonstration();
    void OnClearOperationList();
    void OnAbout();
    // View > Inventory: shows the Inventory window, made on first use.
    void OnInventory();
    // View > Frame Trace: shows the Frame Trace window, made on first use. Frames are traced
    // only while it is open.
    void OnFrameTrace();
    // The status bar's Cancel: gives up the operation waiting for an answer, closes the port and
    // says so in the operation list.
    void OnCancelWaiting();
    // What the status bar shows: idle while the port is closed or closing, else the stream or the
    // operation waiting for an answer.
    CStatusBar::Activity CurrentActivity() const;

    // Page groups.
    int m_demonstrationShown = 0;
    int m_settingsShown = 0;

    CStart& StartPage() { return *m_start; }
    CIdentify& IdentifyPage() { return *m_identify; }
    CRead& ReadPage() { return *m_read; }
    CWorkmode& WorkmodePage() { return *m_workmode; }
    CParameter& ParameterPage() { return *m_parameter; }
    CPropertySheet& Sheet() { return *m_sheet; }
    COperationLog& OperationList() { return *m_opList; }
    QTimer& ConnectTimer() { return m_connectTimer; }
    // Every tag ID shown in the Data box, counted whether or not its window is open.
    CInventoryModel& Inventory() { return *m_inventory; }
    CInventoryDlg* InventoryWindow() { return m_inventoryDlg; }
    CFrameTrace* FrameTraceWindow() { return m_traceWindow; }
    CStatusBar& StatusBar() { return *m_statusBar; }

    // Closing the window stops a multi-tag stream and closes the port.
    void done(int result) override;

    // The layout's wish with the page host shown whole, not scrolled.
    QSize sizeHint() const override;

    // IReaderHost.
    void WriteToLine(ByteView frame) override;
    void AddOperationLine(const std::string& text) override;
    void ShowMessage(const std::string& text) override;
    void KillConnectTimer() override { m_connectTimer.stop(); }
    void StartConnectTimer() override { m_connectTimer.start(s_connectTimeoutMs); }
    void OnHandshakeDone() override;
    void OnIdentifyTag() override;
    void SendStop() override;
    void SendCommModeRs232() override;
    void SendMultiStart() override;
    void AppendTagLine(const std::string& line) override;
    void MultiStreamStopped() override;
    void OnReadTag() override;
    void OnWriteTag() override;
    void OnInitialize() override;
    void OnLock() override;
    void OnDestroy() override;
    void AppendReadData(const std::string& text) override;
    void LoginSucceeded() override;
    void ShowFastWriteId(const std::string& text) override;
    void SendWorkmodeRequest(WorkmodeRequest request) override;
    ReadBack& WorkmodeReadBack() override;
    void WorkmodeShowReadBack() override;
    void SendParameterRequest(ParameterRequest request) override;
    ReadBack& ParameterReadBack() override;
    void ParameterShowReadBack() override;

protected:
    // Escape does not close the window.
    void keyPressEvent(QKeyEvent* event) override;

private:
    void BuildWindow();
    void ShowGroup(const std::vector<CPropertyPage*>& pages);
    void OnConnectTimer();
    void OnComm();
    void OnDeviceLost(const QString& text);
    void ReportOpenFailure();
    void ClosePortNow();
    // (Re)starts the quiet time before a held close, pendingBytes still to go out, never past
    // the limit counted from when the close was asked for.
    void HoldPortOpen(int pendingBytes);

    CReaderState m_state;
    std::unique_ptr<CStart> m_start;
    std::unique_ptr<CIdentify> m_identify;
    std::unique_ptr<CRead> m_read;
    std::unique_ptr<CWorkmode> m_workmode;
    std::unique_ptr<CParameter> m_parameter;
    std::unique_ptr<CInventoryModel> m_inventory;
    CInventoryDlg* m_inventoryDlg = nullptr;
    CFrameTrace* m_traceWindow = nullptr;
    CFrameTrace* m_trace = nullptr; // the trace window while it is open, else nullptr

    QMenuBar* m_menuBar = nullptr;
    QComboBox* m_portList = nullptr;
    QComboBox* m_baudList = nullptr;
    QPushButton* m_connectButton = nullptr;
    QPushButton* m_disconnectButton = nullptr;
    QPushButton* m_updateSettingsButton = nullptr;
    QPushButton* m_deviceSettingsButton = nullptr;
    QPushButton* m_demonstrationButton = nullptr;
    QPushButton* m_clearListButton = nullptr;
    CPropertySheet* m_sheet = nullptr;
    QScrollArea* m_pageScroll = nullptr;
    COperationLog* m_opList = nullptr;
    CStatusBar* m_statusBar = nullptr;
    QTimer m_connectTimer;
    QTimer m_closeTimer;            // runs while a close waits for a late answer
    QElapsedTimer m_closeAsked;     // since that close was asked for
    bool m_answerDue = false;       // a request went out and nothing was received since
    int m_lastRequestBytes = 0;     // size of the last request sent
    std::uint8_t m_lastCommand = 0; // command of the last request sent
    ConnectAttempt m_attempt;       // what the last Connect found out
};
