// The operation list: time stamps, the one highlighted newest line, clearing.
#include "windowtest.h"

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

TEST(OperationLog, OnlyTheNewestLineIsHighlighted) {
    COperationLog log;
    log.SetClock([] { return QTime(9, 5, 3); });
    log.AddOperationLine(QStringLiteral("one"));
    EXPECT_EQ(log.SelectedText(), QStringLiteral("09:05:03\tone"));
    log.AddOperationLine(QStringLiteral("two"));
    log.AddOperationLine(QStringLiteral("three"));
    EXPECT_EQ(log.SelectedText(), QStringLiteral("09:05:03\tthree"));
    EXPECT_EQ(log.currentIndex().row(), 2);
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

TEST(OperationLog, HasTheTwoColumns) {
    COperationLog log;
    EXPECT_EQ(log.model()->columnCount(), 2);
    EXPECT_EQ(log.model()->headerData(0, Qt::Horizontal), QStringLiteral("Time"));
    EXPECT_EQ(log.model()->headerData(1, Qt::Horizontal), QStringLiteral("Operation"));
}

} // namespace
