// The Frame Trace window and its assembler.
#include "pagetest.h"
#include "tagrecord.h"

#include "pages/cidentify.h"
#include "protocol/cframeassembler.h"
#include "protocol/commands.h"
#include "ui/cframetrace.h"
#include "ui/filechooser.h"

#include <QAction>
#include <QFile>
#include <QTemporaryDir>

namespace {

using K = TracePiece::Kind;

const Bytes kAck = {0xE4, 0x03, 0x60, 0x00, 0xB9};
const Bytes kBadAck = {0xE4, 0x03, 0x60, 0x00, 0xB8};
const Bytes kMultiStartAck = {0xE4, 0x03, 0x65, 0x00, 0xB4};
const Bytes kVersion = BuildFrame(kDataHeader, 0x6A, {{0x03, 0x01}});
const Bytes kTagId = {0xE2, 0x00, 0x30, 0x12, 0x34, 0x56, 0x78, 0x9A, 0xBC, 0xDE, 0xF0, 0x11};
const Bytes kIdentifyAnswer = BuildFrame(kDataHeader, 0x82, Join({{0x01}, kTagId}));

// A 17-byte stream record for tag n; bad spoils its checksum.
Bytes Record(int n, bool bad = false) {
    Bytes id = kTagId;
    id[11] = static_cast<std::uint8_t>(n);
    Bytes r = TagRecord(id, static_cast<std::uint8_t>(1 + n % 4));
    r[15] = static_cast<std::uint8_t>(r[15] + (bad ? 1 : 0));
    return r;
}

// Rows of one piece ending in a frame are also cut at every two positions: the same frames result.
TEST(FrameAssembler, CutsFramesRecordsAndNoiseWhateverThePieces) {
    const auto ok = [](const Bytes& b) { return TracePiece{K::Frame, true, b}; };
    const auto noise = [](const Bytes& b) { return TracePiece{K::Noise, false, b}; };
    const auto record = [](bool good, int n) {
        return TracePiece{K::Record, good, Record(n, !good)};
    };
    // clang-format off
    const struct {
        std::vector<Bytes> pieces;
        std::vector<TracePiece> expected;
        std::size_t waiting; // bytes still waiting for the rest of a frame
    } rows[] = {
        {{Join({kAck, kIdentifyAnswer, kVersion, kBadAck})}, {ok(kAck), ok(kIdentifyAnswer), ok(kVersion), {K::Frame, false, kBadAck}}, 0},
        // A length below 2 starts no frame.
        {{{0x00, 0x13}, Join({{0xFF, 0xE0, 0x01}, kAck})}, {noise({0x00, 0x13}), noise({0xFF}), noise({0xE0, 0x01}), ok(kAck)}, 0},
        {{Join({kAck, {0xE0, 0x02, 0xFE, 0x20}})}, {ok(kAck), ok({0xE0, 0x02, 0xFE, 0x20})}, 0},
        {{Join({kMultiStartAck, Record(0), Record(1, true), {0xCC, 0x11}})}, {ok(kMultiStartAck), record(true, 0), record(false, 1)}, 2},
    };
    // clang-format on
    for (const auto& row : rows) {
        const Bytes& all = row.pieces[0];
        const std::size_t n =
            row.pieces.size() == 1 && row.expected.back().kind == K::Frame ? all.size() : 0;
        for (std::size_t cut = 0; cut <= n; ++cut)
            for (std::size_t second = cut; second <= n; ++second) {
                SCOPED_TRACE(HexString(all) + " / " + std::to_string(cut) + "," +
                             std::to_string(second));
                const auto at = [&](std::size_t i) { return all.begin() + static_cast<long>(i); };
                CFrameAssembler a;
                std::vector<TracePiece> out;
                for (const Bytes& p :
                     n ? std::vector<Bytes>{Bytes(all.begin(), at(cut)), Bytes(at(cut), at(second)),
                                            Bytes(at(second), all.end())}
                       : row.pieces)
                    a.Feed(p, false, out);
                EXPECT_EQ(out, row.expected);
                EXPECT_EQ(a.Waiting(), row.waiting);
            }
    }
}

TEST(FrameAssembler, StreamEndsWhenTheProgramStopsTakingRecordsAndFlushShowsTheTail) {
    CFrameAssembler a;
    std::vector<TracePiece> out;
    a.Feed(Record(5), true, out);
    a.Feed(Join({kAck, {0xE0, 0x0F}}), false, out);
    a.Flush(out);
    EXPECT_EQ(out, (std::vector<TracePiece>{{K::Record, true, Record(5)},
                                            {K::Frame, true, kAck},
                                            {K::Incomplete, false, {0xE0, 0x0F}}}));
    EXPECT_EQ(a.Waiting(), 0u);
}

// A main window on an in-memory line.
struct Rig {
    // The trace's lines without the time column, which depends on the clock.
    QStringList TraceLines() {
        CFrameTrace& trace = *dlg.FrameTraceWindow();
        trace.Flush();
        QStringList lines;
        for (int row = 0; row < trace.Model().LineCount(); ++row)
            lines << trace.Model().LineText(row).section(QLatin1Char('\t'), 1);
        return lines;
    }
    // A single identify answered in two pieces, then a multi-tag stream of 100 records in 7-byte
    // pieces up to the stop; returns the Data box, the operation list and the wire bytes.
    QStringList Exchange() {
        dlg.IdentifyPage().OnIdentifyTag();
        line->Deliver(Wire(kIdentifyAnswer).left(6));
        line->Deliver(Wire(kIdentifyAnswer).mid(6));
        dlg.IdentifyPage().OnMultipleTags();
        dlg.IdentifyPage().OnIdentifyTag();
        for (const Bytes& answer :
             {BuildFrame(kDataHeader, 0x63, {{2, 0, 0x70, 2, 5}}), kAck, kMultiStartAck})
            line->Deliver(Wire(answer));
        QByteArray stream;
        for (int n = 0; n < 100; ++n)
            stream += Wire(Record(n));
        for (qsizetype i = 0; i < stream.size(); i += 7)
            line->Deliver(stream.mid(i, 7));
        QStringList all = {dlg.IdentifyPage().m_values.tagText, TakeSent(*line).join('|')};
        for (int i = 0; i < dlg.OperationList().LineCount(); ++i)
            all << dlg.OperationList().TextAt(i);
        return all;
    }

    CReaderDlg dlg;
    CFakeBackend* line = ConnectToFakeLine(dlg);
};

using FrameTrace = WindowTest;

TEST_F(FrameTrace, ChangesNothingAndTracesOnlyWhileOpen) {
    Rig closed, open;
    const QStringList closedResults = closed.Exchange();
    const QStringList closedMessages = std::exchange(messages, {});
    open.dlg.findChild<QAction*>(QStringLiteral("frameTraceAction"))->trigger();
    ASSERT_TRUE(open.dlg.FrameTraceWindow() && open.dlg.FrameTraceWindow()->isVisible());
    EXPECT_EQ(open.Exchange(), closedResults);
    EXPECT_EQ(messages, closedMessages);
    // Identify and its answer, the radio's write, three requests with answers, 100 records, stop.
    const QStringList lines = open.TraceLines();
    ASSERT_EQ(lines.size(), 2 + 1 + 6 + 100 + 1);
    EXPECT_EQ(lines[0], "sent\tA0 03 82 04 D7");
    EXPECT_EQ(lines[2], "sent\tA0 05 60 00 87 01 73");
    EXPECT_EQ(lines[9], "received\t" + QString::fromStdString(HexString(Record(0))) + "\trecord");
    EXPECT_EQ(lines[109], "sent\tA0 02 FE 60");
    open.dlg.FrameTraceWindow()->close();
    open.dlg.IdentifyPage().OnIdentifyTag();
    EXPECT_EQ(open.TraceLines().size(), lines.size());
}

TEST_F(FrameTrace, SavesEveryLineOrSaysWhyNot) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("trace.txt"));
    CFrameTrace trace;
    trace.Sent(BuildStop(), true);
    trace.Received(Join({{0x00}, kBadAck, {0xE4}}), false);
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
    EXPECT_TRUE(messages.size() == 1 &&
                messages[0].startsWith("The frame trace could not be saved to " + unwritable));
}

} // namespace
