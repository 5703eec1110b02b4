#include "ui/coperationlog.h"

#include <QHeaderView>

COperationLog::COperationLog(QWidget* parent) : QTreeWidget(parent) {
    setColumnCount(2);
    setHeaderLabels({tr("Time"), tr("Operation")});
    headerItem()->setTextAlignment(0, Qt::AlignCenter);
    setColumnWidth(0, 80);
    setColumnWidth(1, 680);
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setAllColumnsShowFocus(true);
    header()->setSectionsMovable(true);
    header()->setStretchLastSection(true);
    // Grid lines between the cells, as in a report list.
    setStyleSheet(QStringLiteral("QTreeView::item { border-right: 1px solid palette(mid); "
                                 "border-bottom: 1px solid palette(mid); }"));
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
