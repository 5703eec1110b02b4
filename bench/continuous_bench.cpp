// A continuous inventory of 1,000,000 records through the real window with the Inventory window
// open: receive event, dispatcher, Data box (newest 1,000 lines), inventory, table and chart.
//
//   BM_ContinuousMillion/<records per receive event>
//     us_per_record   host CPU time per record (thread time, so other programs' turns on a
//                     shared machine do not count); a record takes 1.48 ms on a 115200 bit/s line
//     rss_growth_kib  resident memory at the end minus after the first 10,000 records
//     box_us_*        mean Data box refresh (the lines of 250 ms), first and last 10% of the run
//     paint_us_*      mean of the window events (layout, paint) after each box refresh
//     table_us_*      mean Inventory table update (Flush and its events)
//     chart_us_*      mean chart and status bar update (sample, redraw and their events)
//
// The records are fed as fast as the window takes them (RECORDS in the environment overrides the
// million); the box, the table and the chart are updated after as many records as a 115200 bit/s
// line carries in their timers' periods (250 ms, 1 s, 1 s). The stream cycles through 50 tags on
// antennas 1-4.
#include "fakewindow.h"
#include "tagrecord.h"

#include "pages/cidentify.h"
#include "ui/cinventorydlg.h"
#include "ui/cinventorymodel.h"
#include "ui/creaderdlg.h"
#include "widgets/messagebox.h"

#include "qtbenchmain.h"

#include <QCoreApplication>
#include <QDateTime>
#include <benchmark/benchmark.h>
#include <ctime>
#include <fstream>
#include <unistd.h>

namespace {

const std::int64_t kRecords =
    qEnvironmentVariableIntValue("RECORDS") ? qEnvironmentVariableIntValue("RECORDS") : 1000000;
constexpr std::int64_t kBaseline = 10000;
constexpr std::int64_t kTags = 50;
// Records a 115200 bit/s line carries in ms milliseconds.
constexpr std::int64_t RecordsIn(int ms) {
    return ms * 115200 / (17 * 10 * 1000);
}
constexpr std::int64_t kRecordsPerBoxRefresh = RecordsIn(CIdentify::kContinuousBoxRefreshMs);
constexpr std::int64_t kRecordsPerTableFlush = RecordsIn(CInventoryModel::kFlushIntervalMs);
constexpr std::int64_t kRecordsPerChartTick = RecordsIn(CInventoryDlg::kChartTickMs);

double ThreadSeconds() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

double ResidentKib() {
    std::ifstream statm("/proc/self/statm");
    long size = 0;
    long resident = 0;
    statm >> size >> resident;
    return static_cast<double>(resident) * static_cast<double>(sysconf(_SC_PAGESIZE)) / 1024.0;
}

QByteArray Raw(const Bytes& bytes) {
    return QByteArray(reinterpret_cast<const char*>(bytes.data()),
                      static_cast<qsizetype>(bytes.size()));
}

// Mean of a timing over the first and the last tenth of the run.
struct Timing {
    double first = 0, last = 0;
    std::int64_t firstCount = 0, lastCount = 0;
    void Add(std::int64_t record, double seconds) {
        if (record < kRecords / 10) {
            first += seconds;
            ++firstCount;
        } else if (record >= kRecords - kRecords / 10) {
            last += seconds;
            ++lastCount;
        }
    }
    double FirstUs() const { return firstCount ? first * 1e6 / firstCount : 0; }
    double LastUs() const { return lastCount ? last * 1e6 / lastCount : 0; }
};

void BM_ContinuousMillion(benchmark::State& state) {
    const auto recordsPerEvent = static_cast<std::int64_t>(state.range(0));
    SetMessageRecorder([](const QString&) {});
    CReaderDlg dlg;
    CFakeBackend* line = ConnectToFakeLine(dlg);
    dlg.show();
    CIdentify& page = dlg.IdentifyPage();
    page.OnMultipleTags();
    page.m_values.continuous = 1;
    page.UpdateData(false);
    dlg.OnInventory();
    CInventoryDlg& inventory = *dlg.InventoryWindow();
    QCoreApplication::processEvents();

    QByteArray records;
    for (std::int64_t n = 0; n < kTags; ++n)
        records += Raw(TagRecord(NumberedTagId(static_cast<std::uint8_t>(n)),
                                 static_cast<std::uint8_t>(1 + n % 4)));

    for (auto _ : state) {
        page.OnIdentifyTag();
        line->Deliver(Raw(BuildFrame(kDataHeader, 0x63, Bytes{0x02, 0x00, 0x70, 0x02, 0x05})));
        line->Deliver(Raw({0xE4, 0x03, 0x60, 0x00, 0xB9}));
        line->Deliver(Raw({0xE4, 0x03, 0x65, 0x00, 0xB4}));
        line->m_written.clear();

        Timing box;
        Timing paint;
        Timing table;
        Timing chart;
        double baselineKib = 0;
        double peakKib = 0;
        const double start = ThreadSeconds();
        // The chart's clock is the wire's: one sample per second of records.
        const qint64 wireStartMs = QDateTime::currentMSecsSinceEpoch();
        for (std::int64_t n = 0; n < kRecords; n += recordsPerEvent) {
            QByteArray event;
            for (std::int64_t i = n; i < n + recordsPerEvent; ++i)
                event += records.mid(static_cast<qsizetype>(i % kTags) * 17, 17);
            line->Deliver(event);
            const std::int64_t done = n + recordsPerEvent;
            if (done % kRecordsPerBoxRefresh < recordsPerEvent) {
                const double t0 = ThreadSeconds();
                page.RefreshBox();
                const double t1 = ThreadSeconds();
                QCoreApplication::processEvents();
                box.Add(n, t1 - t0);
                paint.Add(n, ThreadSeconds() - t1);
            }
            if (done % kRecordsPerTableFlush < recordsPerEvent) {
                const double t0 = ThreadSeconds();
                dlg.Inventory().Flush();
                QCoreApplication::processEvents();
                table.Add(n, ThreadSeconds() - t0);
            }
            if (done % kRecordsPerChartTick < recordsPerEvent) {
                const double t0 = ThreadSeconds();
                inventory.SampleRate(wireStartMs + done * 17 * 10 * 1000 / 115200);
                dlg.StatusBar().Refresh();
                QCoreApplication::processEvents();
                chart.Add(n, ThreadSeconds() - t0);
            }
            if (done % kBaseline < recordsPerEvent) {
                const double kib = ResidentKib();
                if (done <= kBaseline)
                    baselineKib = kib;
                peakKib = std::max(peakKib, kib);
            }
        }
        page.RefreshBox();
        const double seconds = ThreadSeconds() - start;
        state.SetIterationTime(seconds);
        if (!line->m_written.empty() || dlg.Inventory().TotalReads() < kRecords ||
            page.m_values.tagText.count(QStringLiteral("\r\n")) != CIdentify::kContinuousLines) {
            state.SkipWithError("the stream stopped, lost records or kept too many lines");
            break;
        }
        state.counters["us_per_record"] = seconds * 1e6 / kRecords;
        state.counters["share_of_wire_pct"] = seconds * 1e6 / kRecords / 1476.0 * 100.0;
        state.counters["rss_growth_kib"] = ResidentKib() - baselineKib;
        state.counters["rss_peak_growth_kib"] = peakKib - baselineKib;
        state.counters["box_us_first"] = box.FirstUs();
        state.counters["box_us_last"] = box.LastUs();
        state.counters["paint_us_first"] = paint.FirstUs();
        state.counters["paint_us_last"] = paint.LastUs();
        state.counters["table_us_first"] = table.FirstUs();
        state.counters["table_us_last"] = table.LastUs();
        state.counters["chart_us_first"] = chart.FirstUs();
        state.counters["chart_us_last"] = chart.LastUs();
        page.OnPause();
    }
    SetMessageRecorder({});
}
BENCHMARK(BM_ContinuousMillion)
    ->Arg(1)
    ->Arg(2)
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kSecond);

} // namespace

int main(int argc, char** argv) {
    return RunQtBenchmarks(argc, argv);
}
