// The operation list: time stamps, the one highlighted newest line, clearing, saving.
#include "windowtest.h"

#include "ui/filechooser.h"

#include <QAction>
#include <QFile>
#include <QMenuBar>
#include <QTemporaryDir>

namespace {

TEST(OperationLog, TimeColumnIsTwoDigitTwentyFourHourClock) {
    COperationLog log;
    QTime now(9, 5, 3);
    log.SetClock([&] { return now; });
    log.AddOperationLine(QStringLiteral("first"));
    now = QTime(21, 0, 59);
    log.AddOperationLine(QStringLiteral("second"));
    EXPECT_EQ(log.TimeAt(0), QStringLiteral("09:05:03"));
    EXPECT_EQ(log.TimeAt(1), QStringLiteral("21:00:59"));
    EXPECT_EQ(log.TextAt(1), QStringLiteral("second"));
}

TEST_F(WindowTest, ClearOperationListThenOneLineLeavesOneHighlightedLine) {
    CReaderDlg dlg;
    dlg.AddOperationLine(QStringLiteral("a"));
    dlg.AddOperationLine(QStringLiteral("b"));
    Click(dlg, "clearOperationListButton");
    EXPECT_EQ(dlg.OperationList().LineCount(), 0);
    EXPECT_TRUE(messages.isEmpty());
    dlg.AddOperationLine(QStringLiteral("c"));
    EXPECT_EQ(dlg.OperationList().LineCount(), 1);
    EXPECT_EQ(dlg.OperationList().SelectedText(), dlg.OperationList().TimeAt(0) + "\tc");
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
    SetSaveFileChooser({});
    EXPECT_EQ(messages.size(), 1);
    EXPECT_EQ(dlg.OperationList().LineCount(), 2);
}

} // namespace
