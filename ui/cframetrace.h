// CFrameTrace: the modeless Frame Trace window. It lists every frame the program sends and every
// frame, multi-tag record and run of noise it receives, with the time in milliseconds since the
// trace started, the direction and the bytes in hex; faulty frames are marked. Lines can be
// copied to the clipboard (the selected ones or all) or saved to a text file.
//
// The main window hands it the bytes it writes and the bytes it takes from the line only while
// the window is open (TracingChanged). Received bytes are cut into frames by a CFrameAssembler of
// its own; the program's receive buffer is never touched. New lines are collected and shown in
// batches, at most one view update per kFlushMs, so a fast stream is not slowed down by the view.
#pragma once

#include "protocol/cframeassembler.h"
#include "ui/cframetracemodel.h"

#include <QDialog>
#include <QElapsedTimer>
#include <QTimer>
#include <vector>

class QLabel;
class QTableView;

class CFrameTrace : public QDialog {
    Q_OBJECT
public:
    static constexpr int kFlushMs = 100;

    explicit CFrameTrace(QWidget* parent = nullptr);

    // A frame the program writes; transmitted is false when the port was closed, so the serial
    // control dropped it.
    void Sent(ByteView frame, bool transmitted);
    // Bytes the program took from the line; streaming tells whether it takes them as multi-tag
    // records.
    void Received(ByteView bytes, bool streaming);
    // Shows the lines collected so far now instead of at the next tick.
    void Flush();

    CFrameTraceModel& Model() { return m_model; }
    QTableView& View() { return *m_view; }
    // The lines as text, one per line (see CFrameTraceModel::LineText), in list order.
    QString SelectedText() const;
    QString AllText() const;

    void CopySelected();
    void CopyAll();
    // Asks for a file name and saves every line there.
    void OnSave();
    // Writes every line to the file; a failure is reported in a message box. Returns success.
    bool SaveTo(const QString& path);
    void OnClear();

signals:
    // The window was opened (true) or closed (false): the main window traces only while open.
    void TracingChanged(bool on);

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Add(TraceLine line);
    void AddReceived(std::vector<TracePiece>& pieces);
    void UpdateCount();
    void StartClock();

    CFrameTraceModel m_model;
    CFrameAssembler m_assembler;
    std::vector<TraceLine> m_pending;
    std::vector<TracePiece> m_pieces; // scratch for the assembler's output
    QElapsedTimer m_clock;
    QTimer m_tick;
    QTableView* m_view = nullptr;
    QLabel* m_about = nullptr;
    QLabel* m_count = nullptr;
};
