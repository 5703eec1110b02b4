#include "ui/coperationlog.h"

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QHeaderView>
#include <QKeyEvent>

COperationLog::COperationLog(QWidget* parent) : QTreeWidget(parent) {
    // Screen readers announce it as a table with these column headers.
    setAccessibleName(tr("Operation list"));
    setColumnCount(2);
    setHeaderLabels({tr("Time"), tr("Operation")});
    headerItem()->setTextAlignment(0, Qt::AlignCenter);
    setColumnWidth(0, 80);
    setColumnWidth(1, 680);
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setAllColumnsShowFocus(true);
    header()->setSectionsMovable(true);
    header()->setStretchLastSection(true);
    // Grid lines between the cells, as in a report list.
    setStyleSheet(QStringLiteral("QTreeView::item { border-right: 1px solid palette(mid); "
                                 "border-bottom: 1px solid palette(mid); }"
                                 "QTreeView::item:selected { background: palette(highlight); "
                                 "color: palette(highlighted-text); }"));
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
    auto* item = new QTreeWidgetItem(this);
    item->setText(0, m_clock().toString(QStringLiteral("HH:mm:ss")));
    item->setTextAlignment(0, Qt::AlignCenter);
    item->setText(1, text);
    clearSelection();
    setCurrentItem(item);
    item->setSelected(true);
    scrollToItem(item);
}

QString COperationLog::TimeAt(int line) const {
    const QTreeWidgetItem* item = topLevelItem(line);
    return item ? item->text(0) : QString();
}

QString COperationLog::TextAt(int line) const {
    const QTreeWidgetItem* item = topLevelItem(line);
    return item ? item->text(1) : QString();
}

QString COperationLog::SelectedText() const {
    QStringList lines;
    for (int line = 0; line < LineCount(); ++line) {
        const QTreeWidgetItem* item = topLevelItem(line);
        if (item->isSelected())
            lines << item->text(0) + QLatin1Char('\t') + item->text(1);
    }
    return lines.join(QLatin1Char('\n'));
}

void COperationLog::CopySelected() {
    if (selectedItems().isEmpty())
        return;
    QGuiApplication::clipboard()->setText(SelectedText());
}

void COperationLog::keyPressEvent(QKeyEvent* event) {
    if (event->matches(QKeySequence::Copy)) {
        CopySelected();
        event->accept();
        return;
    }
    QTreeWidget::keyPressEvent(event);
}
