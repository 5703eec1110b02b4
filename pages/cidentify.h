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

#include "ui/cpropertypage.h"

#include <QPointer>
#include <QString>
#include <cstdint>

class CReaderDlg;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;

class CIdentify : public CPropertyPage {
public:
    explicit CIdentify(CReaderDlg& dlg);

    // Form transfer of the Read Tag Mode radios (m_readMode) and the Data box (m_tagText).
    bool UpdateData(bool fromControls) override;

    // Operator actions.
    void OnIdentifyTag(); // also the dispatcher's resend of a failed single identify
    void OnSingleTag();
    void OnMultipleTags();
    void OnPause();
    void OnClear();

    // Requests. None of them opens or closes the port.
    void SendIdentifySingle();
    void SendReadTagMode(std::uint8_t mode);
    void SendStop();
    void ReadWorkMode();
    void SendCommModeRs232();
    // Sends the stream start and makes the page ready for the records: counters reset, the
    // single identify dropped, Identify Tag disabled, Pause enabled, the Data box emptied.
    void SendMultiStart();

    // Appends one formatted tag line to m_tagText and to the end of the Data box, and scrolls
    // the box to its last line. The box is not rebuilt, so appending stays cheap however long
    // the list grows.
    void AppendTagLine(const QString& line);
    // The record stream was stopped at its limit: Pause off, Identify Tag on.
    void MultiStreamStopped();

    // 0 = Single Tag, 1 = Multiple Tags.
    int m_readMode = 0;
    // Text of the Data box; tag lines are appended to it.
    QString m_tagText;

protected:
    void BuildControls(QWidget* page) override;
    void OnInitDialog() override;
    void OnSetActive() override;

private:
    void EnableButtons(bool identifyTag, bool pause);
    void ShowTagText();
    void ScrollToLastLine();

    CReaderDlg& m_dlg;

    QPointer<QRadioButton> m_singleTagRadio;
    QPointer<QRadioButton> m_multipleTagsRadio;
    QPointer<QPlainTextEdit> m_dataBox;
    QPointer<QPushButton> m_identifyTagButton;
    QPointer<QPushButton> m_pauseButton;

    // True while the Data box shows exactly m_tagText, of m_shownLength characters; only then
    // can a line be appended to the box instead of rebuilding it.
    bool m_boxInStep = false;
    qsizetype m_shownLength = 0;
    bool m_writingBox = false;
};
