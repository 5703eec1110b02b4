#include "ui/screenfit.h"

#include <QScreen>
#include <QWidget>

void OpenAtPreferredSize(QWidget* window) {
    const QScreen* screen = window->screen();
    if (!screen)
        return;
    const QSize room = screen->availableGeometry().size();
    window->setMinimumSize(window->minimumSize().boundedTo(room));
    window->resize(window->sizeHint().expandedTo(window->minimumSize()).boundedTo(room));
}
