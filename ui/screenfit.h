// Window sizes that fit the screen: a window opens at the size its layout asks for, but never
// larger than the screen's free area (the desktop without its panels), so on a small screen or
// at a high scale factor it still lies wholly on the screen.
#pragma once

class QWidget;

// Resizes a window that is about to be shown to its size hint, bounded by the available
// geometry of its screen; a minimum size larger than that area is lowered to it.
void OpenAtPreferredSize(QWidget* window);
