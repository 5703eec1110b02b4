// The operation list: one timed line per finished operation, the newest one highlighted. The
// operator may select several lines and copy them (Ctrl+C or the context menu's Copy) as
// "time<TAB>text" lines.
//
// The lines live in a model of their own and the view draws the grid itself, so adding a line
// costs the same whether the list holds ten lines or a hundred thousand.
#pragma once

#include <QTableView>
#include <QTime>
#include <functional>

class COperationLogModel;

class COperationLog : public QTableView {
    Q_OBJECT
public:
    explicit COperationLog(QWidget* parent = nullptr);

    // Appends a line stamped with the local time as "HH:MM:SS", highlights it alone and
    // scrolls to it.
    void AddOperationLine(const QString& text);
    // Deletes every line.
    void clear();
    void DeleteAllItems() { clear(); }

    int LineCount() const;
    QString TimeAt(int line) const;
    QString TextAt(int line) const;

    // The selected lines as "time<TAB>text", newline-separated, in list order.
    QString SelectedText() const;
    // Puts SelectedText on the clipboard (nothing when no line is selected).
    void CopySelected();

    // Where the time stamps come from (tests set a fixed clock).
    void SetClock(std::function<QTime()> clock) { m_clock = std::move(clock); }

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void doItemsLayout() override;
    void changeEvent(QEvent* event) override;

private:
    void FitRowsToFont();

    COperationLogModel* m_lines;
    QScrollBar* m_scrollBar = nullptr;
    // While a line is appended: the rows above it keep their place and their pixels.
    bool m_appending = false;
    std::function<QTime()> m_clock = [] { return QTime::currentTime(); };
};
