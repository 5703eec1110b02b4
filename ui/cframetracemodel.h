// CFrameTraceModel: the lines of the frame trace, one per frame, record or run of noise, as a
// table of time, direction, bytes and note. It keeps the newest kMaxLines lines and drops the
// oldest beyond them. Lines come in batches, so a fast stream costs one view update per batch.
#pragma once

#include "protocol/cframeassembler.h"

#include <QAbstractTableModel>
#include <QFont>
#include <deque>
#include <vector>

struct TraceLine {
    qint64 ms = 0; // since the trace started
    bool sent = false;
    bool transmitted = true; // sent lines: false when the port was closed and nothing went out
    TracePiece piece;
};

class CFrameTraceModel : public QAbstractTableModel {
    Q_OBJECT
public:
    static constexpr int kMaxLines = 100000;
    enum Column { TimeColumn, DirectionColumn, BytesColumn, NoteColumn, ColumnCount };

    explicit CFrameTraceModel(QObject* parent = nullptr);

    // Appends the lines in order, then drops the oldest beyond kMaxLines.
    void Append(std::vector<TraceLine>& lines);
    void Clear();

    int LineCount() const { return static_cast<int>(m_lines.size()); }
    const TraceLine& Line(int row) const { return m_lines[static_cast<std::size_t>(row)]; }
    // Lines dropped for the limit since the last clear.
    qint64 Dropped() const { return m_dropped; }
    // "time<TAB>direction<TAB>bytes", and "<TAB>note" when there is one.
    QString LineText(int row) const;
    QString Text(int row, int column) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

private:
    std::deque<TraceLine> m_lines;
    qint64 m_dropped = 0;
    QFont m_bytesFont;
};
