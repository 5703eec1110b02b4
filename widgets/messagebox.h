// The one way the program shows a modal message: the application title as caption, OK only, and
// where there is more to say (the cause, the next step to try) an informative text under it.
#pragma once

#include <QString>
#include <concepts>
#include <functional>

class QWidget;

inline const QString kAppTitle = QStringLiteral("Tarnwick");

void ShowMessage(QWidget* parent, const QString& text, const QString& informative = {});

// Tests install a recorder so that no message box ever blocks them; an empty recorder restores
// the real boxes. A recorder takes the text, or the text and the informative text.
struct MessageRecorder {
    MessageRecorder() = default;
    template <std::invocable<const QString&, const QString&> F>
    MessageRecorder(F f) : record(std::move(f)) {}
    template <std::invocable<const QString&> F>
    MessageRecorder(F f) : record([f](const QString& text, const QString&) { f(text); }) {}

    std::function<void(const QString& text, const QString& informative)> record;
};
void SetMessageRecorder(MessageRecorder recorder);
