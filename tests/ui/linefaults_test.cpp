// Line faults end to end, over a real pseudo-terminal and the real serial back-end: the window
// keeps working, says what the operator must know, keeps what it showed, and works again after;
// and Escape and closing the window mid-stream.
#include "ptypeer.h"
#include "tagrecord.h"
#include "windowtest.h"

#include "pages/cidentify.h"
#include "pages/cparameter.h"
#include "pages/cread.h"
#include "protocol/frame.h"

#include <QFile>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <functional>
#include <memory>

namespace {

const Bytes kIdentifySingle = {0xA0, 0x03, 0x82, 0x04, 0xD7};
const char* const kIdentified = "Read Tag Successfully!";

const Bytes kAnswer =
    BuildFrame(kDataHeader, 0x82,
               Bytes{0x01, 0xE2, 0x00, 0x30, 0x12, 0x34, 0x56, 0x78, 0x9A, 0xBC, 0xDE, 0xF0, 0x11});

// The first keep bytes of stream record n: header, tag ID, antenna, checksum, closing byte.
Bytes Record(std::uint8_t n, std::size_t keep = 17) {
    Bytes r = TagRecord(NumberedTagId(n), 1);
    r.resize(keep);
    return r;
}
Bytes Burst() {
    Bytes burst(10240);
    std::generate(burst.begin(), burst.end(), [b = std::uint8_t{11}]() mutable { return b += 37; });
    return burst;
}

// The operation the fault hits; ReadTag runs on the second page.
enum class Op { Identify, Stream, ReadTag };

// Reply: the row's bytes (none: silence). HangUp: they, then a hang-up; MidStream: a hang-up in
// a stream's fourth record. PathGone: the device is gone. Held: another control has the port.
enum class Fault { Reply, HangUp, HangUpMidStream, PathGone, Held };

struct FaultRow {
    const char* name;
    Op op;
    Fault fault = Fault::Reply;
    Bytes reply = {};
    const char* line = nullptr; // text of the one line the fault adds to the list
};

class PtyWindow : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        link =
            dir.filePath(QStringLiteral("reader")); // a new terminal replaces one, as on a replug
        ASSERT_TRUE(dir.isValid() && NewPeer());
        Choose(dlg, "portList", link);
        Choose(dlg, "baudList", QStringLiteral("115200"));
        dlg.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&dlg));
    }
    bool NewPeer() {
        peer = std::make_unique<CPtyPeer>();
        QFile::remove(link);
        return peer->IsOpen() && QFile::link(peer->SlavePath(), link);
    }
    void Drain() {
        peer->Wait(30);
        peer->Take(peer->Received().size());
    }
    bool WaitUntil(const std::function<bool()>& done) {
        QDeadlineTimer deadline(5000);
        while (!done() && !deadline.hasExpired())
            peer->Pump();
        return done();
    }
    void Connect() {
        Click(dlg, "connectButton");
        ASSERT_TRUE(peer->AnswerHandshake());
        ASSERT_TRUE(WaitUntil([&] { return dlg.State().m_connected == 1; }));
    }
    // Single Tag identify, answered; true once its line is listed.
    bool IdentifyOnce() {
        const int lines = dlg.OperationList().LineCount();
        Click(dlg, "identifyTagButton");
        if (peer->Expect(kIdentifySingle.size()) != kIdentifySingle)
            return false;
        peer->Send(kAnswer);
        return WaitUntil([&] {
            return dlg.OperationList().LineCount() == lines + 1 && Lines(dlg).last() == kIdentified;
        });
    }
    // The Data box's text once it has taken the lines handed to it; absent while it is not up.
    QString BoxText(const QString& absent = {}) {
        WaitUntil([&] { return !dlg.IdentifyPage().BoxRefreshPending(); });
        auto* box = dlg.findChild<QPlainTextEdit*>(QStringLiteral("identifyDataBox"));
        return box ? box->toPlainText() : absent;
    }
    void ClickRadio(const char* name) {
        auto* radio = dlg.findChild<QRadioButton*>(QString::fromLatin1(name));
        ASSERT_NE(radio, nullptr) << name;
        if (!radio->isChecked())
            QTest::mouseClick(radio, Qt::LeftButton);
    }
    // Answers a stream start's chain after its first request, then sends the start's answer and
    // the tail that follows it.
    void AnswerStreamStart(const Bytes& tail) {
        peer->Send(BuildFrame(kDataHeader, 0x63, Bytes{0x02, 0x00, 0x70, 0x02, 0x05})); // timer
        ASSERT_EQ(peer->Expect(7).size(), 7u); // output RS-232
        peer->Send({0xE4, 0x03, 0x60, 0x00, 0xB9});
        ASSERT_EQ(peer->Expect(4).size(), 4u); // stream start
        peer->Send(Join({{0xE4, 0x03, 0x65, 0x00, 0xB4}, tail}));
    }
    QTemporaryDir dir;
    QString link;
    std::unique_ptr<CPtyPeer> peer;
    CReaderDlg dlg;
};
class LineFault : public PtyWindow, public ::testing::WithParamInterface<FaultRow> {};

TEST_P(LineFault, WindowCarriesOnAndTheNextOperationWorks) {
    const FaultRow& row = GetParam();
    // Before the fault: connected, one tag identified (its ID in the Data box), the page up.
    Connect();
    ASSERT_TRUE(IdentifyOnce());
    if (row.op == Op::Stream)
        ClickRadio("identifyMultipleTagsRadio");
    if (row.op == Op::ReadTag) // brings up the operation's page, as the operator does
        dlg.Sheet().SetActivePage(1);
    Drain();
    const QString shownBox = BoxText();
    const QStringList before = Lines(dlg);
    messages.clear();

    CMSComm holder;
    if (row.fault == Fault::PathGone) {
        peer.reset();
        QFile::remove(link);
    } else if (row.fault == Fault::Held) {
        holder.SetDevice(link);
        holder.SetPortOpen(true);
        ASSERT_TRUE(holder.GetPortOpen()) << holder.LastErrorText().toStdString();
    }
    Click(dlg, row.op == Op::ReadTag ? "readTagButton" : "identifyTagButton");
    if (peer && row.fault != Fault::Held) {
        ASSERT_TRUE(peer->WaitForBytes(1)) << "the operation sent no request";
        Drain();
    }
    if (!row.reply.empty())
        peer->Send(row.reply);
    if (row.fault == Fault::HangUp)
        peer->CloseMaster();
    if (row.fault == Fault::HangUpMidStream) {
        AnswerStreamStart(Join({Record(0), Record(1), Record(2), Record(3, 8)}));
        peer->CloseMaster();
    }
    QTest::qWait(CReaderDlg::s_connectTimeoutMs + 200); // past the time-out and any resend

    bool fired = false; // the event loop runs: a timer fires
    QTimer::singleShot(0, &dlg, [&] { fired = true; });
    QTest::qWait(20);
    EXPECT_TRUE(fired);

    // What was shown is still there; the fault added at most its one line.
    const QStringList lines = Lines(dlg);
    ASSERT_EQ(lines.mid(0, before.size()), before) << lines.join('|').toStdString();
    const QStringList added = lines.mid(before.size());
    ASSERT_EQ(added.size(), row.line ? 1 : 0) << added.join('|').toStdString();
    EXPECT_TRUE(!row.line || added[0].contains(QLatin1String(row.line))) << added[0].toStdString();
    EXPECT_TRUE(messages.isEmpty()) << messages.join('|').toStdString();
    EXPECT_TRUE(BoxText(shownBox).startsWith(shownBox)) << BoxText().toStdString();
    // The records listed before a hang-up in the stream stay.
    EXPECT_TRUE(row.fault != Fault::HangUpMidStream || BoxText().count(QStringLiteral("NO.")) == 3)
        << BoxText().toStdString();

    // The reader behaves again: the next operation, started by the operator, works.
    ASSERT_TRUE((peer && peer->IsOpen()) || NewPeer());
    holder.SetPortOpen(false);
    messages.clear();
    dlg.Sheet().SetActivePage(0);
    ClickRadio("identifySingleTagRadio");
    Drain();
    EXPECT_TRUE(IdentifyOnce()) << Lines(dlg).join('|').toStdString();
    EXPECT_EQ(Lines(dlg).mid(0, before.size()), before);
    EXPECT_TRUE(messages.isEmpty()) << messages.join('|').toStdString();
}

// Silence, noise and answers to other requests are the dispatcher's and the status bar's rows;
// here what the line itself does. Only the connect handshake times out.
const FaultRow kRows[] = {
    {"HangUpMidAnswer", Op::ReadTag, Fault::HangUp, {0xE0, 0x0B, 0x80, 0x04}, "was lost"},
    {"HangUpMidStream", Op::Stream, Fault::HangUpMidStream, {}, "was lost"},
    {"PathGoneBetweenOperations", Op::Identify, Fault::PathGone, {}, "no such device"},
    {"HeldByAnotherSerialControl", Op::Identify, Fault::Held, {}, "in use by another program"},
    {"SilentIdentify", Op::Identify},
    {"NoiseBurstDuringTagRead", Op::ReadTag, Fault::Reply, Burst()},
};
INSTANTIATE_TEST_SUITE_P(Table, LineFault, ::testing::ValuesIn(kRows),
                         [](const auto& info) { return std::string(info.param.name); });

// Escape leaves the window; closing it mid-stream sends the stop before the port closes.
TEST_F(PtyWindow, EscapeKeepsTheWindowAndClosingMidStreamStopsTheReader) {
    Connect();
    ClickRadio("identifyMultipleTagsRadio");
    Drain();
    Click(dlg, "identifyTagButton");
    ASSERT_EQ(peer->Expect(7).size(), 7u); // the work mode read
    AnswerStreamStart(Record(0));
    ASSERT_TRUE(WaitUntil([&] { return dlg.StatusBar().StateText().startsWith("Streaming: "); }));
    QTest::keyClick(&dlg, Qt::Key_Escape);
    peer->Wait(20);
    EXPECT_TRUE(dlg.isVisible());
    EXPECT_TRUE(peer->Received().empty());
    dlg.close();
    EXPECT_FALSE(dlg.isVisible());
    EXPECT_FALSE(dlg.m_serial.GetPortOpen());
    EXPECT_EQ(peer->Expect(4), handshake::kStop);
}

} // namespace
