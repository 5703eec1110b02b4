#include "ui/cinventorymodel.h"

#include "protocol/hexbytes.h"

#include <QDateTime>
#include <QSaveFile>

#include <algorithm>
#include <charconv>
#include <cstdlib>

namespace {

constexpr std::string_view kAntennaMark = "(Antenna";
// Twelve ID bytes of two digits each, with a blank between two bytes.
constexpr std::size_t kIdTextSize = 12 * 3 - 1;

// True for "XX XX ... XX" with twelve pairs of hex digits.
bool IsIdText(std::string_view id) {
    if (id.size() != kIdTextSize)
        return false;
    for (std::size_t i = 0; i < id.size(); ++i) {
        const bool blank = i % 3 == 2;
        if (blank ? id[i] != ' ' : HexDigitValue(id[i]) == 0xFF)
            return false;
    }
    return true;
}

} // namespace

CInventoryModel::CInventoryModel(QObject* parent) : QAbstractTableModel(parent) {
    m_flushTimer.setSingleShot(true);
    m_flushTimer.setInterval(kFlushIntervalMs);
    connect(&m_flushTimer, &QTimer::timeout, this, &CInventoryModel::Flush);
}

// ---- counting ----

bool CInventoryModel::ObserveTagLine(std::string_view line, qint64 nowMs) {
    const std::size_t mark = line.rfind(kAntennaMark);
    if (mark == std::string_view::npos || mark < kIdTextSize)
        return false;
    const std::string_view id = line.substr(mark - kIdTextSize, kIdTextSize);
    const char* digits = line.data() + mark + kAntennaMark.size();
    const char* end = line.data() + line.size();
    int antenna = 0;
    const auto [after, failure] = std::from_chars(digits, end, antenna);
    if (failure != std::errc() || after == end || *after != ')' || !IsIdText(id))
        return false;
    Observe(id, antenna, nowMs);
    return true;
}

void CInventoryModel::Observe(std::string_view id, int antenna, qint64 nowMs) {
    if (m_runStartPending) {
        m_runStartPending = false;
        m_runReads = 0;
        m_runDistinct = 0;
        ++m_run;
        m_runFirstMs = nowMs;
    }
    const auto found = m_rowOfId.find(id);
    const std::size_t index =
        found == m_rowOfId.end() ? m_rows.size() : static_cast<std::size_t>(found->second);
    if (found == m_rowOfId.end()) {
        m_rowOfId.emplace(std::string(id), static_cast<int>(m_rows.size()));
        m_rows.push_back(Row{QString::fromLatin1(id.data(), static_cast<qsizetype>(id.size())),
                             antenna,
                             1,
                             {},
                             nowMs,
                             nowMs});
        m_runOfRow.push_back(0);
    } else {
        Row& row = m_rows[static_cast<std::size_t>(found->second)];
        row.antenna = antenna;
        ++row.reads;
        row.lastMs = nowMs;
        MarkChanged(found->second);
    }
    if (antenna >= 1 && antenna <= kAntennas)
        ++m_rows[index].antennaReads[static_cast<std::size_t>(antenna - 1)];
    ++m_totalReads;
    if (m_runOfRow[index] != m_run) {
        m_runOfRow[index] = m_run;
        ++m_runDistinct;
    }
    ++m_runReads;
    m_runLastMs = nowMs;
    m_countsChanged = true;
    if (m_live && !m_flushTimer.isActive())
        m_flushTimer.start();
}

void CInventoryModel::MarkChanged(int row) {
    if (row >= m_shownRows)
        return; // announced with its latest values when it is added
    if (m_changedFirst > m_changedLast) {
        m_changedFirst = m_changedLast = row;
        return;
    }
    m_changedFirst = std::min(m_changedFirst, row);
    m_changedLast = std::max(m_changedLast, row);
}

void CInventoryModel::StartRun() {
    m_runStartPending = true;
}

void CInventoryModel::Clear() {
    m_flushTimer.stop();
    beginResetModel();
    m_rows.clear();
    m_rowOfId.clear();
    m_runOfRow.clear();
    m_totalReads = 0;
    m_shownRows = 0;
    m_changedFirst = 1;
    m_changedLast = 0;
    m_countsChanged = false;
    m_runStartPending = true;
    m_runReads = 0;
    m_runDistinct = 0;
    endResetModel();
    emit Changed();
}

// A run is the reads from the first one after a stream was started (or after Clear, or the
// first ever) to the latest one, so a paused or stopped stream keeps its figure until the next
// stream reads. n reads spread over the time t from the first to the last of them are n - 1
// intervals, so the rate is (n - 1) / t: a steady stream of one read every 10 ms gives exactly
// 100 per second however many reads it has. One read, or reads within one millisecond, have no
// rate.
std::optional<double> CInventoryModel::RunReadsPerSecond() const {
    if (m_runReads < 2 || m_runLastMs <= m_runFirstMs)
        return std::nullopt;
    return static_cast<double>(m_runReads - 1) * 1000.0 /
           static_cast<double>(m_runLastMs - m_runFirstMs);
}

QString CInventoryModel::SummaryText() const {
    const std::optional<double> rate = RunReadsPerSecond();
    return QStringLiteral("Distinct tags: %1    Total reads: %2    Reads per second (last run): %3")
        .arg(DistinctTags())
        .arg(m_totalReads)
        .arg(rate ? QString::number(*rate, 'f', 1) : QStringLiteral("-"));
}

// ---- what a view sees ----

void CInventoryModel::SetLive(bool live) {
    m_live = live;
    if (live)
        Flush();
    else
        m_flushTimer.stop();
}

void CInventoryModel::Flush() {
    m_flushTimer.stop();
    const bool changed = m_countsChanged;
    m_countsChanged = false;
    if (m_changedFirst <= m_changedLast) {
        emit dataChanged(index(m_changedFirst, 0), index(m_changedLast, kColumns - 1));
        m_changedFirst = 1;
        m_changedLast = 0;
    }
    const int total = static_cast<int>(m_rows.size());
    if (total > m_shownRows) {
        beginInsertRows(QModelIndex(), m_shownRows, total - 1);
        m_shownRows = total;
        endInsertRows();
    }
    if (changed)
        emit Changed();
}

int CInventoryModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : m_shownRows;
}

int CInventoryModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kColumns;
}

QVariant CInventoryModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= m_shownRows)
        return QVariant();
    const Row& row = m_rows[static_cast<std::size_t>(index.row())];
    const bool display = role == Qt::DisplayRole;
    if (!display && role != kSortRole) {
        if (role == Qt::TextAlignmentRole && index.column() != IdColumn)
            return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
        return QVariant();
    }
    switch (index.column()) {
    case IdColumn:
        return row.id;
    case AntennaColumn:
        return row.antenna;
    case ReadsColumn:
        return row.reads;
    case AntennaReadsColumn:
        return AntennaReadsText(row);
    case FirstSeenColumn:
        return display ? QVariant(LocalTimeText(row.firstMs)) : QVariant(row.firstMs);
    case LastSeenColumn:
        return display ? QVariant(LocalTimeText(row.lastMs)) : QVariant(row.lastMs);
    default:
        return QVariant();
    }
}

QVariant CInventoryModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QVariant();
    switch (section) {
    case IdColumn:
        return QStringLiteral("Tag ID");
    case AntennaColumn:
        return QStringLiteral("Antenna");
    case ReadsColumn:
        return QStringLiteral("Reads");
    case AntennaReadsColumn:
        return QStringLiteral("Reads per Antenna");
    case FirstSeenColumn:
        return QStringLiteral("First Seen");
    case LastSeenColumn:
        return QStringLiteral("Last Seen");
    default:
        return QVariant();
    }
}

// "1: 12  2: 0  3: 5  4: 1": the reads on each antenna, in antenna order.
QString CInventoryModel::AntennaReadsText(const Row& row) {
    QString text;
    for (int a = 0; a < kAntennas; ++a) {
        if (a > 0)
            text += QStringLiteral("  ");
        text +=
            QStringLiteral("%1: %2").arg(a + 1).arg(row.antennaReads[static_cast<std::size_t>(a)]);
    }
    return text;
}

// ---- export ----

QString CInventoryModel::CsvText(const std::vector<int>& order) const {
    QString text =
        CsvRecord({QStringLiteral("Tag ID"), QStringLiteral("Antenna"), QStringLiteral("Reads"),
                   QStringLiteral("First Seen"), QStringLiteral("Last Seen")});
    const auto add = [&](const Row& row) {
        text += CsvRecord({row.id, QString::number(row.antenna), QString::number(row.reads),
                           IsoLocalTime(row.firstMs), IsoLocalTime(row.lastMs)});
    };
    if (order.empty()) {
        for (const Row& row : m_rows)
            add(row);
    } else {
        for (int i : order)
            add(m_rows.at(static_cast<std::size_t>(i)));
    }
    return text;
}

bool CInventoryModel::ExportCsv(const QString& path, const std::vector<int>& order,
                                QString* error) const {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        *error = file.errorString();
        return false;
    }
    const QByteArray bytes = CsvText(order).toUtf8();
    if (file.write(bytes) != bytes.size()) {
        *error = file.errorString();
        file.cancelWriting();
        return false;
    }
    if (!file.commit()) {
        *error = file.errorString();
        return false;
    }
    return true;
}

QString CsvField(const QString& field) {
    static const QString kSpecial = QStringLiteral(",\"\r\n");
    bool quote = false;
    for (QChar c : field)
        quote = quote || kSpecial.contains(c);
    if (!quote)
        return field;
    QString quoted = field;
    quoted.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

QString CsvRecord(const QStringList& fields) {
    QString record;
    for (qsizetype i = 0; i < fields.size(); ++i) {
        if (i > 0)
            record += QLatin1Char(',');
        record += CsvField(fields[i]);
    }
    return record + QStringLiteral("\r\n");
}

QString IsoLocalTime(qint64 msecsSinceEpoch) {
    const QDateTime local = QDateTime::fromMSecsSinceEpoch(msecsSinceEpoch);
    const int offsetMinutes = local.offsetFromUtc() / 60;
    const int magnitude = std::abs(offsetMinutes);
    return local.toString(QStringLiteral("yyyy-MM-dd'T'HH:mm:ss.zzz")) +
           QLatin1Char(offsetMinutes < 0 ? '-' : '+') +
           QStringLiteral("%1:%2")
               .arg(magnitude / 60, 2, 10, QLatin1Char('0'))
               .arg(magnitude % 60, 2, 10, QLatin1Char('0'));
}

QString LocalTimeText(qint64 msecsSinceEpoch) {
    return QDateTime::fromMSecsSinceEpoch(msecsSinceEpoch)
        .toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz"));
}
