// The Frame Trace window and its assembler, and copying from the operation list: received bytes
// cut into frames, records and noise whatever the pieces; the window beside a real exchange on an
// in-memory line, changing nothing on the wire; saving; the clipboard texts.
#include "fakewindow.h"
#include "windowtest.h"

#include "pages/cidentify.h"
#include "protocol/cframeassembler.h"
#include "protocol/commands.h"
#include "ui/cframetrace.h"

#include "ui/filechooser.h"
#include <QAction>
#include <QClipboard>
#include <QFile>
#include <QGuiApplication>
#include <QRadioButton>
#include <QTemporaryDir>

namespace {

using K = TracePiece::Kind;

Bytes Cat(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const Bytes& p : parts)
        all.insert(all.end(), p.begin(), p.end());
    return all;
}

QByteArray Raw(const Bytes& bytes) {
    return QByteArray(reinterpret_cast<const char*>(bytes.data()),
                      static_cast<qsizetype>(bytes.size()));
}

const Bytes kAck = {0xE4, 0x03, 0x60, 0x00, 0xB9};
const Bytes kBadAck = {0xE4, 0x03, 0x60, 0x00, 0xB8};
const Bytes kMultiStartAck = {0xE4, 0x03, 0x65, 0x00, 0xB4};
const Bytes kVersion = BuildFrame(kDataHeader, 0x6A, {{0x03, 0x01}});
const Bytes kTagId = {0xE2, 0x00, 0x30, 0x12, 0x34, 0x56, 0x78, 0x9A, 0xBC, 0xDE, 0xF0, 0x11};
const Bytes kIdentifyAnswer = BuildFrame(kDataHeader, 0x82, Cat({{0x01}, kTagId}));

// A 17-byte stream record for tag n; bad spoils its checksum.
Bytes Record(int n, bool bad = false) {
    Bytes r = Cat({{0xCC, 0x11}, kTagId, {static_cast<std::uint8_t>(1 + n % 4)}});
    r[13] = static_cast<std::uint8_t>(n);
    r.push_back(static_cast<std::uint8_t>(FrameChecksum(r.data(), 15) + (bad ? 1 : 0)));
    r.push_back(0x0A);
    return r;
}

std::vector<TracePiece> FeedAll(CFrameAssembler& a, const std::vector<Bytes>& pieces,
                                bool streaming = false) {
    std::vector<TracePiece> out;
    for (const Bytes& p : pieces)
        a.Feed(p, streaming, out);
    return out;
}

// ---- the assembler ----

TEST(FrameAssembler, FramesSplitAtEveryPositionComeOutWhole) {
    const Bytes stream = Cat({kAck, kIdentifyAnswer, kVersion});
    const std::vector<TracePiece> expected = {
        {K::Frame, true, kAck}, {K::Frame, true, kIdentifyAnswer}, {K::Frame, true, kVersion}};
    for (std::size_t cut = 0; cut <= stream.size(); ++cut) {
        for (std::size_t second = cut; second <= stream.size(); ++second) {
            CFrameAssembler a;
            const auto out = FeedAll(a, {Bytes(stream.begin(), stream.begin() + cut),
                                         Bytes(stream.begin() + cut, stream.begin() + second),
                                         Bytes(stream.begin() + second, stream.end())});
            EXPECT_EQ(out, expected) << "cuts at " << cut << " and " << second;
            EXPECT_EQ(a.Waiting(), 0u);
        }
    }
}

struct AssemblerRow {
    const char* name;
    std::vector<Bytes> pieces;
    std::vector<TracePiece> expected;
    std::size_t waiting; // bytes still waiting for the rest of a frame
};

class FrameAssemblerRows : public ::testing::TestWithParam<AssemblerRow> {};

TEST_P(FrameAssemblerRows, CutsAsTheFrameRulesSay) {
    CFrameAssembler a;
    EXPECT_EQ(FeedAll(a, GetParam().pieces), GetParam().expected);
    EXPECT_EQ(a.Waiting(), GetParam().waiting);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, FrameAssemblerRows,
    ::testing::Values(
        AssemblerRow{"SeveralFramesInOnePiece",
                     {Cat({kAck, kVersion, kAck})},
                     {{K::Frame, true, kAck}, {K::Frame, true, kVersion}, {K::Frame, true, kAck}},
                     0},
        AssemblerRow{"BadChecksumIsMarked",
                     {Cat({kBadAck, kAck})},
                     {{K::Frame, false, kBadAck}, {K::Frame, true, kAck}},
                     0},
        AssemblerRow{"NoiseBeforeAFrameIsALineOfItsOwn",
                     {{0x00, 0x13}, Cat({{0xFF, 0xE0, 0x01}, kAck})},
                     {{K::Noise, false, {0x00, 0x13}},
                      {K::Noise, false, {0xFF}},
                      {K::Noise, false, {0xE0, 0x01}}, // a length below 2 starts no frame
                      {K::Frame, true, kAck}},
                     0},
        AssemblerRow{"IncompleteTailWaits",
                     {Cat({kAck, Bytes(kIdentifyAnswer.begin(), kIdentifyAnswer.begin() + 9)})},
                     {{K::Frame, true, kAck}},
                     9},
        AssemblerRow{"RecordsFollowTheMultiStartAcknowledgement",
                     {Cat({kMultiStartAck, Record(0), Record(1, true), {0xCC, 0x11}})},
                     {{K::Frame, true, kMultiStartAck},
                      {K::Record, true, Record(0)},
                      {K::Record, false, Record(1, true)}},
                     2}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(FrameAssembler, StreamEndsWhenTheProgramStopsTakingRecordsAndFlushShowsTheTail) {
    CFrameAssembler a;
    std::vector<TracePiece> out = FeedAll(a, {Record(5)}, true);
    a.Feed(Cat({kAck, {0xE0, 0x0F}}), false, out);
    a.Flush(out);
    EXPECT_EQ(out, (std::vector<TracePiece>{{K::Record, true, Record(5)},
                                            {K::Frame, true, kAck},
                                            {K::Incomplete, false, {0xE0, 0x0F}}}));
    EXPECT_EQ(a.Waiting(), 0u);
}

// ---- the window beside the main window ----

// A main window on an in-memory line, shown so that its pages take clicks.
struct Rig {
    Rig() : line(ConnectToFakeLine(dlg)) {
        dlg.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&dlg));
    }
    CFrameTrace& OpenTrace() {
        dlg.findChild<QAction*>(QStringLiteral("frameTraceAction"))->trigger();
        EXPECT_TRUE(dlg.FrameTraceWindow() && dlg.FrameTraceWindow()->isVisible());
        return *dlg.FrameTraceWindow();
    }
    // The trace's lines without the time column, which depends on the clock.
    QStringList TraceLines() {
        CFrameTrace& trace = *dlg.FrameTraceWindow();
        trace.Flush();
        QStringList lines;
        for (int row = 0; row < trace.Model().LineCount(); ++row)
            lines << trace.Model().LineText(row).section(QLatin1Char('\t'), 1);
        return lines;
    }
    void Deliver(const Bytes& bytes) { line->Deliver(Raw(bytes)); }
    template <typename Control = QPushButton> void Press(const char* name) {
        QTest::mouseClick(dlg.findChild<Control*>(QString::fromLatin1(name)), Qt::LeftButton);
    }
    // A single identify answered in two pieces, then a multi-tag stream of 100 records in
    // 7-byte pieces, up to the stop at the hundredth.
    void Exchange() {
        Press("identifyTagButton");
        Deliver(Bytes(kIdentifyAnswer.begin(), kIdentifyAnswer.begin() + 6));
        Deliver(Bytes(kIdentifyAnswer.begin() + 6, kIdentifyAnswer.end()));
        Press<QRadioButton>("identifyMultipleTagsRadio");
        Press("identifyTagButton");
        Deliver(BuildFrame(kDataHeader, 0x63, {{0x02, 0x00, 0x70, 0x02, 0x05}}));
        Deliver(kAck);
        Deliver(kMultiStartAck);
        Bytes stream;
        for (int n = 0; n < 100; ++n)
            stream = Cat({stream, Record(n)});
        for (std::size_t i = 0; i < stream.size(); i += 7)
            Deliver(Bytes(stream.begin() + static_cast<long>(i),
                          stream.begin() + static_cast<long>(std::min(i + 7, stream.size()))));
    }
    // Everything the exchange leaves behind: operation list, wire bytes, the Data box's text.
    QStringList Results() {
        QStringList all;
        for (int i = 0; i < dlg.OperationList().LineCount(); ++i)
            all << dlg.OperationList().TextAt(i);
        for (const QByteArray& frame : line->m_written)
            all << QString::fromLatin1(frame.toHex(' '));
        all << dlg.IdentifyPage().m_tagText;
        return all;
    }

    CReaderDlg dlg;
    CFakeBackend* line;
};

class FrameTrace : public WindowTest {
protected:
    void TearDown() override {
        SetSaveFileChooser({});
        WindowTest::TearDown();
    }
};

TEST_F(FrameTrace, ChangesNothingAndTracesOnlyWhileOpen) {
    Rig closed;
    closed.Exchange();
    const QStringList closedMessages = messages;
    messages.clear();
    EXPECT_EQ(closed.dlg.FrameTraceWindow(), nullptr);

    Rig open;
    CFrameTrace& trace = open.OpenTrace();
    open.Exchange();
    EXPECT_EQ(open.Results(), closed.Results());
    EXPECT_EQ(messages, closedMessages);
    const QStringList lines = open.TraceLines();
    // Identify and its answer, the radio's write, three chain requests with their answers,
    // 100 records, the stop.
    ASSERT_EQ(lines.size(), 2 + 1 + 6 + 100 + 1);
    EXPECT_EQ(lines[0], "sent\tA0 03 82 04 D7");
    EXPECT_EQ(lines[1], "received\t" + QString::fromStdString(HexString(kIdentifyAnswer)));
    EXPECT_EQ(lines[2], "sent\tA0 05 60 00 87 01 73");
    EXPECT_EQ(lines[8], "received\tE4 03 65 00 B4");
    EXPECT_EQ(lines[9], "received\t" + QString::fromStdString(HexString(Record(0))) + "\trecord");
    EXPECT_EQ(lines[108],
              "received\t" + QString::fromStdString(HexString(Record(99))) + "\trecord");
    EXPECT_EQ(lines[109], "sent\tA0 02 FE 60");

    trace.close();
    open.Press("identifyTagButton");
    EXPECT_EQ(open.TraceLines().size(), lines.size());
}

TEST_F(FrameTrace, SavesEveryLineOrSaysWhyNot) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("trace.txt"));
    CFrameTrace trace;
    trace.Sent(BuildStop(), true);
    trace.Received(Cat({{0x00}, kBadAck, {0xE4}}), false);
    SetSaveFileChooser([&](const QString&, const QString&) { return path; });
    trace.findChild<QPushButton*>(QStringLiteral("frameTraceSaveButton"))->click();
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QStringList saved = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
    ASSERT_EQ(saved.size(), 4); // three lines, each ended
    EXPECT_TRUE(saved[0].endsWith("\tsent\tA0 02 FE 60"));
    EXPECT_TRUE(saved[1].endsWith("\treceived\t00\tnoise"));
    EXPECT_TRUE(saved[2].endsWith("\treceived\tE4 03 60 00 B8\tbad checksum"));
    EXPECT_TRUE(messages.isEmpty());

    const QString unwritable = dir.filePath(QStringLiteral("missing/trace.txt"));
    EXPECT_FALSE(trace.SaveTo(unwritable));
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].startsWith("The frame trace could not be saved to " + unwritable))
        << messages[0].toStdString();
}

// ---- copying from the operation list ----

TEST_F(FrameTrace, OperationListCopiesTheSelectedLinesInListOrder) {
    COperationLog log;
    QTime now(9, 5, 3);
    log.SetClock([&] { return now; });
    for (const char* text : {"one", "two", "three"}) {
        log.AddOperationLine(QString::fromLatin1(text));
        now = now.addSecs(1);
    }
    log.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&log));
    const auto rowPoint = [&](int row) {
        return QPoint(10, log.visualItemRect(log.topLevelItem(row)).center().y());
    };
    QTest::mouseClick(log.viewport(), Qt::LeftButton, {}, rowPoint(2));
    QTest::mouseClick(log.viewport(), Qt::LeftButton, Qt::ControlModifier, rowPoint(0));
    QTest::keyClick(&log, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QGuiApplication::clipboard()->text(),
              QStringLiteral("09:05:03\tone\n09:05:05\tthree"));
    // A new line is again the only one highlighted.
    log.AddOperationLine(QStringLiteral("four"));
    ASSERT_EQ(log.selectedItems().size(), 1);
    EXPECT_EQ(log.selectedItems()[0]->text(1), QStringLiteral("four"));
}

} // namespace
