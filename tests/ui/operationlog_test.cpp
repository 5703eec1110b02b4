// The operation list: time stamps, copying, the one highlighted newest line, saving, clearing.
#include "windowtest.h"

#include <QAction>
#include <QClipboard>
#include <QFile>
#include <QGuiApplication>
#include <QMenuBar>
#include <QTemporaryDir>

namespace {

// The time column is a 24-hour clock; a new line is the only one highlighted.
TEST(OperationLog, CopiesTheSelectedLinesInListOrder) {
    COperationLog log;
    QTime now(21, 5, 3);
    log.SetClock([&] { return now; });
    for (const char* text : {"one", "two", "three"}) {
        log.AddOperationLine(QString::fromLatin1(text));
        now = now.addSecs(1);
    }
    log.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&log));
    for (const int row : {2, 0})
        QTest::mouseClick(log.viewport(), Qt::LeftButton,
                          row ? Qt::NoModifier : Qt::ControlModifier,
                          QPoint(10, log.visualRect(log.model()->index(row, 0)).center().y()));
    QTest::keyClick(&log, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QGuiApplication::clipboard()->text(),
              QStringLiteral("21:05:03\tone\n21:05:05\tthree"));
    log.AddOperationLine(QStringLiteral("four")); // a new line is again the only one highlighted
    EXPECT_EQ(log.SelectedText(), QStringLiteral("21:05:06\tfour"));
}

// From the list's context menu or the View menu: the file gets every line with its time; a file
// that cannot be written is reported and the list stays.
TEST_F(WindowTest, SaveOperationListWritesTimeAndTextOrSaysWhyNot) {
    QTemporaryDir dir;
    CReaderDlg dlg;
    dlg.OperationList().SetClock([] { return QTime(9, 5, 3); });
    dlg.AddOperationLine(QStringLiteral("Port Opened Successfully!"));
    dlg.AddOperationLine(QStringLiteral("Firmware Version: V1.2!"));
    auto* save = dlg.findChild<QAction*>(QStringLiteral("saveOperationListAction"));
    ASSERT_NE(save, nullptr);
    EXPECT_TRUE(dlg.OperationList().actions().contains(save));
    EXPECT_TRUE(dlg.findChild<QMenuBar*>()->actions()[0]->menu()->actions().contains(save));
    for (const QString& name : {QStringLiteral("list.txt"), QStringLiteral("absent/list.txt")}) {
        const QString path = dir.filePath(name);
        SetSaveFileChooser([&](const QString&, const QString&) { return path; });
        save->trigger();
        QFile file(path);
        if (file.open(QIODevice::ReadOnly))
            EXPECT_EQ(file.readAll(),
                      "09:05:03\tPort Opened Successfully!\n09:05:03\tFirmware Version: V1.2!\n");
        else
            EXPECT_TRUE(messages.value(0).startsWith("The operation list could not be saved to") &&
                        details.value(0).startsWith("The list is kept"))
                << messages.join('|').toStdString();
    }
    EXPECT_EQ(messages.size(), 1);
    EXPECT_EQ(dlg.OperationList().LineCount(), 2);
    Click(dlg, "clearOperationListButton");
    EXPECT_EQ(dlg.OperationList().LineCount(), 0);
}

} // namespace
