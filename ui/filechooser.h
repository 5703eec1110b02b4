// The one way the program asks the operator for a file to write. Tests replace the chooser, so
// no test ever blocks on a file dialog.
#pragma once

#include <QString>
#include <functional>

class QWidget;

// Asks for the path of a file to save to, starting at suggested; empty when the operator cancels.
QString ChooseSaveFile(QWidget* parent, const QString& caption, const QString& suggested,
                       const QString& filter);

using SaveFileChooser = std::function<QString(const QString& caption, const QString& suggested)>;
// An empty function restores the real file dialog.
void SetSaveFileChooser(SaveFileChooser chooser);
