#include "ui/cframetracemodel.h"

#include <QBrush>
#include <QColor>
#include <QFontDatabase>

namespace {

bool IsFault(const TraceLine& line) {
    using K = TracePiece::Kind;
    const K kind = line.piece.kind;
    return ((kind == K::Frame || kind == K::Record) && !line.piece.intact) || !line.transmitted;
}

QString NoteOf(const TraceLine& line) {
    using K = TracePiece::Kind;
    if (!line.transmitted)
        return QStringLiteral("not sent: port closed");
    switch (line.piece.kind) {
    case K::Frame:
        return line.piece.intact ? QString() : QStringLiteral("bad checksum");
    case K::Record:
        return line.piece.intact ? QStringLiteral("record")
                                 : QStringLiteral("record, bad checksum or end byte");
    case K::Noise:
        return QStringLiteral("noise");
    case K::Incomplete:
        return QStringLiteral("incomplete");
    }
    return QString();
}

} // namespace

CFrameTraceModel::CFrameTraceModel(QObject* parent)
    : QAbstractTableModel(parent),
      m_bytesFont(QFontDatabase::systemFont(QFontDatabase::FixedFont)) {}

void CFrameTraceModel::Append(std::vector<TraceLine>& lines) {
    if (lines.empty())
        return;
    const int first = LineCount();
    beginInsertRows({}, first, first + static_cast<int>(lines.size()) - 1);
    for (TraceLine& line : lines)
        m_lines.push_back(std::move(line));
    endInsertRows();
    lines.clear();
    const int excess = LineCount() - kMaxLines;
    if (excess > 0) {
        beginRemoveRows({}, 0, excess - 1);
        m_lines.erase(m_lines.begin(), m_lines.begin() + excess);
        m_dropped += excess;
        endRemoveRows();
    }
}

void CFrameTraceModel::Clear() {
    beginResetModel();
    m_lines.clear();
    m_dropped = 0;
    endResetModel();
}

QString CFrameTraceModel::Text(int row, int column) const {
    const TraceLine& line = Line(row);
    switch (column) {
    case TimeColumn:
        return QString::number(line.ms);
    case DirectionColumn:
        return line.sent ? QStringLiteral("sent") : QStringLiteral("received");
    case BytesColumn:
        return QString::fromStdString(HexString(line.piece.bytes));
    case NoteColumn:
        return NoteOf(line);
    default:
        return QString();
    }
}

QString CFrameTraceModel::LineText(int row) const {
    QString text = Text(row, TimeColumn) + QLatin1Char('\t') + Text(row, DirectionColumn) +
                   QLatin1Char('\t') + Text(row, BytesColumn);
    const QString note = Text(row, NoteColumn);
    if (!note.isEmpty())
        text += QLatin1Char('\t') + note;
    return text;
}

int CFrameTraceModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : LineCount();
}

int CFrameTraceModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant CFrameTraceModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= LineCount())
        return {};
    switch (role) {
    case Qt::DisplayRole:
        return Text(index.row(), index.column());
    case Qt::ForegroundRole:
        if (IsFault(Line(index.row())))
            return QBrush(QColor(Qt::red));
        return {};
    case Qt::FontRole:
        if (index.column() == BytesColumn)
            return m_bytesFont;
        return {};
    case Qt::TextAlignmentRole:
        if (index.column() == TimeColumn)
            return int(Qt::AlignRight | Qt::AlignVCenter);
        return {};
    default:
        return {};
    }
}

QVariant CFrameTraceModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    switch (section) {
    case TimeColumn:
        return tr("Time (ms)");
    case DirectionColumn:
        return tr("Direction");
    case BytesColumn:
        return tr("Bytes");
    case NoteColumn:
        return tr("Note");
    default:
        return {};
    }
}
