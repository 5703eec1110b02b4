// The one way the program shows a modal message: the application title as caption, OK only.
#pragma once

#include <QString>
#include <functional>

class QWidget;

inline const QString kAppTitle = QStringLiteral("Tarnwick");

void ShowMessage(QWidget* parent, const QString& text);

// Tests install a recorder so that no message box ever blocks them; an empty function restores
// the real boxes.
using MessageRecorder = std::function<void(const QString& text)>;
void SetMessageRecorder(MessageRecorder recorder);
