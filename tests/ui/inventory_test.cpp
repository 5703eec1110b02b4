// The Inventory window: one row per distinct tag ID the program shows, counted from the stream of
// a scripted line, exported as CSV; the program itself behaves the same whether the window is open
// or not.
#include "pagetest.h"
#include "tagrecord.h"

#include "pages/cidentify.h"
#include "protocol/hexbytes.h"
#include "ui/cinventorydlg.h"
#include "ui/cinventorymodel.h"
#include "ui/filechooser.h"

#include <QAction>
#include <QFile>
#include <QLabel>
#include <QRegularExpression>
#include <QTableView>
#include <QTemporaryDir>

namespace {

std::array<std::uint8_t, 12> Id(std::uint8_t tag) {
    return {0xE2, 0x00, 0x30, 0x12, 0x34, 0x56, 0x78, 0x9A, 0xBC, 0xDE, 0xF0, tag};
}
std::string Line(std::uint8_t tag, int antenna) {
    return TagLineText(Id(tag).data(), antenna);
}
QString IdText(std::uint8_t tag) {
    return QString::fromStdString(Line(tag, 1)).left(35);
}
// A stream record of the tag, as the reader sends it, optionally spoilt.
Bytes Record(std::uint8_t tag, std::uint8_t antenna, bool goodSum = true, std::uint8_t last = 10) {
    Bytes r = TagRecord(Id(tag), antenna);
    r[15] = static_cast<std::uint8_t>(r[15] + (goodSum ? 0 : 1));
    r[16] = last;
    return r;
}
TEST(InventoryModel, RateCoversTheRunFromItsFirstReadToItsLast) {
    CInventoryModel model;
    for (int i = 0; i <= 10; ++i)
        model.Observe("E2", 1, 1000 + 10 * i); // 11 reads 10 ms apart
    model.StartRun();                          // the figure stays until the new stream reads twice
    EXPECT_TRUE(model.SummaryText().contains(QStringLiteral("Reads per second (last run): 100.0")));
    model.Observe("E2", 1, 9000);
    EXPECT_EQ(model.RunReadsPerSecond(), std::nullopt);
    model.Observe("E2", 1, 9500);
    EXPECT_EQ(model.RunReadsPerSecond(), 2.0);
    model.Clear();
    EXPECT_EQ(model.SummaryText(), QStringLiteral("Distinct tags: 0    Total reads: 0    "
                                                  "Reads per second (last run): -"));
}

TEST(InventoryModel, CsvFieldsAreQuotedOnlyWhenTheyMustBe) {
    const std::pair<const char*, const char*> table[] = {{"E2 00 30", "E2 00 30"},
                                                         {"", ""},
                                                         {"a,b", "\"a,b\""},
                                                         {"say \"hi\"", "\"say \"\"hi\"\"\""},
                                                         {"two\r\nlines", "\"two\r\nlines\""}};
    for (const auto& [field, written] : table)
        EXPECT_EQ(CsvField(QString::fromLatin1(field)), QString::fromLatin1(written)) << field;
    EXPECT_EQ(CsvRecord({"1", "x\"y", ""}), QStringLiteral("1,\"x\"\"y\",\r\n"));
}

class InventoryWindow : public PageTest<> {
protected:
    void OpenInventory() {
        dlg.findChild<QAction*>(QStringLiteral("inventoryAction"))->trigger();
        ASSERT_NE(dlg.InventoryWindow(), nullptr);
        ASSERT_TRUE(QTest::qWaitForWindowExposed(dlg.InventoryWindow()));
    }
    // Multiple Tags, Identify Tag, and the start chain answered up to the first record.
    void StartStream() {
        dlg.IdentifyPage().OnMultipleTags();
        dlg.IdentifyPage().OnIdentifyTag();
        Answer(BuildFrame(kDataHeader, 0x63, Bytes{0x02, 0x00, 0x70, 0x02, 0x05}));
        Answer({0xE4, 0x03, 0x60, 0x00, 0xB9});
        Answer({0xE4, 0x03, 0x65, 0x00, 0xB4});
    }
};

TEST_F(InventoryWindow, TheProgramDoesTheSameWithTheWindowOpenOrClosed) {
    // 120 records of four tags, every tenth with a bad checksum and every tenth a zero last
    // byte, in events of 64 bytes; what the operator and the reader see, window closed, then open.
    const auto run = [this] {
        StartStream();
        QByteArray all;
        for (int n = 0; n < 120; ++n)
            all += Wire(Record(n % 4, n % 3, n % 10 != 3, n % 10 == 7 ? 0 : 10));
        for (qsizetype i = 0; i < all.size(); i += 64)
            line->Deliver(all.mid(i, 64));
        dlg.IdentifyPage().RefreshBox();
        return QStringList{Control<QPlainTextEdit>(dlg, "identifyDataBox")->toPlainText(),
                           Lines(dlg).join('|'), TakeSent(*line).join('|'), messages.join('|')};
    };
    const QStringList closed = run();
    EXPECT_EQ(dlg.InventoryWindow(), nullptr);
    dlg.Inventory().Clear();
    messages.clear();
    dlg.OnClearOperationList();
    OpenInventory();
    EXPECT_EQ(run(), closed);
    EXPECT_EQ(closed[0].count(QLatin1Char('\n')), 80); // 100 records examined, 80 good
    EXPECT_TRUE(closed[3].contains(QStringLiteral("Exceed 100 Tags")));
    EXPECT_EQ(dlg.Inventory().TotalReads(), 80);
    ASSERT_TRUE(WaitUntil([&] { return !dlg.Inventory().FlushPending(); }));
    EXPECT_EQ(dlg.InventoryWindow()->Table().model()->rowCount(), 4);
}

TEST_F(InventoryWindow, ExportFollowsTheTableOrderAndAFailureKeepsTheRows) {
    OpenInventory();
    CInventoryDlg& window = *dlg.InventoryWindow();
    const qint64 t0 = QDateTime::currentMSecsSinceEpoch();
    dlg.AppendTagLine(Line(1, 1));
    for (int i = 0; i < 10; ++i)
        dlg.AppendTagLine(Line(2, 2));
    dlg.Inventory().Flush();
    window.Table().sortByColumn(CInventoryModel::ReadsColumn, Qt::DescendingOrder); // 10 before 1
    QTemporaryDir dir;
    QString path;
    SetSaveFileChooser([&](const QString&, const QString&) { return path; });
    auto* exportButton = Control<QPushButton>(window, "inventoryExportButton");
    for (const QString& bad : {dir.filePath(QStringLiteral("missing/tags.csv")), dir.path()}) {
        path = bad;
        messages.clear();
        QTest::mouseClick(exportButton, Qt::LeftButton);
        const QRegularExpression text("^Could not export the inventory to " +
                                      QRegularExpression::escape(bad) +
                                      ": .+\nThe rows are kept.$");
        EXPECT_TRUE(messages.size() == 1 && text.match(messages[0]).hasMatch())
            << messages.join('|').toStdString();
        EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("missing"))));
        EXPECT_EQ(dlg.Inventory().DistinctTags(), 2);
    }
    messages.clear();
    path = dir.filePath(QStringLiteral("tags.csv"));
    QTest::mouseClick(exportButton, Qt::LeftButton);
    EXPECT_TRUE(messages.isEmpty());
    QFile file(path);
    const QStringList records = file.open(QIODevice::ReadOnly)
                                    ? QString::fromUtf8(file.readAll()).split("\r\n")
                                    : QStringList();
    ASSERT_EQ(records.size(), 4) << "three records, each ending in CR LF";
    EXPECT_EQ(records[0], QStringLiteral("Tag ID,Antenna,Reads,First Seen,Last Seen"));
    EXPECT_TRUE(records[1].startsWith(IdText(2) + QStringLiteral(",2,10,")));
    EXPECT_TRUE(records[2].startsWith(IdText(1) + QStringLiteral(",1,1,")));
    EXPECT_TRUE(records[3].isEmpty());
    // Times in ISO 8601 with milliseconds and the zone, read back as the time of the read.
    const QRegularExpression iso(
        QStringLiteral(R"(^\d{4}-\d\d-\d\dT[\d:]{8}\.\d{3}[+-]\d\d:\d\d$)"));
    const QString first = records[2].section(QLatin1Char(','), 3, 3);
    EXPECT_TRUE(iso.match(first).hasMatch()) << first.toStdString();
    EXPECT_NEAR(QDateTime::fromString(first, Qt::ISODateWithMs).toMSecsSinceEpoch(), t0, 2000);

    QTest::mouseClick(Control<QPushButton>(window, "inventoryClearButton"), Qt::LeftButton);
    EXPECT_EQ(window.Table().model()->rowCount(), 0);
    EXPECT_EQ(Control<QLabel>(window, "inventorySummary")->text(), dlg.Inventory().SummaryText());
}

// The chart's figures against a scripted stream: each sample of the totals gives the reads per
// second since the previous one and the distinct count, over the last minute.
TEST(ReadRateHistory, FollowsAScriptedStream) {
    struct Sample {
        qint64 ms, reads;
        int distinct;
    };
    // clang-format off
    const struct { const char* name; std::vector<Sample> samples; std::vector<std::pair<double, int>> points; } rows[] = {
        {"steady", {{0, 0, 0}, {1000, 677, 3}, {2000, 1354, 3}}, {{677, 3}, {677, 3}}},
        {"uneven ticks", {{0, 0, 0}, {500, 100, 1}, {2000, 400, 2}}, {{200, 1}, {200, 2}}},
        {"paused", {{0, 0, 0}, {1000, 300, 2}, {2000, 300, 2}}, {{300, 2}, {0, 2}}},
        {"inventory cleared", {{0, 0, 0}, {1000, 500, 5}, {2000, 10, 1}, {3000, 110, 2}}, {{500, 5}, {100, 2}}},
        {"older than a minute", {{0, 0, 0}, {5000, 50, 1}, {20000, 200, 1}, {70000, 700, 1}}, {{10, 1}, {10, 1}}},
    };
    // clang-format on
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        CReadRateHistory history;
        for (const Sample& s : row.samples)
            history.Sample(s.ms, s.reads, s.distinct);
        std::vector<std::pair<double, int>> points;
        for (const auto& p : history.Points())
            points.emplace_back(p.readsPerSecond, p.distinct);
        EXPECT_EQ(points, row.points);
    }
}

} // namespace
