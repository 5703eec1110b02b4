// What the Frame Trace window costs the multi-tag record stream, measured through the real window
// on an in-memory line: receive event, dispatcher, Data box, and with the trace open its
// assembler and one view update per stream (at wire speed a stream of 100 records lasts 148 ms,
// about one and a half trace ticks).
//
//   BM_StreamTraceClosed/<chunk>  100 records in receive events of <chunk> bytes, trace closed.
//   BM_StreamTraceOpen/<chunk>    the same with the Frame Trace window open; "us_view" is the part
//                                 of "us_per_record" spent putting the lines into the view.
//   BM_TraceAtLimit               one record line added to a trace that already holds its
//                                 100,000 lines, in batches of 100 (the oldest dropped).
//
// A record takes 17 x 10 bit / 115200 bit/s = 1.48 ms on the wire.
#include "fakewindow.h"
#include "tagrecord.h"

#include "pages/cidentify.h"
#include "protocol/frame.h"
#include "ui/cframetrace.h"
#include "ui/creaderdlg.h"
#include "widgets/messagebox.h"

#include "qtbenchmain.h"

#include <QApplication>
#include <benchmark/benchmark.h>
#include <chrono>

namespace {

constexpr int kRecords = 100;

Bytes Record(int n) {
    const Bytes id = {0xE2, 0x00, 0x30, 0x12, 0x34, 0x56,
                      0x78, 0x9A, 0xBC, 0xDE, 0xF0, static_cast<std::uint8_t>(n)};
    return TagRecord(id, static_cast<std::uint8_t>(1 + n % 4));
}

QByteArray Raw(const std::uint8_t* bytes, std::size_t count) {
    return QByteArray(reinterpret_cast<const char*>(bytes), static_cast<qsizetype>(count));
}

void Stream(benchmark::State& state, bool traceOpen) {
    const std::size_t chunk = static_cast<std::size_t>(state.range(0));
    Bytes stream;
    for (int n = 0; n < kRecords; ++n) {
        const Bytes r = Record(n);
        stream.insert(stream.end(), r.begin(), r.end());
    }
    SetMessageRecorder([](const QString&) {});
    CReaderDlg dlg;
    CFakeBackend* line = ConnectToFakeLine(dlg);
    dlg.show();
    dlg.IdentifyPage().OnMultipleTags();
    if (traceOpen)
        dlg.OnFrameTrace();
    double seconds = 0;
    double viewSeconds = 0;
    for (auto _ : state) {
        dlg.IdentifyPage().OnIdentifyTag();
        const Bytes mode = {0x02, 0x00, 0x70, 0x02, 0x05};
        const Bytes chain = BuildFrame(kDataHeader, 0x63, mode);
        line->Deliver(Raw(chain.data(), chain.size()));
        line->Deliver(QByteArray("\xE4\x03\x60\x00\xB9", 5));
        line->Deliver(QByteArray("\xE4\x03\x65\x00\xB4", 5));
        const auto start = std::chrono::steady_clock::now();
        for (std::size_t i = 0; i < stream.size(); i += chunk)
            line->Deliver(Raw(stream.data() + i, std::min(chunk, stream.size() - i)));
        if (traceOpen) {
            const auto v0 = std::chrono::steady_clock::now();
            dlg.FrameTraceWindow()->Flush();
            viewSeconds +=
                std::chrono::duration<double>(std::chrono::steady_clock::now() - v0).count();
        }
        dlg.IdentifyPage().RefreshBox();
        const auto end = std::chrono::steady_clock::now();
        const double elapsed = std::chrono::duration<double>(end - start).count();
        seconds += elapsed;
        state.SetIterationTime(elapsed);
        line->m_written.clear();
    }
    SetMessageRecorder({});
    const double records = static_cast<double>(state.iterations() * kRecords);
    state.counters["us_per_record"] = seconds * 1e6 / records;
    state.counters["us_view"] = viewSeconds * 1e6 / records;
}

void BM_StreamTraceClosed(benchmark::State& state) {
    Stream(state, false);
}
BENCHMARK(BM_StreamTraceClosed)->Arg(1)->Arg(17)->UseManualTime()->Unit(benchmark::kMicrosecond);

void BM_StreamTraceOpen(benchmark::State& state) {
    Stream(state, true);
}
BENCHMARK(BM_StreamTraceOpen)->Arg(1)->Arg(17)->UseManualTime()->Unit(benchmark::kMicrosecond);

void BM_TraceAtLimit(benchmark::State& state) {
    CFrameTrace trace;
    trace.show();
    const Bytes record = Record(1);
    for (int i = 0; i < CFrameTraceModel::kMaxLines; ++i)
        trace.Received(record, true);
    trace.Flush();
    int batch = 0;
    for (auto _ : state) {
        trace.Received(record, true);
        if (++batch == 100) {
            trace.Flush();
            batch = 0;
        }
    }
    if (trace.Model().LineCount() != CFrameTraceModel::kMaxLines)
        state.SkipWithError("the trace did not keep its limit");
}
BENCHMARK(BM_TraceAtLimit)->Iterations(100000)->Unit(benchmark::kNanosecond);

} // namespace

int main(int argc, char** argv) {
    return RunQtBenchmarks(argc, argv);
}
