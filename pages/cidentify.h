// The "Tag Identify" page: identifies one tag per click, or starts the reader's stream of tag
// records and lists them as they arrive.
//
// Single Tag: Identify Tag sends one identify request; the dispatcher shows the answer's tag ID
// through AppendTagLine and resends through OnIdentifyTag after a failed answer.
// Multiple Tags: Identify Tag reads the work mode; the dispatcher continues the start chain with
// SendCommModeRs232 and SendMultiStart, then walks the record stream, lists each good record
// through AppendTagLine and stops it with SendStop and MultiStreamStopped at the record limit.
//
// Every operation works on the members when the page has no controls (its group is not in the
// sheet), and touches a control only while it exists.
#pragma once

#include "widgets/cpropertypage.h"

#include <QPointer>
#include <QString>
#include <QTimer>
#include <cstdint>

class IPageHost;
class QCheckBox;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;

class CIdentify : public CPropertyPage {
public:
    explicit CIdentify(IPageHost& host);

    // Form transfer of the Read Tag Mode radios (m_readMode) and the Data box (m_tagText).
    bool UpdateData(bool fromControls) override;
    QSize FormSizeHint() const override;

    // Operator actions.
    void OnIdentifyTag(); // also the dispatcher's resend of a failed single identify
    void OnSingleTag();
    void OnMultipleTags();
    void OnPause();
    void OnClear();

    // Requests. None of them opens or closes the port.
    void SendStop();
    void SendCommModeRs232();
    // Sends the stream start and makes the page ready for the records: counters reset, the
    // single identify dropped, Identify Tag disabled, Pause enabled, the Data box emptied.
    void SendMultiStart();

    // Appends one formatted tag line to m_tagText. The Data box follows within BoxRefreshMs():
    // the lines that came in meanwhile are added to its end in one edit and the box is scrolled
    // to its last line. Laying out a line costs more than the rest of a record's handling, so
    // the box takes a stream's lines a screen refresh at a time, and is never rebuilt for a line,
    // so appending stays cheap however long the list grows.
    void AppendTagLine(const QString& line);
    // Brings the Data box up to m_tagText now. Returns at once when it already shows it.
    void RefreshBox();
    bool BoxRefreshPending() const { return m_boxTimer.isActive(); }
    static constexpr int kBoxRefreshMs = 30;
    // A continuous stream scrolls by faster than anyone reads it: its lines go to the box four
    // times a second, which keeps the box's cost per record low.
    static constexpr int kContinuousBoxRefreshMs = 250;
    int BoxRefreshMs() const { return m_boxTimer.interval(); }
    // The record stream was stopped at its limit: Pause off, Identify Tag on.
    void MultiStreamStopped();

    // 0 = Single Tag, 1 = Multiple Tags.
    int m_readMode = 0;
    // 1: the record stream runs until Pause, with no stop at the record limit, and the Data box
    // keeps only the newest kContinuousLines lines. Takes effect at once, also mid-stream.
    int m_continuous = 0;
    static constexpr int kContinuousLines = 1000;
    // Text of the Data box; tag lines are appended to it.
    QString m_tagText;

protected:
    void BuildControls(QWidget* page) override;
    void OnInitDialog() override;
    void OnSetActive() override;

private:
    void EnableButtons(bool identifyTag, bool pause);
    void ShowTagText();
    void AppendPending();
    bool TextIsKnown() const {
        return m_tagText.isSharedWith(m_knownText) ||
               (m_tagText.isEmpty() && m_knownText.isEmpty());
    }
    void ScrollToLastLine();
    // Continuous: m_tagText and the box drop their oldest lines beyond kContinuousLines.
    void ApplyContinuous();
    void TrimTagText();

    IPageHost& m_host;

    QPointer<QRadioButton> m_singleTagRadio;
    QPointer<QRadioButton> m_multipleTagsRadio;
    QPointer<QPlainTextEdit> m_dataBox;
    QPointer<QPushButton> m_identifyTagButton;
    QPointer<QPushButton> m_pauseButton;
    QPointer<QCheckBox> m_continuousCheck;

    // True while the Data box shows exactly the first m_shownLength characters of m_knownText,
    // with no edit of the operator's; only then can lines be appended to the box instead of
    // rebuilding it.
    bool m_boxInStep = false;
    qsizetype m_shownLength = 0;
    bool m_writingBox = false;
    // m_tagText as this page last left it, sharing its characters: while m_tagText still
    // shares them, nobody has changed the text since, and the box needs only what was
    // appended. m_roundTrips: the text reads back from the box unchanged (no bare line breaks
    // or other characters the box turns into something else).
    QString m_knownText;
    bool m_roundTrips = true;
    // Lines appended to m_knownText and not yet to the box. m_boxRebuild: the text changed
    // otherwise meanwhile.
    QString m_boxPending;
    bool m_boxRebuild = false;
    QTimer m_boxTimer;
};
