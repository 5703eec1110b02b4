// CInventoryModel: the tags the program has shown, one row per distinct tag ID, with the antenna
// of its last read, how often it was read (in all and on each antenna) and when it was first and
// last seen.
//
// Observing a read costs a hash lookup and a few stores and emits nothing. A view learns of the
// changes only in Flush, which announces the rows added and the range of rows changed since the
// previous Flush in one go. While the model is live (a window shows it), the first read after a
// Flush starts a single-shot timer that flushes kFlushIntervalMs later; while it is not live,
// reads only accumulate, and SetLive(true) catches up at once.
//
// Times are milliseconds since the epoch, given by the caller, shown as local time.
#pragma once

#include <QAbstractTableModel>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <array>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

class CInventoryModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column {
        IdColumn,
        AntennaColumn,
        ReadsColumn,
        AntennaReadsColumn,
        FirstSeenColumn,
        LastSeenColumn,
        kColumns
    };
    // Antennas whose reads are counted one by one.
    static constexpr int kAntennas = 4;
    // Every cell gives under this role a value that sorts as its column means: numbers and times
    // as numbers, the ID as its text.
    static constexpr int kSortRole = Qt::UserRole;
    static constexpr int kFlushIntervalMs = 1000;

    struct Row {
        QString id; // twelve "%02X" bytes separated by blanks, as in the Data box
        int antenna = 0;
        qint64 reads = 0;
        std::array<qint64, kAntennas> antennaReads{}; // reads on antennas 1..kAntennas
        qint64 firstMs = 0;
        qint64 lastMs = 0;
    };

    explicit CInventoryModel(QObject* parent = nullptr);

    // Counts the tag of one line as the Data box receives it: an optional "NO.n: " prefix,
    // twelve "%02X" bytes separated by blanks, "(Antenna%d) " and CR LF. Text of any other form
    // counts nothing and gives false.
    bool ObserveTagLine(std::string_view line, qint64 nowMs);
    // Counts one read of the tag whose ID text is id.
    void Observe(std::string_view id, int antenna, qint64 nowMs);
    // A stream was started: the next read begins a new run.
    void StartRun();
    // Empties the rows and the counts; the next read begins a new run.
    void Clear();

    void SetLive(bool live);
    bool IsLive() const { return m_live; }
    // Announces the rows added and changed since the last Flush.
    void Flush();
    bool FlushPending() const { return m_flushTimer.isActive(); }

    int DistinctTags() const { return static_cast<int>(m_rows.size()); }
    qint64 TotalReads() const { return m_totalReads; }
    // Reads per second over the last run; nothing while the run has no duration.
    std::optional<double> RunReadsPerSecond() const;
    // Reads of the current run and the distinct tags among them; 0 until a started stream reads.
    qint64 RunReads() const { return m_runStartPending ? 0 : m_runReads; }
    int RunDistinctTags() const { return m_runStartPending ? 0 : m_runDistinct; }
    QString SummaryText() const;
    static QString AntennaReadsText(const Row& row);
    // Every row, announced or not, in the order the tags were first seen.
    const std::vector<Row>& Rows() const { return m_rows; }

    // The rows as CSV: a header record, then one record per row in the given order of row
    // indexes (every row in first-seen order when order is empty); times in ISO 8601 local
    // time with milliseconds and offset.
    QString CsvText(const std::vector<int>& order = {}) const;
    // Writes CsvText to path, replacing the file only once all of it is written. On failure
    // the file is left as it was and *error tells why.
    bool ExportCsv(const QString& path, const std::vector<int>& order, QString* error) const;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

signals:
    // The rows or the counts changed as a view shows them: after Flush and Clear.
    void Changed();

private:
    struct IdHash {
        using is_transparent = void;
        std::size_t operator()(std::string_view id) const noexcept {
            return std::hash<std::string_view>{}(id);
        }
    };

    void MarkChanged(int row);

    std::vector<Row> m_rows;
    std::unordered_map<std::string, int, IdHash, std::equal_to<>> m_rowOfId;
    qint64 m_totalReads = 0;
    // Rows a view has been told of; rows past it are added at the next Flush.
    int m_shownRows = 0;
    // Range of announced rows changed since the last Flush; empty when m_changedFirst > Last.
    int m_changedFirst = 1;
    int m_changedLast = 0;
    bool m_countsChanged = false;
    bool m_live = false;
    QTimer m_flushTimer;

    // The current run: reads from m_runFirstMs to m_runLastMs.
    bool m_runStartPending = true;
    qint64 m_runReads = 0;
    int m_runDistinct = 0;
    int m_run = 0;               // number of the current run
    std::vector<int> m_runOfRow; // by row: the run that last read it
    qint64 m_runFirstMs = 0;
    qint64 m_runLastMs = 0;
};

// One CSV field (RFC 4180): a field holding a comma, a double quote, CR or LF is enclosed in
// double quotes, each double quote in it doubled; any other field is written as it is.
QString CsvField(const QString& field);
// Fields joined by commas, ended by CR LF.
QString CsvRecord(const QStringList& fields);
// ISO 8601 local time with milliseconds and the offset from UTC: 2026-12-07T14:05:09.042+01:00.
QString IsoLocalTime(qint64 msecsSinceEpoch);
// Local time as the table shows it: 2026-12-07 14:05:09.042.
QString LocalTimeText(qint64 msecsSinceEpoch);
