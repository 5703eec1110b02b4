#include "ui/filechooser.h"

#include <QFileDialog>

namespace {
SaveFileChooser& Chooser() {
    static SaveFileChooser chooser;
    return chooser;
}
} // namespace

void SetSaveFileChooser(SaveFileChooser chooser) {
    Chooser() = std::move(chooser);
}

QString ChooseSaveFile(QWidget* parent, const QString& caption, const QString& suggested,
                       const QString& filter) {
    if (Chooser())
        return Chooser()(caption, suggested);
    return QFileDialog::getSaveFileName(parent, caption, suggested, filter);
}
