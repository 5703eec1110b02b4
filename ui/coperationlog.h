// The operation list: one timed line per finished operation, the newest one highlighted.
#pragma once

#include <QTime>
#include <QTreeWidget>
#include <functional>

class COperationLog : public QTreeWidget {
    Q_OBJECT
public:
    explicit COperationLog(QWidget* parent = nullptr);

    // Appends a line stamped with the local time as "HH:MM:SS", highlights it alone and
    // scrolls to it.
    void AddOperationLine(const QString& text);
    // Deletes every line.
    void DeleteAllItems() { clear(); }

    int LineCount() const { return topLevelItemCount(); }
    QString TimeAt(int line) const;
    QString TextAt(int line) const;

    // Where the time stamps come from (tests set a fixed clock).
    void SetClock(std::function<QTime()> clock) { m_clock = std::move(clock); }

private:
    std::function<QTime()> m_clock = [] { return QTime::currentTime(); };
};
