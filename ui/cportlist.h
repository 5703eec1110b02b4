// The port list of the main window: the COM entries, the simulator entry and the serial devices
// the system reports, read anew each time the operator opens the list, so an adapter plugged in
// while the program runs shows up.
#pragma once

#include <QComboBox>

class CPortList : public QComboBox {
    Q_OBJECT
public:
    using QComboBox::QComboBox;

    // Fills the list from the ports there are now. The operator's choice stays: the same entry,
    // or the entry of the same device when its description changed; a choice whose device has
    // gone, or typed text, stays as text.
    void Refresh();

    void showPopup() override;
};
