// Host cost of the multi-tag record stream on the Tag Identify page, measured through the real
// window: receive event, buffer, dispatcher and the page's Data box.
//
//   BM_StreamPerRecord/<chunk>   100 records delivered in receive events of <chunk> bytes, the
//                                Data box refreshed as often as the page's refresh timer does at
//                                wire speed; "us_per_record" is host time per record, and
//                                "us_display" the part of it spent in the Data box.
//   BM_LastByteToStop            the receive event that carries the last byte of the 100th record,
//                                up to the stop request on the line.
//   BM_AppendTagLine/<lines>     one tag line appended to a Data box that already holds <lines>
//                                lines and shown at once (the worst case: a refresh per line);
//                                flat across sizes when the box is appended to, not rebuilt.
//   BM_StreamPerRecordInventoryOpen/<chunk>   BM_StreamPerRecord with the Inventory window shown.
//   BM_InventoryObserve/<tags>   what the inventory adds to a shown tag line: the clock read and
//                                the count, with <tags> distinct tags read in turn.
//
// A record takes 17 x 10 bit / 115200 bit/s = 1.48 ms on the wire.
#include "fakewindow.h"
#include "tagrecord.h"

#include "pages/cidentify.h"
#include "protocol/frame.h"
#include "protocol/hexbytes.h"
#include "ui/cinventorymodel.h"
#include "ui/creaderdlg.h"
#include "widgets/cpropertysheet.h"
#include "widgets/messagebox.h"

#include "qtbenchmain.h"

#include <QApplication>
#include <QDateTime>
#include <benchmark/benchmark.h>
#include <chrono>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr int kRecords = 100;
constexpr std::size_t kRecordSize = 17;
// Records that arrive at 115200 bit/s during one refresh period of the Data box.
constexpr std::size_t kRecordsPerRefresh =
    CIdentify::kBoxRefreshMs * 115200 / (1000 * kRecordSize * 10);

QByteArray Raw(const Bytes& bytes) {
    return QByteArray(reinterpret_cast<const char*>(bytes.data()),
                      static_cast<qsizetype>(bytes.size()));
}

Bytes Record(int n) {
    return TagRecord(NumberedTagId(static_cast<std::uint8_t>(n)),
                     static_cast<std::uint8_t>(1 + n % 4));
}

Bytes HundredRecords() {
    Bytes stream;
    for (int n = 0; n < kRecords; ++n) {
        const Bytes r = Record(n);
        stream.insert(stream.end(), r.begin(), r.end());
    }
    return stream;
}

// A connected window on an in-memory line, with the Tag Identify page shown in Multiple Tags.
struct Window {
    Window() {
        SetMessageRecorder([](const QString&) {});
        line = ConnectToFakeLine(dlg);
        dlg.show();
        dlg.IdentifyPage().OnMultipleTags();
    }
    ~Window() { SetMessageRecorder({}); }

    // Runs the start chain up to the first record.
    void StartStream() {
        dlg.IdentifyPage().OnIdentifyTag();
        const Bytes mode = {0x02, 0x00, 0x70, 0x02, 0x05};
        line->Deliver(Raw(BuildFrame(kDataHeader, 0x63, mode)));
        line->Deliver(Raw({0xE4, 0x03, 0x60, 0x00, 0xB9}));
        line->Deliver(Raw({0xE4, 0x03, 0x65, 0x00, 0xB4}));
        line->m_written.clear();
    }
    void Deliver(const Bytes& bytes, std::size_t from, std::size_t count) {
        line->Deliver(QByteArray(reinterpret_cast<const char*>(bytes.data() + from),
                                 static_cast<qsizetype>(count)));
    }
    bool Stopped() const {
        static const QByteArray stop("\xA0\x02\xFE\x60", 4);
        return !line->m_written.empty() && line->m_written.back() == stop;
    }

    CReaderDlg dlg;
    CFakeBackend* line = nullptr;
};

void StreamPerRecord(benchmark::State& state, bool inventoryOpen) {
    const std::size_t chunk = static_cast<std::size_t>(state.range(0));
    const Bytes stream = HundredRecords();
    Window window;
    if (inventoryOpen)
        window.dlg.OnInventory();
    double seconds = 0;
    double refreshSeconds = 0;
    for (auto _ : state) {
        window.StartStream();
        CIdentify& page = window.dlg.IdentifyPage();
        const auto start = std::chrono::steady_clock::now();
        std::size_t refreshedAt = 0;
        for (std::size_t i = 0; i < stream.size(); i += chunk) {
            window.Deliver(stream, i, std::min(chunk, stream.size() - i));
            if (i + chunk >= refreshedAt + kRecordsPerRefresh * kRecordSize) {
                const auto r0 = std::chrono::steady_clock::now();
                page.RefreshBox();
                refreshSeconds +=
                    std::chrono::duration<double>(std::chrono::steady_clock::now() - r0).count();
                refreshedAt = i + chunk;
            }
        }
        page.RefreshBox();
        const auto end = std::chrono::steady_clock::now();
        if (!window.Stopped()) {
            state.SkipWithError("the stream did not stop after 100 records");
            break;
        }
        const double elapsed = std::chrono::duration<double>(end - start).count();
        seconds += elapsed;
        state.SetIterationTime(elapsed);
    }
    state.SetItemsProcessed(state.iterations() * kRecords);
    if (state.iterations() > 0)
        state.counters["us_per_record"] =
            seconds * 1e6 / static_cast<double>(state.iterations() * kRecords);
    state.counters["us_display"] =
        refreshSeconds * 1e6 / static_cast<double>(state.iterations() * kRecords);
}
void BM_StreamPerRecord(benchmark::State& state) {
    StreamPerRecord(state, false);
}
BENCHMARK(BM_StreamPerRecord)
    ->Arg(17)
    ->Arg(170)
    ->Arg(1700)
    ->UseManualTime()
    ->Unit(benchmark::kMicrosecond);

void BM_StreamPerRecordInventoryOpen(benchmark::State& state) {
    StreamPerRecord(state, true);
}
BENCHMARK(BM_StreamPerRecordInventoryOpen)
    ->Arg(17)
    ->Arg(170)
    ->UseManualTime()
    ->Unit(benchmark::kMicrosecond);

void BM_InventoryObserve(benchmark::State& state) {
    std::vector<std::string> lines;
    for (int64_t n = 0; n < state.range(0); ++n) {
        std::uint8_t id[12] = {0xE2, 0x00, 0x30, 0x12, 0x34, 0x56, 0x78, 0x9A};
        id[10] = static_cast<std::uint8_t>(n >> 8);
        id[11] = static_cast<std::uint8_t>(n);
        lines.push_back("NO.0: " + TagLineText(id, 1));
    }
    CInventoryModel model;
    std::size_t next = 0;
    for (auto _ : state) {
        model.ObserveTagLine(lines[next], QDateTime::currentMSecsSinceEpoch());
        if (++next == lines.size())
            next = 0;
    }
    if (model.DistinctTags() !=
        static_cast<int>(std::min<int64_t>(state.range(0), model.TotalReads())))
        state.SkipWithError("the tags were not counted");
}
BENCHMARK(BM_InventoryObserve)->Arg(1)->Arg(100)->Arg(10000)->Unit(benchmark::kNanosecond);

void BM_LastByteToStop(benchmark::State& state) {
    const Bytes stream = HundredRecords();
    Window window;
    for (auto _ : state) {
        window.StartStream();
        window.Deliver(stream, 0, stream.size() - 1);
        const auto start = std::chrono::steady_clock::now();
        window.Deliver(stream, stream.size() - 1, 1);
        const auto end = std::chrono::steady_clock::now();
        if (!window.Stopped()) {
            state.SkipWithError("the stream did not stop after 100 records");
            break;
        }
        state.SetIterationTime(std::chrono::duration<double>(end - start).count());
    }
}
BENCHMARK(BM_LastByteToStop)->UseManualTime()->Unit(benchmark::kMicrosecond);

void BM_AppendTagLine(benchmark::State& state) {
    Window window;
    CIdentify& page = window.dlg.IdentifyPage();
    const QString tagLine =
        QStringLiteral("NO.0: 30 31 32 33 34 35 36 37 38 39 3A 00(Antenna1) \r\n");
    for (int64_t i = 0; i < state.range(0); ++i)
        page.AppendTagLine(tagLine);
    page.RefreshBox();
    for (auto _ : state) {
        page.AppendTagLine(tagLine);
        page.RefreshBox();
    }
}
BENCHMARK(BM_AppendTagLine)
    ->Arg(0)
    ->Arg(1000)
    ->Arg(10000)
    ->Iterations(2000)
    ->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv) {
    return RunQtBenchmarks(argc, argv);
}
