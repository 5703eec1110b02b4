// Faults of the serial line, end to end: the window drives a scripted reader on a real
// pseudo-terminal through the real serial back-end while the reader hangs up, its device goes
// away, another program holds the port, or the reader is silent, noisy or answers wrongly. Each
// row checks that the window keeps working, says what happened where the operator must act,
// keeps what it showed, and works again once the reader behaves.
#include "ptypeer.h"
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

#include <functional>
#include <memory>

namespace {

using Bytes = CPtyPeer::Bytes;

const Bytes kIdentifySingle = {0xA0, 0x03, 0x82, 0x04, 0xD7};
const Bytes kTagId = {0xE2, 0x00, 0x30, 0x12, 0x34, 0x56, 0x78, 0x9A, 0xBC, 0xDE, 0xF0, 0x11};
const char* const kIdentified = "Read Tag Successfully!";

Bytes IdentifyAnswer() {
    Bytes data = {0x01};
    data.insert(data.end(), kTagId.begin(), kTagId.end());
    return BuildFrame(kDataHeader, 0x82, data);
}
// Stream record n: two header bytes, a tag ID, the antenna, the checksum, a closing byte.
Bytes Record(int n) {
    Bytes r = {0xCC, 0x11};
    for (int i = 0; i < 12; ++i)
        r.push_back(static_cast<std::uint8_t>(i == 11 ? n : 0x30 + i));
    r.push_back(1);
    r.push_back(FrameChecksum(r.data(), 15));
    r.push_back(0x0A);
    return r;
}
Bytes Join(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// The operation the fault hits.
enum class Op {
    Connect,
    Identify,
    StreamStart,
    ReadTag,
    WriteTag,
    WorkModeGet,
    ParamsGet,
    ParamsSet
};

// What the reader, or the line, does.
enum class Fault {
    Silent,          // the request is taken and never answered
    HangUp,          // part of an answer, then the line hangs up (adapter pulled out)
    HangUpMidStream, // the stream started, three records, then a hang-up inside the fourth
    PathGone,        // the device path is gone when the operation opens the port
    Held,            // another serial control holds the port
    NoiseBefore,     // bytes that form no frame, then the answer
    NoiseAfter,      // the answer, then bytes that form no frame
    NoiseInstead,    // bytes that form no frame instead of the answer
    Twice,           // the answer, twice in one go
    OtherAnswer,     // a well-formed answer to another command
    Burst,           // 10 kB of noise at once
};

struct FaultRow {
    const char* name;
    Op op;
    Fault fault;
    const char* line;    // text of the one line the fault adds to the list; nullptr: none
    const char* message; // the one message shown; nullptr: none
};

void PrintTo(const FaultRow& row, std::ostream* os) {
    *os << row.name;
}

class LineFault : public WindowTest, public ::testing::WithParamInterface<FaultRow> {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        ASSERT_TRUE(dir.isValid());
        // The window opens a fixed path that names the current terminal, so that a new terminal
        // can take the place of one that went away, as a replugged adapter does.
        link = dir.filePath(QStringLiteral("reader"));
        ASSERT_TRUE(NewPeer());
        Choose(dlg, "portList", link);
        Choose(dlg, "baudList", QStringLiteral("115200"));
        dlg.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&dlg));
    }
    bool NewPeer() {
        peer = std::make_unique<CPtyPeer>();
        slave = peer->SlavePath();
        QFile::remove(link);
        return peer->IsOpen() && QFile::link(slave, link);
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
        ASSERT_TRUE(WaitUntil([&] { return dlg.m_connected == 1; }));
    }
    // Single Tag identify on the Tag Identify page, answered; true once its line is listed.
    bool IdentifyOnce() {
        const int lines = dlg.OperationList().LineCount();
        Click(dlg, "identifyTagButton");
        if (peer->Expect(kIdentifySingle.size()) != kIdentifySingle)
            return false;
        peer->Send(IdentifyAnswer());
        return WaitUntil([&] {
            return dlg.OperationList().LineCount() == lines + 1 && Lines(dlg).last() == kIdentified;
        });
    }
    QPlainTextEdit* IdentifyBox() {
        return dlg.findChild<QPlainTextEdit*>(QStringLiteral("identifyDataBox"));
    }
    // The Data box's text once it has taken the lines handed to it.
    QString BoxText() {
        WaitUntil([&] { return !dlg.IdentifyPage().BoxRefreshPending(); });
        QPlainTextEdit* box = IdentifyBox();
        return box ? box->toPlainText() : QString();
    }
    void ClickRadio(const char* name) {
        auto* radio = dlg.findChild<QRadioButton*>(QString::fromLatin1(name));
        ASSERT_NE(radio, nullptr) << name;
        QTest::mouseClick(radio, Qt::LeftButton);
    }

    // Brings up the page of the operation, as the operator does before starting it.
    void Prepare(Op op) {
        switch (op) {
        case Op::StreamStart:
            ClickRadio("identifyMultipleTagsRadio");
            break;
        case Op::ReadTag:
        case Op::WriteTag:
            dlg.Sheet().SetActivePage(1);
            break;
        case Op::ParamsGet:
        case Op::ParamsSet:
            Click(dlg, "deviceSettingsButton");
            dlg.Sheet().SetActivePage(1);
            break;
        default:
            return;
        }
        Drain();
    }
    // Starts the operation: its request, or nothing where the port does not open, is on its way.
    void Start(Op op) {
        switch (op) {
        case Op::Connect:
            Click(dlg, "connectButton");
            break;
        case Op::Identify:
        case Op::StreamStart:
            Click(dlg, "identifyTagButton");
            break;
        case Op::ReadTag:
            dlg.ReadPage().OnReadTag();
            break;
        case Op::WriteTag:
            dlg.ReadPage().OnWriteTag();
            break;
        case Op::WorkModeGet:
            // Entering Device Settings runs the work mode page's Get.
            Click(dlg, "deviceSettingsButton");
            break;
        case Op::ParamsGet:
            dlg.ParameterPage().OnGetSettings();
            break;
        case Op::ParamsSet:
            dlg.ParameterPage().OnSetSettings();
            break;
        }
    }

    // Back on the Tag Identify page in Single Tag mode, as the operator gets there.
    void BackToSingleIdentify() {
        if (dlg.m_settingsShown == 1)
            Click(dlg, "demonstrationButton");
        dlg.Sheet().SetActivePage(0);
        auto* single = dlg.findChild<QRadioButton*>(QStringLiteral("identifySingleTagRadio"));
        if (single && !single->isChecked())
            ClickRadio("identifySingleTagRadio");
        Drain();
    }

    QTemporaryDir dir;
    QString link;
    QString slave;
    std::unique_ptr<CPtyPeer> peer;
    CReaderDlg dlg;
};

TEST_P(LineFault, WindowCarriesOnAndTheNextOperationWorks) {
    const FaultRow& row = GetParam();
    // Before the fault: connected, one tag identified (its ID in the Data box while the page is
    // up), the operation's page chosen.
    QString shownBox;
    if (row.op != Op::Connect) {
        Connect();
        ASSERT_TRUE(IdentifyOnce());
        Prepare(row.op);
        shownBox = BoxText();
    }
    const QStringList before = Lines(dlg);
    messages.clear();

    CMSComm holder;
    const Bytes noise = {0x5A, 0x00, 0x13, 0xFF, 0x37};
    switch (row.fault) {
    case Fault::PathGone:
        peer.reset();
        QFile::remove(link);
        break;
    case Fault::Held:
        holder.SetDevice(link);
        holder.SetPortOpen(true);
        ASSERT_TRUE(holder.GetPortOpen()) << holder.LastErrorText().toStdString();
        break;
    default:
        break;
    }
    Start(row.op);
    if (peer && row.fault != Fault::Held) {
        ASSERT_TRUE(peer->WaitForBytes(1)) << "the operation sent no request";
        Drain();
    }
    switch (row.fault) {
    case Fault::Silent:
        break;
    case Fault::HangUp:
        peer->Send({0xE0, 0x0B, 0x80, 0x04});
        peer->CloseMaster();
        break;
    case Fault::HangUpMidStream: {
        peer->Send(
            BuildFrame(kDataHeader, 0x63, Bytes{0x02, 0x00, 0x70, 0x02, 0x05})); // timer mode
        ASSERT_EQ(peer->Expect(7).size(), 7u);                                   // output RS-232
        peer->Send({0xE4, 0x03, 0x60, 0x00, 0xB9});
        ASSERT_EQ(peer->Expect(4).size(), 4u); // stream start
        Bytes stream = {0xE4, 0x03, 0x65, 0x00, 0xB4};
        for (int n = 0; n < 3; ++n)
            stream = Join(stream, Record(n));
        const Bytes fourth = Record(3);
        stream.insert(stream.end(), fourth.begin(), fourth.begin() + 8);
        peer->Send(stream);
        peer->CloseMaster();
        break;
    }
    case Fault::NoiseBefore:
        peer->Send(Join(noise, IdentifyAnswer()));
        break;
    case Fault::NoiseAfter:
        peer->Send(Join(IdentifyAnswer(), noise));
        break;
    case Fault::NoiseInstead:
        peer->Send(noise);
        break;
    case Fault::Twice:
        peer->Send(Join(IdentifyAnswer(), IdentifyAnswer()));
        break;
    case Fault::OtherAnswer:
        peer->Send(handshake::kVersion12);
        break;
    case Fault::Burst: {
        Bytes burst(10240);
        for (std::size_t i = 0; i < burst.size(); ++i)
            burst[i] = static_cast<std::uint8_t>(i * 37 + 11);
        peer->Send(burst);
        break;
    }
    default:
        break;
    }
    // Long enough for the connect time-out, and for any resend to have gone out.
    QTest::qWait(CReaderDlg::s_connectTimeoutMs + 200);

    // The event loop runs: a timer fires.
    bool fired = false;
    QTimer::singleShot(0, &dlg, [&] { fired = true; });
    QTest::qWait(20);
    EXPECT_TRUE(fired);

    // What was shown is still there; the fault added at most its one line.
    const QStringList lines = Lines(dlg);
    ASSERT_GE(lines.size(), before.size()) << lines.join('|').toStdString();
    EXPECT_EQ(lines.mid(0, before.size()), before);
    const QStringList added = lines.mid(before.size());
    if (row.line) {
        ASSERT_EQ(added.size(), 1) << added.join('|').toStdString();
        EXPECT_TRUE(added[0].contains(QString::fromUtf8(row.line))) << added[0].toStdString();
    } else {
        EXPECT_TRUE(added.isEmpty()) << added.join('|').toStdString();
    }
    EXPECT_EQ(messages, row.message ? QStringList{QString::fromUtf8(row.message)} : QStringList{});
    if (IdentifyBox() && !shownBox.isEmpty()) {
        EXPECT_TRUE(BoxText().startsWith(shownBox)) << BoxText().toStdString();
    }
    if (row.fault == Fault::HangUpMidStream) { // the records listed before the hang-up stay
        EXPECT_EQ(BoxText().count(QStringLiteral("NO.")), 3) << BoxText().toStdString();
    }

    // The reader behaves again: the next operation, started by the operator, works.
    if (!peer || !peer->IsOpen()) {
        ASSERT_TRUE(NewPeer());
    }
    holder.SetPortOpen(false);
    messages.clear();
    if (row.op == Op::Connect) {
        Drain();
        Connect();
        EXPECT_EQ(Lines(dlg).mid(before.size()),
                  QStringList({"Port Opened Successfully!", "Firmware Version: V1.2!"}));
    } else {
        BackToSingleIdentify();
        EXPECT_TRUE(IdentifyOnce()) << Lines(dlg).join('|').toStdString();
        EXPECT_EQ(Lines(dlg).mid(0, before.size()), before);
    }
    EXPECT_TRUE(messages.isEmpty()) << messages.join('|').toStdString();
}

// Silence ends only where the program has a time-out (the connect handshake); every other
// operation keeps waiting, without a line, until the operator starts the next one.
INSTANTIATE_TEST_SUITE_P(
    Table, LineFault,
    ::testing::Values(
        FaultRow{"HangUpMidAnswer", Op::ReadTag, Fault::HangUp, "was lost", nullptr},
        FaultRow{"HangUpMidStream", Op::StreamStart, Fault::HangUpMidStream, "was lost", nullptr},
        FaultRow{"PathGoneBetweenOperations", Op::Identify, Fault::PathGone, "no such device",
                 nullptr},
        FaultRow{"HeldByAnotherSerialControl", Op::Identify, Fault::Held,
                 "in use by another program", nullptr},
        FaultRow{"SilentConnect", Op::Connect, Fault::Silent, nullptr, "Failed to Connect Device!"},
        FaultRow{"SilentIdentify", Op::Identify, Fault::Silent, nullptr, nullptr},
        FaultRow{"SilentStreamStart", Op::StreamStart, Fault::Silent, nullptr, nullptr},
        FaultRow{"SilentTagRead", Op::ReadTag, Fault::Silent, nullptr, nullptr},
        FaultRow{"SilentTagWrite", Op::WriteTag, Fault::Silent, nullptr, nullptr},
        FaultRow{"SilentWorkModeGet", Op::WorkModeGet, Fault::Silent, nullptr, nullptr},
        FaultRow{"SilentParametersGet", Op::ParamsGet, Fault::Silent, nullptr, nullptr},
        FaultRow{"SilentParametersSet", Op::ParamsSet, Fault::Silent, nullptr, nullptr},
        // Nothing resynchronises: an answer behind noise is never found.
        FaultRow{"NoiseBeforeAnswer", Op::Identify, Fault::NoiseBefore, nullptr, nullptr},
        FaultRow{"NoiseAfterAnswer", Op::Identify, Fault::NoiseAfter, kIdentified, nullptr},
        FaultRow{"NoiseInsteadOfAnswer", Op::Identify, Fault::NoiseInstead, nullptr, nullptr},
        FaultRow{"AnswerTwice", Op::Identify, Fault::Twice, kIdentified, nullptr},
        FaultRow{"AnswerToAnotherCommand", Op::Identify, Fault::OtherAnswer, nullptr, nullptr},
        FaultRow{"NoiseBurstDuringTagRead", Op::ReadTag, Fault::Burst, nullptr, nullptr}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
