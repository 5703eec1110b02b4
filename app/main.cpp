// CReaderApp: start-up runs the main window modally; the program ends when it closes.
#include "ui/creaderdlg.h"
#include "ui/version.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tarnwick"));
    QApplication::setApplicationVersion(QStringLiteral(TARNWICK_VERSION));
    CReaderDlg dlg;
    dlg.exec();
    return 0;
}
