// The Inventory window: one row per distinct tag ID the program shows, counted from the simulated
// reader's stream and from a scripted line, exported as CSV; and the program does exactly what it
// did before whether the window is open or not.
#include "fakewindow.h"
#include "windowtest.h"

#include "link/portnames.h"
#include "pages/cidentify.h"
#include "protocol/frame.h"
#include "protocol/hexbytes.h"
#include "ui/cinventorydlg.h"
#include "ui/cinventorymodel.h"
#include "ui/filechooser.h"

#include <QAction>
#include <QDeadlineTimer>
#include <QFile>
#include <QLabel>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QRegularExpression>
#include <QSortFilterProxyModel>
#include <QTableView>
#include <QTemporaryDir>

namespace {

bool WaitUntil(const std::function<bool()>& done, int timeoutMs = 5000) {
    QDeadlineTimer deadline(timeoutMs);
    while (!done() && !deadline.hasExpired())
        QTest::qWait(5);
    return done();
}

std::array<std::uint8_t, 12> Id(std::uint8_t tag) {
    return {0xE2, 0x00, 0x30, 0x12, 0x34, 0x56, 0x78, 0x9A, 0xBC, 0xDE, 0xF0, tag};
}
// The ID as the Data box shows it.
QString IdText(std::uint8_t tag) {
    return QString::fromStdString(TagLineText(Id(tag).data(), 1)).left(35);
}
// A stream record of the tag, as the reader sends it.
Bytes Record(std::uint8_t tag, std::uint8_t antenna, bool goodChecksum = true,
             std::uint8_t last = 0x0A) {
    const auto id = Id(tag);
    Bytes r = {0xCC, 0x11};
    r.insert(r.end(), id.begin(), id.end());
    r.push_back(antenna);
    r.push_back(static_cast<std::uint8_t>(FrameChecksum(r.data(), 15) + (goodChecksum ? 0 : 1)));
    r.push_back(last);
    return r;
}

struct Seen {
    QString id;
    int antenna;
    qint64 reads;
    bool operator==(const Seen&) const = default;
};
void PrintTo(const Seen& s, std::ostream* os) {
    *os << s.id.toStdString() << " ant " << s.antenna << " x" << s.reads;
}
std::vector<Seen> Rows(const CInventoryModel& model) {
    std::vector<Seen> rows;
    for (const auto& row : model.Rows())
        rows.push_back({row.id, row.antenna, row.reads});
    return rows;
}

// The records of an exported file, without the empty text after the last CR LF.
QStringList ReadRecords(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QStringList records = QString::fromUtf8(file.readAll()).split(QStringLiteral("\r\n"));
    EXPECT_TRUE(records.takeLast().isEmpty()) << "the last record ends in CR LF too";
    return records;
}

// ---- the model alone ----

TEST(InventoryModel, CountsEachTagLineOnceAndNothingElse) {
    CInventoryModel model;
    const std::string lines[] = {
        TagLineText(Id(1).data(), 1),
        "NO.0: " + TagLineText(Id(2).data(), 3),
        "NO.1: " + TagLineText(Id(1).data(), 4),
        "E2 00(Antenna1) \r\n",                               // too short for an ID
        "E2 00 30 12 34 56 78 9A BC DE F0 ZZ(Antenna1) \r\n", // not hex
        "E2 00 30 12 34 56 78 9A BC DE F0 11(Antenna) \r\n",  // no antenna number
        "Read Tag Successfully!"};
    qint64 now = 1000;
    int counted = 0;
    for (const std::string& line : lines)
        counted += model.ObserveTagLine(line, now += 10) ? 1 : 0;
    EXPECT_EQ(counted, 3);
    EXPECT_EQ(Rows(model), (std::vector<Seen>{{IdText(1), 4, 2}, {IdText(2), 3, 1}}));
    EXPECT_EQ(model.Rows()[0].firstMs, 1010);
    EXPECT_EQ(model.Rows()[0].lastMs, 1030);
    EXPECT_EQ(model.TotalReads(), 3);
}

TEST(InventoryModel, ViewsLearnOfReadsOnlyAtAFlushAndOnlyWhileLive) {
    CInventoryModel model;
    int inserted = 0, changed = 0;
    QObject::connect(&model, &QAbstractItemModel::rowsInserted, [&] { ++inserted; });
    QObject::connect(&model, &QAbstractItemModel::dataChanged, [&] { ++changed; });
    for (int i = 0; i < 50; ++i)
        model.Observe(IdText(static_cast<std::uint8_t>(i % 2)).toStdString(), 1, i);
    EXPECT_EQ(model.rowCount(), 0);
    EXPECT_FALSE(model.FlushPending());
    model.SetLive(true); // catches up at once, in one insertion
    EXPECT_EQ(model.rowCount(), 2);
    EXPECT_EQ(inserted, 1);
    for (int i = 0; i < 50; ++i)
        model.Observe(IdText(static_cast<std::uint8_t>(i % 2)).toStdString(), 2, 100 + i);
    EXPECT_EQ(changed, 0);
    ASSERT_TRUE(model.FlushPending());
    ASSERT_TRUE(WaitUntil([&] { return !model.FlushPending(); }));
    EXPECT_EQ(changed, 1);
    EXPECT_EQ(model.data(model.index(0, CInventoryModel::ReadsColumn)).toLongLong(), 50);
}

TEST(InventoryModel, RateCoversTheRunFromItsFirstReadToItsLast) {
    CInventoryModel model;
    const std::string id = IdText(1).toStdString();
    for (int i = 0; i <= 10; ++i)
        model.Observe(id, 1, 1000 + 10 * i); // 11 reads 10 ms apart
    EXPECT_EQ(model.RunReadsPerSecond(), 100.0);
    EXPECT_TRUE(model.SummaryText().contains(QStringLiteral("Reads per second (last run): 100.0")));
    model.StartRun(); // the figure stays until the new stream reads
    EXPECT_EQ(model.RunReadsPerSecond(), 100.0);
    model.Observe(id, 1, 9000);
    EXPECT_EQ(model.RunReadsPerSecond(), std::nullopt);
    model.Observe(id, 1, 9500);
    EXPECT_EQ(model.RunReadsPerSecond(), 2.0);
    EXPECT_EQ(model.TotalReads(), 13);
    model.Clear();
    EXPECT_EQ(model.DistinctTags() + model.TotalReads(), 0);
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

TEST(InventoryModel, ExportedFileReadsBackAsTheRows) {
    CInventoryModel model;
    const qint64 t0 = QDateTime::currentMSecsSinceEpoch() / 1000 * 1000 + 42;
    model.Observe(IdText(1).toStdString(), 2, t0);
    model.Observe(IdText(7).toStdString(), 1, t0 + 5);
    model.Observe(IdText(1).toStdString(), 3, t0 + 1250);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("tags.csv"));
    QString error;
    ASSERT_TRUE(model.ExportCsv(path, {1, 0}, &error)) << error.toStdString();
    const QStringList records = ReadRecords(path);
    ASSERT_EQ(records.size(), 3);
    EXPECT_EQ(records[0], QStringLiteral("Tag ID,Antenna,Reads,First Seen,Last Seen"));
    EXPECT_TRUE(records[1].startsWith(IdText(7) + QStringLiteral(",1,1,")));
    const QStringList one = records[2].split(QLatin1Char(','));
    EXPECT_EQ(one.mid(0, 3), QStringList({IdText(1), "3", "2"}));
    const QRegularExpression iso(
        QStringLiteral(R"(^\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}[+-]\d\d:\d\d$)"));
    for (const QString& time : {one[3], one[4]})
        EXPECT_TRUE(iso.match(time).hasMatch()) << time.toStdString();
    EXPECT_EQ(QDateTime::fromString(one[3], Qt::ISODateWithMs).toMSecsSinceEpoch(), t0);
    EXPECT_EQ(QDateTime::fromString(one[4], Qt::ISODateWithMs).toMSecsSinceEpoch(), t0 + 1250);
}

// ---- the window on an in-memory line ----

class InventoryWindow : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        line = ConnectToFakeLine(dlg);
        dlg.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&dlg));
    }
    void TearDown() override {
        SetSaveFileChooser({});
        WindowTest::TearDown();
    }
    void OpenInventory() {
        dlg.findChild<QAction*>(QStringLiteral("inventoryAction"))->trigger();
        ASSERT_NE(dlg.InventoryWindow(), nullptr);
        ASSERT_TRUE(QTest::qWaitForWindowExposed(dlg.InventoryWindow()));
    }
    void Answer(const Bytes& bytes) {
        line->Deliver(QByteArray(reinterpret_cast<const char*>(bytes.data()),
                                 static_cast<qsizetype>(bytes.size())));
    }
    // Multiple Tags, Identify Tag, and the start chain answered up to the first record.
    void StartStream() {
        dlg.IdentifyPage().OnMultipleTags();
        dlg.IdentifyPage().OnIdentifyTag();
        Answer(BuildFrame(kDataHeader, 0x63, Bytes{0x02, 0x00, 0x70, 0x02, 0x05}));
        Answer({0xE4, 0x03, 0x60, 0x00, 0xB9});
        Answer({0xE4, 0x03, 0x65, 0x00, 0xB4});
    }
    // Records of four tags with repeats, every tenth with a bad checksum and every tenth a zero
    // last byte, given in events of 64 bytes.
    void StreamWithRejects(int count) {
        Bytes all;
        for (int n = 0; n < count; ++n) {
            const Bytes r =
                Record(static_cast<std::uint8_t>(n % 4), static_cast<std::uint8_t>(n % 3),
                       n % 10 != 3, n % 10 == 7 ? 0x00 : 0x0A);
            all.insert(all.end(), r.begin(), r.end());
        }
        for (std::size_t i = 0; i < all.size(); i += 64)
            Answer(Bytes(all.begin() + static_cast<long>(i),
                         all.begin() + static_cast<long>(std::min(i + 64, all.size()))));
    }

    CReaderDlg dlg;
    CFakeBackend* line = nullptr;
};

TEST_F(InventoryWindow, RecordsTheProgramRejectsAreNotCounted) {
    StartStream();
    const Bytes records[] = {
        Record(1, 1), Record(2, 1, false), Record(3, 1, true, 0x00), Record(1, 2),
        Record(4, 1), Record(1, 3, false), Record(4, 5, true, 0x00)};
    for (const Bytes& r : records)
        Answer(r);
    EXPECT_EQ(Rows(dlg.Inventory()), (std::vector<Seen>{{IdText(1), 2, 2}, {IdText(4), 1, 1}}));
    EXPECT_EQ(dlg.Inventory().TotalReads(), 3);
}

TEST_F(InventoryWindow, TheProgramDoesTheSameWithTheWindowOpenOrClosed) {
    // What the operator and the reader see of a stream of 120 records, first with the window
    // never opened, then once more with it open.
    const auto run = [this](CReaderDlg& window, CFakeBackend* wire) {
        StartStream();
        StreamWithRejects(120);
        window.IdentifyPage().RefreshBox();
        QStringList written;
        for (const QByteArray& frame : wire->m_written)
            written << QString::fromLatin1(frame.toHex(' '));
        return QStringList{window.findChild<QPlainTextEdit*>("identifyDataBox")->toPlainText(),
                           Lines(window).join('|'), written.join('|'), messages.join('|')};
    };
    const QStringList closed = run(dlg, line);
    EXPECT_EQ(dlg.InventoryWindow(), nullptr);
    dlg.Inventory().Clear();
    messages.clear();
    line->m_written.clear();
    dlg.OnClearOperationList();
    OpenInventory();
    const QStringList open = run(dlg, line);
    EXPECT_EQ(open, closed);
    EXPECT_EQ(closed[0].count(QLatin1Char('\n')), 80); // the Data box lists the 80 good records
    EXPECT_TRUE(closed[3].contains(QStringLiteral("Exceed 100 Tags")));
    // 100 records examined, 80 of them good, of four tags.
    EXPECT_EQ(dlg.Inventory().TotalReads(), 80);
    ASSERT_TRUE(WaitUntil([&] { return !dlg.Inventory().FlushPending(); }));
    EXPECT_EQ(dlg.InventoryWindow()->Table().model()->rowCount(), 4);
}

TEST_F(InventoryWindow, ExportFollowsTheTableOrderAndAFailureKeepsTheRows) {
    OpenInventory();
    CInventoryDlg& window = *dlg.InventoryWindow();
    dlg.AppendTagLine(TagLineText(Id(1).data(), 1));
    for (int i = 0; i < 10; ++i)
        dlg.AppendTagLine(TagLineText(Id(2).data(), 2));
    dlg.Inventory().Flush();
    // Sorted by reads, most first: 10 before 1 (numbers, not text).
    window.Table().sortByColumn(CInventoryModel::ReadsColumn, Qt::DescendingOrder);
    QTemporaryDir dir;
    QString path;
    SetSaveFileChooser([&](const QString&, const QString&) { return path; });
    for (const QString& bad : {dir.filePath(QStringLiteral("missing/tags.csv")), dir.path()}) {
        path = bad;
        messages.clear();
        QTest::mouseClick(window.findChild<QPushButton*>("inventoryExportButton"), Qt::LeftButton);
        ASSERT_EQ(messages.size(), 1) << bad.toStdString();
        const QString start = QStringLiteral("Could not export the inventory to %1: ").arg(bad);
        ASSERT_TRUE(messages[0].startsWith(start)) << messages[0].toStdString();
        const QStringList reason = messages[0].mid(start.size()).split(QLatin1Char('\n'));
        EXPECT_FALSE(reason[0].isEmpty());
        EXPECT_EQ(reason.value(1), QStringLiteral("The rows are kept."));
        EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("missing"))));
        EXPECT_EQ(dlg.Inventory().DistinctTags(), 2);
    }
    messages.clear();
    path = dir.filePath(QStringLiteral("tags.csv"));
    QTest::mouseClick(window.findChild<QPushButton*>("inventoryExportButton"), Qt::LeftButton);
    EXPECT_TRUE(messages.isEmpty());
    const QStringList records = ReadRecords(path);
    ASSERT_EQ(records.size(), 3);
    EXPECT_TRUE(records[1].startsWith(IdText(2) + QStringLiteral(",2,10,")));
    EXPECT_TRUE(records[2].startsWith(IdText(1) + QStringLiteral(",1,1,")));

    QTest::mouseClick(window.findChild<QPushButton*>("inventoryClearButton"), Qt::LeftButton);
    EXPECT_EQ(window.Table().model()->rowCount(), 0);
    EXPECT_EQ(window.findChild<QLabel*>("inventorySummary")->text(), dlg.Inventory().SummaryText());
}

// ---- against the simulated reader, at 115200 bit/s ----

TEST_F(WindowTest, SimulatorStreamGivesOneRowPerTagWithItsCount) {
    CReaderDlg dlg;
    dlg.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dlg));
    auto* ports = dlg.findChild<QComboBox*>(QStringLiteral("portList"));
    ports->setCurrentIndex(ports->findText(kSimulatorPort));
    Choose(dlg, "baudList", QStringLiteral("115200"));
    Click(dlg, "connectButton");
    ASSERT_TRUE(WaitUntil([&] { return dlg.m_connected == 1; }));
    dlg.findChild<QAction*>(QStringLiteral("inventoryAction"))->trigger();
    QTest::mouseClick(dlg.findChild<QRadioButton*>("identifyMultipleTagsRadio"), Qt::LeftButton);
    Click(dlg, "identifyTagButton");
    ASSERT_TRUE(WaitUntil([&] { return !messages.isEmpty(); }));
    EXPECT_EQ(messages, QStringList({"Exceed 100 Tags. Identifying Stopped!"}));

    // Every line of the Data box is one read of its row's tag, from the row's antenna.
    const QStringList lines =
        dlg.IdentifyPage().m_tagText.split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 100);
    const CInventoryModel& model = dlg.Inventory();
    ASSERT_EQ(model.DistinctTags(), 3); // the simulator's three tags, streamed in turn
    for (const auto& row : model.Rows()) {
        const QString read = row.id + QStringLiteral("(Antenna%1) ").arg(row.antenna);
        EXPECT_EQ(lines.filter(read).size(), row.reads) << read.toStdString();
    }
    EXPECT_EQ(model.TotalReads(), 100);
    ASSERT_TRUE(WaitUntil([&] { return !model.FlushPending(); }));
    EXPECT_EQ(dlg.InventoryWindow()->Proxy().rowCount(), 3);

    // A single identify counts as one more read of the tag in focus.
    QTest::mouseClick(dlg.findChild<QRadioButton*>("identifySingleTagRadio"), Qt::LeftButton);
    QTest::qWait(50);
    Click(dlg, "identifyTagButton");
    ASSERT_TRUE(WaitUntil([&] { return model.TotalReads() == 101; }));
    EXPECT_EQ(model.DistinctTags(), 3);
}

} // namespace
