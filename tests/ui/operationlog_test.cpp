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
    log.AddOperationLine(QStringLiteral("one"));
    ASSERT_EQ(log.selectedItems().size(), 1);
    EXPECT_EQ(log.selectedItems()[0]->text(1), QStringLiteral("one"));
    log.AddOperationLine(QStringLiteral("two"));
    log.AddOperationLine(QStringLiteral("three"));
    ASSERT_EQ(log.selectedItems().size(), 1);
    EXPECT_EQ(log.selectedItems()[0]->text(1), QStringLiteral("three"));
    EXPECT_EQ(log.currentItem()->text(1), QStringLiteral("three"));
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
    ASSERT_EQ(dlg.OperationList().selectedItems().size(), 1);
    EXPECT_EQ(dlg.OperationList().selectedItems()[0]->text(1), QStringLiteral("c"));
}

TEST(OperationLog, HasTheTwoColumns) {
    COperationLog log;
    EXPECT_EQ(log.headerItem()->text(0), QStringLiteral("Time"));
    EXPECT_EQ(log.headerItem()->text(1), QStringLiteral("Operation"));
    EXPECT_FALSE(log.rootIsDecorated());
}

} // namespace
