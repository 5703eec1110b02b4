// What every window's controls share beyond their forms: drop-down lists read by their names
// (Qt would otherwise announce a combo box by its current text), the finishing of names and
// mnemonics, and the form transfer of boxes, radios, checks and lists.
#pragma once

#include <QString>
#include <QStringList>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QRadioButton;
class QWidget;

// Makes drop-down lists read by their own names; runs before the first list of a window is made
// (Qt asks for a list's reader once, as the list is built, and keeps it). Installing twice is
// harmless.
void InstallListAccessibility();

// Finishes the keyboard and screen-reader set-up of the controls under root once all are built
// (every page runs it on its controls, the main window on its own):
// - a control without a name of its own takes the text of the label whose buddy it is, without
//   the label's colon ("Section:" names its list "Section");
// - controls that would still read the same get the title of their group in front, as in
//   "Work Mode — Trigger";
// - push buttons get a mnemonic letter (Alt+letter presses them) that no other button or menu
//   shown in the same window uses; a button with no free letter gets none. The caption shown
//   stays as it is: only the letter is underlined.
void FinishControls(QWidget* root);

// Form transfer of one integer box: to the control writes the number; from the control reads a
// signed decimal integer, and when the box holds none shows "请键入一个整数。", puts the focus
// there and returns false, so the caller stops its transfer at that box.
bool ExchangeInt(bool fromControls, QLineEdit* box, int& member);
// Reads a box as a signed decimal integer; text that is not a number reads as 0.
int IntOrZero(const QLineEdit* box);
// Form transfer of a radio group: index of the checked radio, -1 for none.
void ExchangeRadio(bool fromControls, const QList<QRadioButton*>& radios, int& member);
void ExchangeCheck(bool fromControls, QCheckBox* box, int& member);
// The text of the selected entry of a list; a list with no selected entry gives its edit text.
QString ListText(const QComboBox* list);
// Selects the entry with exactly this text, or no entry when there is none.
void SelectListText(QComboBox* list, const QString& text);
