// Window sizes that fit the screen: a window opens at the size its layout asks for, but never
// larger than the screen's free area (the desktop without its panels), so on a small screen or
// at a high scale factor it still lies wholly on the screen.
#pragma once

#include <QSize>

class QAbstractItemView;
class QWidget;

// Resizes a window that is about to be shown to its size hint, or to wish where that is larger,
// bounded by the available geometry of its screen; a minimum size larger than that area is
// lowered to it.
void OpenAtPreferredSize(QWidget* window, QSize wish = QSize());

// The size a window showing view asks for when the view's columns are to fit side by side.
QSize WithColumnsShown(const QWidget* window, const QAbstractItemView* view);
