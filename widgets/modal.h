// The one way the program runs a modal dialog of its own. Tests replace the runner, fill in the
// dialog and press its buttons, so no test ever blocks on a modal window.
#pragma once

#include <functional>

class QDialog;

// Runs the dialog modally and returns its result (QDialog::Accepted or QDialog::Rejected).
int RunModal(QDialog& dialog);

using DialogRunner = std::function<int(QDialog& dialog)>;
// An empty function restores the real modal loop.
void SetDialogRunner(DialogRunner runner);
