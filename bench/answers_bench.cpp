// Host cost of every kind of answer, through the real window: the receive event, the buffer,
// the dispatcher's recognition, the action (the next request of a chain, a result in a page, the
// operation list line) and, for the identify answer, the Data box refresh that follows.
//
// Each benchmark runs one whole operation per iteration, started by the page's own handler, on
// an in-memory line (CSimLine) whose far end is the reader simulator; each answer arrives in one
// receive event, followed by the events it leaves (layout and paint of what changed), as the
// event loop would handle them next. Only that is timed, in the thread's CPU time. Counters:
//   answers        answers in the operation
//   us_per_answer  host time per answer
//   us_first, us_last  the first and the last answer of the operation (the last one logs)
//   wire_last_us, last_pct  the last answer's own wire time, and us_last as a share of it
//   us_start       the operator's handler that sends the first request, with its events (not
//                  in the time)
//   wire_us        time the answers' bytes take at 115200 bit/s (10 bits a byte)
//   share_pct      host time as a share of that wire time
//
//   BM_SingleIdentifyWithBox/<lines>: the single identify with the Data box already holding that
//   many lines, to show how the cost follows what the box holds.
#include "simline.h"

#include "fakewindow.h"

#include "pages/cidentify.h"
#include "pages/cparameter.h"
#include "pages/cread.h"
#include "pages/cworkmode.h"
#include "ui/coperationlog.h"
#include "ui/creaderdlg.h"
#include "widgets/cpropertysheet.h"
#include "widgets/messagebox.h"

#include "qtbenchmain.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QRadioButton>
#include <benchmark/benchmark.h>
#include <ctime>
#include <functional>

namespace {

constexpr double kBitsPerSecond = 115200;
// The operation list is emptied (untimed) this often, so that it holds a few hundred lines.
constexpr int kClearListEvery = 256;
// Commands of the two unrecognised answers (the simulator's headers, included for the line,
// cannot be mixed with the program's command header).
constexpr std::uint8_t kIdentifyCommand = 0x82;
constexpr std::uint8_t kBlockReadCommand = 0x63;

// The thread's CPU time: the machine is shared, and wall time would count the other programs'
// turns on the two cores. The window does all of this work on this one thread.
double CpuSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

enum class Group { Demonstration, TagOperation, WorkMode, Parameters, Start };

// A window on a simulator-answered line, with the page of the group in front.
struct Window {
    explicit Window(Group group) {
        SetMessageRecorder([this](const QString& text) { messages << text; });
        line = ConnectToFakeLine<CSimLine>(dlg);
        dlg.show();
        switch (group) {
        case Group::TagOperation:
            dlg.Sheet().SetActivePage(1);
            break;
        case Group::WorkMode:
        case Group::Parameters:
            dlg.OnDeviceSettings();
            line->Drain(); // the Get that entering Device Settings starts
            if (group == Group::Parameters) {
                dlg.Sheet().SetActivePage(1);
                line->Drain();
            }
            break;
        case Group::Start:
            dlg.OnDisconnect();
            break;
        case Group::Demonstration:
            break;
        }
        QApplication::processEvents();
        line->Forget();
    }
    ~Window() { SetMessageRecorder({}); }

    QString LastLine() {
        const COperationLog& list = dlg.OperationList();
        return list.LineCount() > 0 ? list.TextAt(list.LineCount() - 1) : QString();
    }
    template <typename T> T* Find(const char* name) {
        return dlg.findChild<T*>(QString::fromLatin1(name));
    }

    CReaderDlg dlg;
    CSimLine* line = nullptr;
    QStringList messages;
};

struct Family {
    Group group;
    // Run once after the window is made.
    std::function<void(Window&)> setUp;
    // The operator's action that starts the operation.
    std::function<void(Window&)> start;
    // The line the operation ends with.
    QString endLine;
    // Timed after the last answer: the refresh the page's timer would run next.
    std::function<void(Window&)> afterLast = {};
    // Untimed, after each operation: puts the window back as before it.
    std::function<void(Window&)> reset = {};
};

void RunFamily(benchmark::State& state, const Family& family) {
    Window w(family.group);
    if (family.setUp) {
        family.setUp(w);
        w.line->Forget();
    }
    w.dlg.OnClearOperationList();
    double deliverSeconds = 0, startSeconds = 0, firstSeconds = 0, lastSeconds = 0;
    std::size_t answers = 0, answerBytes = 0, lastBytes = 0;
    int operations = 0;
    for (auto _ : state) {
        if (++operations % kClearListEvery == 0)
            w.dlg.OnClearOperationList();
        w.line->Forget();
        const double s0 = CpuSeconds();
        family.start(w);
        QApplication::processEvents();
        startSeconds += CpuSeconds() - s0;
        double elapsed = 0, one = 0;
        std::size_t count = 0, oneBytes = 0;
        while (w.line->HasDue()) {
            const QByteArray answer = w.line->TakeDue();
            oneBytes = static_cast<std::size_t>(answer.size());
            answerBytes += oneBytes;
            const double t0 = CpuSeconds();
            w.line->Deliver(answer);
            if (!w.line->HasDue() && family.afterLast)
                family.afterLast(w);
            // What the event loop does next: the layout and paint the answer asked for.
            QApplication::processEvents();
            one = CpuSeconds() - t0;
            if (count == 0)
                firstSeconds += one;
            elapsed += one;
            ++count;
        }
        lastSeconds += one;
        lastBytes += oneBytes;
        if (w.LastLine() != family.endLine) {
            state.SkipWithError(("the operation ended with \"" + w.LastLine().toStdString() +
                                 "\", not \"" + family.endLine.toStdString() + "\"")
                                    .c_str());
            break;
        }
        answers += count;
        deliverSeconds += elapsed;
        state.SetIterationTime(elapsed);
        if (family.reset)
            family.reset(w);
    }
    const double n = static_cast<double>(state.iterations());
    if (answers == 0 || n == 0)
        return;
    const double perOperation = static_cast<double>(answers) / n;
    const double wireSeconds = static_cast<double>(answerBytes) * 10 / kBitsPerSecond / n;
    state.counters["answers"] = perOperation;
    state.counters["us_per_answer"] = deliverSeconds * 1e6 / static_cast<double>(answers);
    state.counters["us_first"] = firstSeconds * 1e6 / n;
    state.counters["us_last"] = lastSeconds * 1e6 / n;
    state.counters["us_start"] = startSeconds * 1e6 / n;
    state.counters["answer_bytes"] = static_cast<double>(answerBytes) / n;
    state.counters["wire_us"] = wireSeconds * 1e6;
    state.counters["share_pct"] = deliverSeconds / n / wireSeconds * 100;
    const double wireLastSeconds = static_cast<double>(lastBytes) * 10 / kBitsPerSecond / n;
    state.counters["wire_last_us"] = wireLastSeconds * 1e6;
    state.counters["last_pct"] = lastSeconds / n / wireLastSeconds * 100;
}

QByteArray Raw(const Bytes& bytes) {
    return QByteArray(reinterpret_cast<const char*>(bytes.data()),
                      static_cast<qsizetype>(bytes.size()));
}

void ClearDataBox(Window& w) {
    w.dlg.IdentifyPage().m_values.tagText.clear();
    w.dlg.IdentifyPage().UpdateData(false);
}
void ClearReadData(Window& w) {
    w.dlg.ReadPage().m_values.readData.clear();
    w.dlg.ReadPage().UpdateData(false);
}
void RefreshDataBox(Window& w) {
    w.dlg.IdentifyPage().RefreshBox();
}
// The port and the buffer as after an answer nobody took, and an empty list.
void DropUnrecognised(Window& w) {
    w.dlg.State().ClearRx();
    w.dlg.ClosePortIfOpen();
    w.dlg.OnClearOperationList();
}

const QString kTagLine = QStringLiteral("30 31 32 33 34 35 36 37 38 39 3A 3B(Antenna1) \r\n");

void Register(const char* name, Family family) {
    benchmark::RegisterBenchmark(name,
                                 [family](benchmark::State& state) { RunFamily(state, family); })
        ->UseManualTime()
        ->Unit(benchmark::kMicrosecond);
}

void RegisterAll() {
    Register("BM_ConnectHandshake",
             {Group::Start,
              [](Window& w) {
                  w.Find<QComboBox>("portList")->setEditText(QStringLiteral("/dev/benchline"));
              },
              [](Window& w) {
                  w.dlg.OnConnect();
                  w.line = dynamic_cast<CSimLine*>(w.dlg.m_serial.Backend());
              },
              QStringLiteral("Firmware Version: V1.2!"), nullptr,
              [](Window& w) { w.dlg.OnDisconnect(); }});
    Register("BM_SingleIdentify",
             {Group::Demonstration, nullptr,
              [](Window& w) { w.dlg.IdentifyPage().OnIdentifyTag(); },
              QStringLiteral("Read Tag Successfully!"), RefreshDataBox, ClearDataBox});
    Register("BM_TagRead",
             {Group::TagOperation, nullptr, [](Window& w) { w.dlg.ReadPage().OnReadTag(); },
              QStringLiteral("Tag Data Read Successfully!"), nullptr, ClearReadData});
    Register("BM_TagWrite",
             {Group::TagOperation, nullptr, [](Window& w) { w.dlg.ReadPage().OnWriteTag(); },
              QStringLiteral("Tag Data Written Successfully!")});
    Register("BM_TagInitialize",
             {Group::TagOperation, nullptr, [](Window& w) { w.dlg.ReadPage().OnInitialize(); },
              QStringLiteral("Tag Initialized Successfully!")});
    Register("BM_TagLock",
             {Group::TagOperation, nullptr, [](Window& w) { w.dlg.ReadPage().OnLock(); },
              QStringLiteral("Tag Locked Successfully!")});
    Register("BM_TagDestroy",
             {Group::TagOperation,
              [](Window& w) {
                  // The kill password of the simulator's first tag.
                  w.Find<QLineEdit>("destroyPasswordBox")->setText(QStringLiteral("12345678"));
              },
              [](Window& w) { w.dlg.ReadPage().OnDestroy(); },
              QStringLiteral("Tag Destroyed Successfully!")});
    Register("BM_WorkModeGet",
             {Group::WorkMode, nullptr, [](Window& w) { w.dlg.WorkmodePage().OnGetSettings(); },
              QStringLiteral("Get Settings Successfully!!")});
    Register("BM_WorkModeSetTimer", {Group::WorkMode,
                                     [](Window& w) {
                                         w.Find<QRadioButton>("timerRadio")->setChecked(true);
                                         w.dlg.WorkmodePage().OnRadioTimer();
                                     },
                                     [](Window& w) { w.dlg.WorkmodePage().OnSetSettings(); },
                                     QStringLiteral("Set Timer Mode Settings Successfully!")});
    Register("BM_ParametersGet",
             {Group::Parameters, nullptr, [](Window& w) { w.dlg.ParameterPage().OnGetSettings(); },
              QStringLiteral("Get Settings Successfully!")});
    Register("BM_ParametersSet",
             {Group::Parameters, nullptr, [](Window& w) { w.dlg.ParameterPage().OnSetSettings(); },
              QStringLiteral("Set Settings Successfully!")});
    Register("BM_UnrecognisedIdle",
             {Group::Demonstration, nullptr,
              [](Window& w) {
                  w.dlg.OpenPortIfClosed();
                  w.line->Queue(Raw(BuildFrame(kStatusHeader, kIdentifyCommand, Bytes{0x01})));
              },
              QString(), nullptr, DropUnrecognised});
    Register("BM_UnrecognisedInGetChain",
             {Group::WorkMode, nullptr,
              [](Window& w) {
                  // A refusal where the chain waits for its first read: it stalls.
                  w.dlg.WorkmodePage().OnGetSettings();
                  w.line->Forget();
                  w.line->Queue(Raw(BuildFrame(kStatusHeader, kBlockReadCommand, Bytes{0x01})));
              },
              QString(), nullptr, DropUnrecognised});

    for (int lines : {0, 1000, 10000, 100000}) {
        const std::string name = "BM_SingleIdentifyWithBox/" + std::to_string(lines);
        benchmark::RegisterBenchmark(
            name.c_str(),
            [lines](benchmark::State& state) {
                RunFamily(state, {Group::Demonstration,
                                  [lines](Window& w) {
                                      for (int i = 0; i < lines; ++i)
                                          w.dlg.IdentifyPage().AppendTagLine(kTagLine);
                                      w.dlg.IdentifyPage().RefreshBox();
                                  },
                                  [](Window& w) { w.dlg.IdentifyPage().OnIdentifyTag(); },
                                  QStringLiteral("Read Tag Successfully!"), RefreshDataBox});
            })
            ->UseManualTime()
            ->Iterations(lines < 100000 ? 200 : 40)
            ->Unit(benchmark::kMicrosecond);
    }
}

// One operation-list line added to a list that already holds <lines> lines: the call, and the
// events it leaves (layout, paint) handled as the event loop would.
void BM_AddOperationLine(benchmark::State& state) {
    Window w(Group::Demonstration);
    for (int64_t i = 0; i < state.range(0); ++i)
        w.dlg.AddOperationLine(QStringLiteral("Read Tag Successfully!"));
    QApplication::processEvents();
    double call = 0;
    for (auto _ : state) {
        const double t0 = CpuSeconds();
        w.dlg.AddOperationLine(QStringLiteral("Read Tag Successfully!"));
        const double t1 = CpuSeconds();
        QApplication::processEvents();
        const double t2 = CpuSeconds();
        call += t1 - t0;
        state.SetIterationTime(t2 - t0);
    }
    state.counters["us_call"] = call * 1e6 / static_cast<double>(state.iterations());
}
BENCHMARK(BM_AddOperationLine)
    ->Arg(0)
    ->Arg(1000)
    ->Arg(10000)
    ->Arg(100000)
    ->Iterations(300)
    ->UseManualTime()
    ->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv) {
    return RunQtBenchmarks(argc, argv, RegisterAll);
}
