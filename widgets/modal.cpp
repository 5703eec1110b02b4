#include "widgets/modal.h"

#include <QDialog>

namespace {
DialogRunner& Runner() {
    static DialogRunner runner;
    return runner;
}
} // namespace

void SetDialogRunner(DialogRunner runner) {
    Runner() = std::move(runner);
}

int RunModal(QDialog& dialog) {
    return Runner() ? Runner()(dialog) : dialog.exec();
}
