#include "ui/screenfit.h"

#include <QHeaderView>
#include <QScreen>
#include <QScrollBar>
#include <QTableView>
#include <QWidget>

void OpenAtPreferredSize(QWidget* window, QSize wish) {
    const QScreen* screen = window->screen();
    if (!screen)
        return;
    const QSize room = screen->availableGeometry().size();
    window->setMinimumSize(window->minimumSize().boundedTo(room));
    window->resize(
        window->sizeHint().expandedTo(wish).expandedTo(window->minimumSize()).boundedTo(room));
}

QSize WithColumnsShown(const QWidget* window, const QAbstractItemView* view) {
    int columns = 2 * view->frameWidth() + view->verticalScrollBar()->sizeHint().width();
    if (const auto* table = qobject_cast<const QTableView*>(view))
        columns += table->horizontalHeader()->length();
    const int missing = columns - view->sizeHint().width();
    return window->sizeHint() + QSize(missing > 0 ? missing : 0, 0);
}
