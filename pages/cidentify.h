// The "Tag Identify" page: identifies one tag per click, or starts the reader's stream of tag
// records and lists them as they arrive.
//
// Single Tag: Identify Tag sends one identify request; the dispatcher shows the answer's tag ID
// through AppendTagLine and resends through OnIdentifyTag after a failed answer.
// Multiple Tags: Identify Tag reads the work mode; the dispatcher continues the start chain with
// SendCommModeRs232 and SendMultiStart, then walks the record stream, lists each good record
// through AppendTagLine and stops it with SendStop and MultiStreamStopped at the record limit.
//
// The page is its values (IdentifyValues) and its form; every operation works on the values and
// reaches a control only through m_form, which has no form while the page has no controls.
#pragma once

#include "widgets/cpropertypage.h"

#include <QString>
#include <QTimer>

class IPageHost;
class QPlainTextEdit;
namespace Ui {
class IdentifyPage;
}

// What the page shows, kept while the page has no controls.
struct IdentifyValues {
    int readMode = 0; // 0 = Single Tag, 1 = Multiple Tags
    // 1: the record stream runs until Pause, with no stop at the record limit, and the Data box
    // keeps only the newest CIdentify::kContinuousLines lines. Takes effect at once, also
    // mid-stream.
    int continuous = 0;
    // Text of the Data box; tag lines are appended to it.
    QString tagText;
};

class CIdentify : public CPropertyPage {
public:
    explicit CIdentify(IPageHost& host);
    ~CIdentify() override;

    // Form transfer of the Read Tag Mode radios, the Continuous check and the Data box.
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

    // Appends one formatted tag line to m_values.tagText. The Data box follows within
    // BoxRefreshMs(): the lines that came in meanwhile are added to its end in one edit and the box
    // is scrolled to its last line. Laying out a line costs more than the rest of a record's
    // handling, so the box takes a stream's lines a screen refresh at a time, and is never rebuilt
    // for a line, so appending stays cheap however long the list grows.
    void AppendTagLine(const QString& line);
    // Brings the Data box up to m_values.tagText now. Returns at once when it already shows it.
    void RefreshBox();
    bool BoxRefreshPending() const { return m_boxTimer.isActive(); }
    static constexpr int kBoxRefreshMs = 30;
    // A continuous stream scrolls by faster than anyone reads it: its lines go to the box four
    // times a second, which keeps the box's cost per record low.
    static constexpr int kContinuousBoxRefreshMs = 250;
    int BoxRefreshMs() const { return m_boxTimer.interval(); }
    // The record stream was stopped at its limit: Pause off, Identify Tag on.
    void MultiStreamStopped();

    static constexpr int kContinuousLines = 1000;
    IdentifyValues m_values;

protected:
    void BuildControls(QWidget* page) override;
    void OnInitDialog() override;
    void OnSetActive() override;

private:
    void EnableButtons(bool identifyTag, bool pause);
    QPlainTextEdit* DataBox() const; // nullptr while the page has no controls
    void ShowTagText();
    void AppendPending();
    bool TextIsKnown() const {
        return m_values.tagText.isSharedWith(m_knownText) ||
               (m_values.tagText.isEmpty() && m_knownText.isEmpty());
    }
    void ScrollToLastLine();
    // Continuous: m_values.tagText and the box drop their oldest lines beyond kContinuousLines.
    void ApplyContinuous();
    void TrimTagText();

    IPageHost& m_host;
    CPageForm<Ui::IdentifyPage> m_form;

    // True while the Data box shows exactly the first m_shownLength characters of m_knownText,
    // with no edit of the operator's; only then can lines be appended to the box instead of
    // rebuilding it.
    bool m_boxInStep = false;
    qsizetype m_shownLength = 0;
    bool m_writingBox = false;
    // m_values.tagText as this page last left it, sharing its characters: while m_values.tagText
    // still shares them, nobody has changed the text since, and the box needs only what was
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
