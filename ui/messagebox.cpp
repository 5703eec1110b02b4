#include "ui/messagebox.h"

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

void ShowMessage(QWidget* parent, const QString& text) {
    if (Recorder()) {
        Recorder()(text);
        return;
    }
    QMessageBox box(QMessageBox::Information, kAppTitle, text, QMessageBox::Ok, parent);
    box.exec();
}
