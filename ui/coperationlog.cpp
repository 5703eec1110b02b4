#include "ui/coperationlog.h"

#include <QAbstractTableModel>
#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QPainter>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QStaticText>
#include <QStyleOptionSlider>
#include <QStyledItemDelegate>
#include <algorithm>
#include <map>
#include <utility>
#include <vector>

namespace {

enum Column { TimeColumn, TextColumn, ColumnCount };

// "HH:MM:SS", two digits each on the 24-hour clock; empty for an invalid time.
QString Stamp(const QTime& time) {
    if (!time.isValid())
        return QString();
    const int parts[] = {time.hour(), time.minute(), time.second()};
    QString stamp(8, QLatin1Char(':'));
    for (int i = 0; i < 3; ++i) {
        stamp[3 * i] = QLatin1Char(static_cast<char>('0' + parts[i] / 10));
        stamp[3 * i + 1] = QLatin1Char(static_cast<char>('0' + parts[i] % 10));
    }
    return stamp;
}

// Draws a cell as plain text on the highlight when selected, the way the style draws a list
// cell, and the cell's grid lines (right and bottom edge) as filled one-pixel rectangles, which
// the raster engine fills far faster than it strokes lines. The text's glyphs are kept for the
// rows on screen: the list is repainted whenever a line comes, and laying out the same texts
// again each time would cost more than the rest of adding the line. Lines never change once
// added, so a row's text stays valid until the list is cleared.
class CLineDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void Forget() { m_texts.clear(); }

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        const QPalette::ColorGroup group =
            !(option.state & QStyle::State_Enabled) ? QPalette::Disabled
            : (option.state & QStyle::State_Active) ? QPalette::Active
                                                    : QPalette::Inactive;
        const bool selected = option.state & QStyle::State_Selected;
        const QRect& cell = option.rect;
        if (selected)
            painter->fillRect(cell, option.palette.brush(group, QPalette::Highlight));
        const QColor grid = option.palette.color(group, QPalette::Mid);
        painter->fillRect(QRect(cell.left(), cell.bottom(), cell.width(), 1), grid);
        painter->fillRect(QRect(cell.right(), cell.top(), 1, cell.height()), grid);
        const int margin = option.widget
                               ? option.widget->style()->pixelMetric(QStyle::PM_FocusFrameHMargin,
                                                                     nullptr, option.widget) +
                                     1
                               : 4;
        const QRect area = option.rect.adjusted(margin, 0, -margin, 0);
        const Qt::Alignment alignment =
            index.data(Qt::TextAlignmentRole).isValid()
                ? Qt::Alignment(index.data(Qt::TextAlignmentRole).toInt())
                : Qt::AlignLeft | Qt::AlignVCenter;
        const QStaticText& text = TextFor(index, area.width(), option);
        const QSizeF size = text.size();
        qreal x = area.left();
        if (alignment & Qt::AlignHCenter)
            x += (area.width() - size.width()) / 2;
        else if (alignment & Qt::AlignRight)
            x += area.width() - size.width();
        const qreal y = area.top() + (area.height() - size.height()) / 2;
        painter->save();
        painter->setClipRect(area);
        painter->setFont(option.font);
        painter->setPen(
            option.palette.color(group, selected ? QPalette::HighlightedText : QPalette::Text));
        painter->drawStaticText(QPointF(x, y), text);
        painter->restore();
        if ((option.state & QStyle::State_HasFocus) && option.widget) {
            QStyleOptionFocusRect focus;
            focus.QStyleOption::operator=(option);
            focus.backgroundColor =
                option.palette.color(group, selected ? QPalette::Highlight : QPalette::Window);
            option.widget->style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, painter,
                                                  option.widget);
        }
    }

private:
    struct Shown {
        int width = -1;
        QFont font;
        QStaticText text;
    };

    const QStaticText& TextFor(const QModelIndex& index, int width,
                               const QStyleOptionViewItem& option) const {
        // A screenful of rows, with room for the rows scrolled past.
        constexpr std::size_t kKept = 512;
        if (m_texts.size() > kKept)
            m_texts.clear();
        Shown& shown = m_texts[{index.row(), index.column()}];
        if (shown.width != width || shown.font != option.font) {
            const QString full = index.data(Qt::DisplayRole).toString();
            const QFontMetrics metrics(option.font);
            shown.text.setTextFormat(Qt::PlainText);
            shown.text.setPerformanceHint(QStaticText::AggressiveCaching);
            shown.text.setText(metrics.horizontalAdvance(full) > width
                                   ? metrics.elidedText(full, option.textElideMode, width)
                                   : full);
            shown.text.prepare(QTransform(), option.font);
            shown.width = width;
            shown.font = option.font;
        }
        return shown.text;
    }

    mutable std::map<std::pair<int, int>, Shown> m_texts;
};

// A scroll bar that repaints only when what it shows changes. A line added to a long list moves
// the handle by less than a pixel, and drawing the whole bar again would cost more than the
// rest of adding the line.
class CListScrollBar : public QScrollBar {
public:
    using QScrollBar::QScrollBar;

    // Between Hold and Release the changes of range and value are only noted, so that a step
    // on the way (the range grown, the value not yet at its end) does not count as a change.
    void Hold() { m_held = true; }
    void Release() {
        m_held = false;
        if (std::exchange(m_changed, false) && Current() != m_painted)
            update();
    }

protected:
    void sliderChange(SliderChange change) override {
        if (change != SliderOrientationChange) {
            if (m_held) {
                m_changed = true;
                return;
            }
            if (Current() == m_painted)
                return;
        }
        QScrollBar::sliderChange(change);
    }
    void paintEvent(QPaintEvent* event) override {
        m_painted = Current();
        QScrollBar::paintEvent(event);
    }

private:
    // What the styles draw from the range and the value: the handle's place and size, and
    // whether the value stands at either end of the range.
    struct Look {
        QRect handle;
        bool atMinimum = false;
        bool atMaximum = false;
        bool operator==(const Look&) const = default;
    };

    Look Current() const {
        QStyleOptionSlider option;
        initStyleOption(&option);
        return {style()->subControlRect(QStyle::CC_ScrollBar, &option, QStyle::SC_ScrollBarSlider,
                                        this),
                option.sliderPosition == option.minimum, option.sliderPosition == option.maximum};
    }

    // Never equal to a real look until the first paint: an invalid handle at both ends.
    Look m_painted{QRect(), true, false};
    bool m_held = false;
    bool m_changed = false;
};

} // namespace

// The lines, appended at the end only.
class COperationLogModel : public QAbstractTableModel {
public:
    using QAbstractTableModel::QAbstractTableModel;

    struct Line {
        QString time;
        QString text;
    };

    void Append(Line line) {
        const int row = Count();
        beginInsertRows({}, row, row);
        m_lines.push_back(std::move(line));
        endInsertRows();
    }
    void Clear() {
        beginResetModel();
        m_lines.clear();
        endResetModel();
    }
    int Count() const { return static_cast<int>(m_lines.size()); }
    const Line* At(int row) const {
        return row >= 0 && row < Count() ? &m_lines[static_cast<std::size_t>(row)] : nullptr;
    }

    int rowCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() ? 0 : Count();
    }
    int columnCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() ? 0 : ColumnCount;
    }
    QVariant data(const QModelIndex& index, int role) const override {
        const Line* line = At(index.row());
        if (!line)
            return {};
        if (role == Qt::DisplayRole)
            return index.column() == TimeColumn ? line->time : line->text;
        if (role == Qt::TextAlignmentRole && index.column() == TimeColumn)
            return int(Qt::AlignCenter);
        return {};
    }
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
        if (orientation != Qt::Horizontal)
            return {};
        if (role == Qt::DisplayRole)
            return section == TimeColumn ? COperationLog::tr("Time")
                                         : COperationLog::tr("Operation");
        if (role == Qt::TextAlignmentRole)
            return int(section == TimeColumn ? Qt::AlignCenter : Qt::AlignLeft | Qt::AlignVCenter);
        return {};
    }

private:
    std::vector<Line> m_lines;
};

COperationLog::COperationLog(QWidget* parent)
    : QTableView(parent), m_lines(new COperationLogModel(this)) {
    // Screen readers announce it as a table with these column headers.
    setAccessibleName(tr("Operation list"));
    setModel(m_lines);
    // The header does not show the selection, so it need not hear of it: with the view's
    // selection model it would repaint its sections for every line selected.
    horizontalHeader()->setSelectionModel(new QItemSelectionModel(m_lines, horizontalHeader()));
    auto* bar = new CListScrollBar(Qt::Vertical, this);
    setVerticalScrollBar(bar);
    m_scrollBar = bar;
    auto* delegate = new CLineDelegate(this);
    setItemDelegate(delegate);
    connect(m_lines, &QAbstractItemModel::modelReset, this, [delegate] { delegate->Forget(); });
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setWordWrap(false);
    setTabKeyNavigation(false);
    setCornerButtonEnabled(false);
    // Grid lines between the cells, as in a report list: the delegate draws them.
    setShowGrid(false);
    verticalHeader()->hide();
    // Fixed row heights: the view never measures its lines.
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setMinimumSectionSize(1);
    FitRowsToFont();
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setSectionsMovable(true);
    horizontalHeader()->setStretchLastSection(true);
    setColumnWidth(TimeColumn, 80);
    setColumnWidth(TextColumn, 680);
    // Copy in the context menu, with Ctrl+C while the list has focus (keyPressEvent takes the
    // key too, for key events that do not pass through the shortcut map).
    setContextMenuPolicy(Qt::ActionsContextMenu);
    auto* copy = new QAction(tr("&Copy"), this);
    copy->setObjectName(QStringLiteral("operationListCopyAction"));
    copy->setShortcut(QKeySequence::Copy);
    copy->setShortcutContext(Qt::WidgetShortcut);
    connect(copy, &QAction::triggered, this, &COperationLog::CopySelected);
    addAction(copy);
}

void COperationLog::AddOperationLine(const QString& text) {
    // A layout asked for before (a resize, a clear) is done in full first; the new row is then
    // laid out at once, so the view can scroll to it.
    executeDelayedItemsLayout();
    auto* bar = static_cast<CListScrollBar*>(m_scrollBar);
    bar->Hold();
    m_appending = true;
    m_lines->Append({Stamp(m_clock()), text});
    executeDelayedItemsLayout();
    m_appending = false;
    const QModelIndex line = m_lines->index(m_lines->Count() - 1, TimeColumn);
    selectionModel()->setCurrentIndex(line, QItemSelectionModel::ClearAndSelect |
                                                QItemSelectionModel::Rows);
    scrollTo(line);
    bar->Release();
}

void COperationLog::doItemsLayout() {
    if (!m_appending) {
        QTableView::doItemsLayout();
        return;
    }
    // Only a row at the end is new: the scroll range grows by a row and the new row is drawn,
    // while the rows above stay drawn as they are (scrolling moves their pixels). Rows have one
    // fixed height, so the range is the rows that do not fit.
    const int rows = viewport()->height() / qMax(1, verticalHeader()->defaultSectionSize());
    const int maximum = qMax(0, LineCount() - rows);
    // The scroll area lays out its bars again after every range change, which repaints them
    // both; that is needed only when the bar appears, while it shows it stays.
    const QSignalBlocker layoutUnchanged(m_scrollBar->maximum() > 0 && maximum > 0 ? m_scrollBar
                                                                                   : nullptr);
    m_scrollBar->setRange(0, maximum);
    m_scrollBar->setPageStep(rows);
    const int row = LineCount() - 1;
    viewport()->update(QRect(0, rowViewportPosition(row), viewport()->width(), rowHeight(row)));
}

void COperationLog::FitRowsToFont() {
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
}

void COperationLog::changeEvent(QEvent* event) {
    QTableView::changeEvent(event);
    if (event->type() == QEvent::FontChange)
        FitRowsToFont();
}

void COperationLog::clear() {
    m_lines->Clear();
}

int COperationLog::LineCount() const {
    return m_lines->Count();
}

QString COperationLog::TimeAt(int line) const {
    const COperationLogModel::Line* found = m_lines->At(line);
    return found ? found->time : QString();
}

QString COperationLog::TextAt(int line) const {
    const COperationLogModel::Line* found = m_lines->At(line);
    return found ? found->text : QString();
}

QString COperationLog::SelectedText() const {
    std::vector<int> rows;
    for (const QModelIndex& index : selectionModel()->selectedRows())
        rows.push_back(index.row());
    std::sort(rows.begin(), rows.end());
    QStringList lines;
    for (int row : rows)
        lines << TimeAt(row) + QLatin1Char('\t') + TextAt(row);
    return lines.join(QLatin1Char('\n'));
}

void COperationLog::CopySelected() {
    if (!selectionModel()->hasSelection())
        return;
    QGuiApplication::clipboard()->setText(SelectedText());
}

void COperationLog::keyPressEvent(QKeyEvent* event) {
    if (event->matches(QKeySequence::Copy)) {
        CopySelected();
        event->accept();
        return;
    }
    QTableView::keyPressEvent(event);
}
