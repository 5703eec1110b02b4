#include "widgets/messagebox.h"

#include <QMessageBox>

namespace {
MessageRecorder& Recorder() {
    static MessageRecorder recorder;
    return recorder;
}
} // namespace

void SetMessageRecorder(MessageRecorder recorder) {
    Recorder() = std::move(recorder);
}

void ShowMessage(QWidget* parent, const QString& text, const QString& informative) {
    if (Recorder().record) {
        Recorder().record(text, informative);
        return;
    }
    QMessageBox box(QMessageBox::Information, kAppTitle, text, QMessageBox::Ok, parent);
    box.setInformativeText(informative);
    box.exec();
}
