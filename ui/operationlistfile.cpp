#include "ui/operationlistfile.h"

#include "ui/coperationlog.h"
#include "ui/filechooser.h"
#include "widgets/messagebox.h"

#include <QAction>
#include <QDir>
#include <QMenu>
#include <QSaveFile>

QString OperationListText(const COperationLog& list) {
    QString text;
    for (int line = 0; line < list.LineCount(); ++line)
        text += list.TimeAt(line) + QLatin1Char('\t') + list.TextAt(line) + QLatin1Char('\n');
    return text;
}

bool SaveOperationList(COperationLog& list) {
    const QString path = ChooseSaveFile(list.window(), QObject::tr("Save Operation List"),
                                        QDir::home().filePath(QStringLiteral("operation-list.txt")),
                                        QObject::tr("Text files (*.txt);;All files (*)"));
    if (path.isEmpty())
        return false;
    QSaveFile file(path);
    const QByteArray bytes = OperationListText(list).toUtf8();
    if (file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit())
        return true;
    ShowMessage(list.window(),
                QObject::tr("The operation list could not be saved to %1: %2.")
                    .arg(QDir::toNativeSeparators(path), file.errorString()),
                QObject::tr("The list is kept; choose another place and save again."));
    return false;
}

QAction* AddSaveOperationListAction(COperationLog& list, QMenu& menu) {
    auto* save = new QAction(QObject::tr("&Save Operation List..."), &list);
    save->setObjectName(QStringLiteral("saveOperationListAction"));
    QObject::connect(save, &QAction::triggered, &list, [&list] { SaveOperationList(list); });
    list.addAction(save);
    menu.addAction(save);
    return save;
}
