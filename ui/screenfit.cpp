#include "ui/screenfit.h"

#include <QEvent>
#include <QHeaderView>
#include <QPointer>
#include <QScreen>
#include <QScrollBar>
#include <QTableView>
#include <QTimer>
#include <QWidget>

namespace {

// Once the window is on the screen its frame is known: the window shrinks and moves until the
// frame lies on the free area too.
void KeepFrameOnScreen(QWidget* window) {
    const QRect free = window->screen()->availableGeometry();
    const QRect frame = window->frameGeometry();
    const QSize border = frame.size() - window->size();
    const QSize room = free.size() - border;
    window->setMinimumSize(window->minimumSize().boundedTo(room));
    window->resize(window->size().boundedTo(room));
    const QSize outer = window->size() + border;
    QPoint at = frame.topLeft();
    at.setX(qBound(free.left(), at.x(), free.left() + free.width() - outer.width()));
    at.setY(qBound(free.top(), at.y(), free.top() + free.height() - outer.height()));
    if (at != frame.topLeft())
        window->move(at);
}

class CFirstShowWatcher : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Show) {
            QPointer<QWidget> window = static_cast<QWidget*>(watched);
            QTimer::singleShot(0, window, [window] {
                if (window)
                    KeepFrameOnScreen(window);
            });
            deleteLater();
        }
        return false;
    }
};

} // namespace

void OpenAtPreferredSize(QWidget* window, QSize wish) {
    const QScreen* screen = window->screen();
    if (!screen)
        return;
    const QSize room = screen->availableGeometry().size();
    window->setMinimumSize(window->minimumSize().boundedTo(room));
    window->resize(
        window->sizeHint().expandedTo(wish).expandedTo(window->minimumSize()).boundedTo(room));
    window->installEventFilter(new CFirstShowWatcher(window));
}

QSize WithColumnsShown(const QWidget* window, const QAbstractItemView* view) {
    int columns = 2 * view->frameWidth() + view->verticalScrollBar()->sizeHint().width();
    if (const auto* table = qobject_cast<const QTableView*>(view))
        columns += table->horizontalHeader()->length();
    const int missing = columns - view->sizeHint().width();
    return window->sizeHint() + QSize(missing > 0 ? missing : 0, 0);
}
