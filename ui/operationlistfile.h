// Saving the operation list as text: one line per entry, its time, a tab and its text.
#pragma once

#include <QString>

class COperationLog;
class QAction;
class QMenu;

QString OperationListText(const COperationLog& list);

// Asks for a file (through the program's save-file chooser) and writes the list to it; a failed
// write says why in a message box. The list is kept either way. False when nothing was saved.
bool SaveOperationList(COperationLog& list);

// Makes the "Save Operation List..." action and puts it in the list's context menu and in menu.
QAction* AddSaveOperationListAction(COperationLog& list, QMenu& menu);
