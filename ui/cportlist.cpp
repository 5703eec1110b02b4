#include "ui/cportlist.h"

#include "link/portnames.h"

#include <QSignalBlocker>

void CPortList::Refresh() {
    const QString chosen = currentText();
    const QStringList entries = PortListEntries();
    qsizetype index = entries.indexOf(chosen);
    if (index < 0) {
        const QString path = PortPathOfEntry(chosen);
        for (qsizetype i = 0; i < entries.size() && index < 0; ++i)
            if (path.startsWith(QLatin1Char('/')) && PortPathOfEntry(entries[i]) == path)
                index = i;
    }
    // What the operator sees chosen does not change, so nobody is told of the refill.
    const QSignalBlocker quiet(this);
    clear();
    addItems(entries);
    setCurrentIndex(static_cast<int>(index));
    if (index < 0)
        setEditText(chosen);
}

void CPortList::showPopup() {
    Refresh();
    QComboBox::showPopup();
}
