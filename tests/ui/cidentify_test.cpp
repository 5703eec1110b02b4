// The Tag Identify page driven as an operator drives it: the Read Tag Mode radios, Identify Tag,
// Pause and Clear, with the requests checked byte for byte on an in-memory line or on a real
// pseudo-terminal, and the Data box read as the operator sees it. How the dispatcher takes the
// answers apart (pieces, resends, the record stream in events of every size) is checked in the
// protocol tests; here, what the page makes of it.
#include "pagetest.h"
#include "ptypeer.h"

#include "pages/cidentify.h"

#include <QScrollBar>
#include <QTextDocument>

namespace {

// Requests as the reader must see them.
const char* const kStop = "A0 02 FE 60";
const char* const kIdentifySingle = "A0 03 82 04 D7";
const char* const kReadTagModeSingle = "A0 05 60 00 87 00 74";
const char* const kReadTagModeMultiple = "A0 05 60 00 87 01 73";
const char* const kReadWorkMode = "A0 05 63 02 00 70 86";
const char* const kCommModeRs232 = "A0 05 60 00 72 03 86";
const char* const kMultiStart = "A0 02 65 F9";

// Answers of the reader.
const Bytes kModeWriteAck = {0xE4, 0x03, 0x60, 0x00, 0xB9};
const Bytes kMultiStartAck = {0xE4, 0x03, 0x65, 0x00, 0xB4};
const Bytes kIdentifyFailed = {0xE4, 0x03, 0x82, 0x01, 0x96};
const Bytes kTagId = {0xE2, 0x00, 0x30, 0x12, 0x34, 0x56, 0x78, 0x9A, 0xBC, 0xDE, 0xF0, 0x11};
const QString kFirstTagLine = "E2 00 30 12 34 56 78 9A BC DE F0 11(Antenna2) ";
const QString kExceeded = "Exceed 100 Tags. Identifying Stopped!";

Bytes WorkModeAnswer(std::uint8_t mode) {
    return BuildFrame(kDataHeader, 0x63, Bytes{0x02, 0x00, 0x70, mode, 0x05});
}

// One 17-byte stream record: two header bytes, the tag ID, the antenna, the checksum of the
// fifteen bytes before it and a non-zero closing byte. Record n carries an ID of its own.
Bytes Record(int n) {
    Bytes r = {0xCC, 0x11};
    for (int i = 0; i < 12; ++i)
        r.push_back(static_cast<std::uint8_t>(i == 11 ? n : 0x30 + i));
    r.push_back(static_cast<std::uint8_t>(1 + n % 4));
    r.push_back(FrameChecksum(r.data(), 15));
    r.push_back(0x0A);
    return r;
}
// Records first..last-1 in one run of bytes, and the lines the Data box shows for them: the tag
// IDs without the two header bytes.
Bytes Records(int first, int last, QStringList* lines) {
    Bytes all;
    for (int n = first; n < last; ++n) {
        const Bytes r = Record(n);
        all.insert(all.end(), r.begin(), r.end());
        *lines << QStringLiteral("NO.%1: 30 31 32 33 34 35 36 37 38 39 3A %2(Antenna%3) ")
                      .arg(n)
                      .arg(n, 2, 16, QLatin1Char('0'))
                      .arg(1 + n % 4)
                      .toUpper()
                      .replace(QStringLiteral("ANTENNA"), QStringLiteral("Antenna"));
    }
    return all;
}

// What the Data box shows once it has taken the lines handed to it, CR LF endings as line breaks.
QString ShownText(CReaderDlg& dlg) {
    QDeadlineTimer deadline(2000);
    while (dlg.IdentifyPage().BoxRefreshPending() && !deadline.hasExpired())
        QTest::qWait(2);
    auto* box = dlg.findChild<QPlainTextEdit*>(QStringLiteral("identifyDataBox"));
    return box ? box->toPlainText() : QString();
}
QStringList ShownLines(CReaderDlg& dlg) {
    QStringList lines = ShownText(dlg).split(QLatin1Char('\n'));
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

class IdentifyPage : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        line = ConnectToFakeLine(dlg);
        // Shown, so that the page's controls are laid out and take the clicks.
        dlg.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&dlg));
    }

    CIdentify& Page() { return dlg.IdentifyPage(); }
    QPlainTextEdit* DataBox() { return Control<QPlainTextEdit>(dlg, "identifyDataBox"); }
    QStringList BoxLines() { return ShownLines(dlg); }
    bool Enabled(const char* button) { return Button(dlg, button)->isEnabled(); }
    void ClickRadio(const char* name) { Operate(dlg, QString::fromLatin1(name) + ":on"); }
    QStringList Sent() { return TakeSent(*line); }
    // Bytes from the reader, in one receive event.
    void Answer(const Bytes& bytes) { line->Deliver(Wire(bytes)); }
    void Stream(const Bytes& bytes, std::size_t chunk) {
        for (std::size_t i = 0; i < bytes.size(); i += chunk)
            Answer(Bytes(bytes.begin() + static_cast<long>(i),
                         bytes.begin() + static_cast<long>(std::min(bytes.size(), i + chunk))));
    }
    // Multiple Tags chosen, Identify Tag pressed, the chain answered up to the stream start.
    void StartStream() {
        ClickRadio("identifyMultipleTagsRadio");
        Click(dlg, "identifyTagButton");
        Answer(WorkModeAnswer(2));
        Answer(kModeWriteAck);
        Answer(kMultiStartAck);
        Sent();
        Lines(dlg);
    }

    CReaderDlg dlg;
    CFakeBackend* line = nullptr;
};

// ---- the page itself ----

TEST_F(IdentifyPage, CreationAndActivationLeaveThePageIdle) {
    EXPECT_TRUE(Enabled("identifyTagButton"));
    EXPECT_FALSE(Enabled("identifyPauseButton"));
    ExpectControls(dlg, {"identifySingleTagRadio:on"});
    EXPECT_TRUE(Sent().isEmpty());

    // Each activation empties the list and makes the page idle again.
    Page().SendMultiStart();
    Page().AppendTagLine(QStringLiteral("E2 00(Antenna1) \r\n"));
    dlg.Sheet().SetActivePage(1);
    dlg.Sheet().SetActivePage(0);
    EXPECT_TRUE(Page().m_tagText.isEmpty());
    EXPECT_TRUE(ShownText(dlg).isEmpty());
    EXPECT_TRUE(Enabled("identifyTagButton"));
    EXPECT_FALSE(Enabled("identifyPauseButton"));
}

// The dispatcher's calls into the page work the same while the page has no controls, and none
// of them opens or closes the port.
TEST_F(IdentifyPage, SendersWithoutControlsSendExactlyTheirRequest) {
    dlg.OnDisconnect(); // the page's group leaves the sheet
    const struct {
        void (CIdentify::*send)();
        const char* request;
    } rows[] = {{&CIdentify::SendStop, kStop},
                {&CIdentify::ReadWorkMode, kReadWorkMode},
                {&CIdentify::SendCommModeRs232, kCommModeRs232},
                {&CIdentify::SendIdentifySingle, kIdentifySingle},
                {&CIdentify::SendMultiStart, kMultiStart}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.request);
        Sent();
        dlg.OpenPortIfClosed();
        (Page().*row.send)();
        EXPECT_EQ(Sent(), QStringList({row.request}));
        EXPECT_TRUE(dlg.m_serial.GetPortOpen());
    }
    EXPECT_TRUE(messages.isEmpty());
}

TEST_F(IdentifyPage, TagLinesAreAppendedToTheEndOfTheBoxAndScrolledTo) {
    // A box that is rebuilt reports its whole text as removed and inserted; one that is appended
    // to reports only the new lines, at its end. Lines handed over together reach the box in one
    // edit.
    int removed = 0;
    int edits = 0;
    int lastPosition = -1;
    QObject::connect(DataBox()->document(), &QTextDocument::contentsChange,
                     [&](int position, int charsRemoved, int) {
                         removed += charsRemoved;
                         lastPosition = position;
                         ++edits;
                     });
    QString expected;
    for (int batch = 0; batch < 30; ++batch) {
        const int end = DataBox()->document()->characterCount() - 1;
        for (int n = 10 * batch; n < 10 * batch + 10; ++n) {
            const QString tagLine = QStringLiteral("NO.%1: E2 00(Antenna1) \r\n").arg(n);
            Page().AppendTagLine(tagLine);
            expected += tagLine;
        }
        EXPECT_EQ(Page().m_tagText, expected);
        ShownText(dlg);
        ASSERT_EQ(lastPosition, end) << batch;
        ASSERT_EQ(edits, batch + 1);
    }
    EXPECT_EQ(removed, 0);
    EXPECT_EQ(BoxLines().size(), 300);
    EXPECT_EQ(BoxLines().last(), "NO.299: E2 00(Antenna1) ");
    QScrollBar* bar = DataBox()->verticalScrollBar();
    EXPECT_GT(bar->maximum(), 0);
    EXPECT_EQ(bar->value(), bar->maximum());

    // The form transfer reads the box back with the lines' own CR LF endings, lines not yet
    // shown included.
    Page().AppendTagLine(QStringLiteral("NO.300: E2 00(Antenna1) \r\n"));
    Page().UpdateData(true);
    EXPECT_EQ(Page().m_tagText, expected + "NO.300: E2 00(Antenna1) \r\n");
}

// Where the box no longer shows the page's text, the next line rebuilds it from the text.
TEST_F(IdentifyPage, NextLineAfterTheBoxWentAstrayShowsExactlyTheText) {
    const auto expectShown = [&](const char* last) {
        QString text = Page().m_tagText;
        text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        EXPECT_EQ(ShownText(dlg), text);
        EXPECT_EQ(BoxLines().last(), last);
    };
    Page().AppendTagLine(QStringLiteral("first(Antenna1) \r\n"));
    Page().m_tagText.clear(); // as Pause and Disconnect do
    Page().AppendTagLine(QStringLiteral("next(Antenna2) \r\n"));
    expectShown("next(Antenna2) ");
    DataBox()->setFocus();
    QTest::keyClicks(DataBox(), QStringLiteral("typed"));
    Page().AppendTagLine(QStringLiteral("third(Antenna3) \r\n"));
    expectShown("third(Antenna3) ");
}

// ---- the Read Tag Mode radios ----

struct RadioRow {
    const char* name;
    const char* radio;
    const char* line;
    QStringList requests;
    int readMode;
    int singleModeAck;
};

class IdentifyRadios : public IdentifyPage, public ::testing::WithParamInterface<RadioRow> {};

TEST_P(IdentifyRadios, WriteTheReadModeAndLeaveNothingPending) {
    const RadioRow& row = GetParam();
    Page().SendMultiStart(); // as if a stream were running
    Page().AppendTagLine(QStringLiteral("E2 00(Antenna1) \r\n"));
    dlg.m_waitIdentify = 1;
    Sent();
    ClickRadio(row.radio);
    EXPECT_EQ(Sent(), row.requests);
    EXPECT_EQ(Lines(dlg), QStringList({row.line}));
    EXPECT_EQ(Page().m_readMode, row.readMode);
    EXPECT_EQ(dlg.m_waitIdentify, 0);
    EXPECT_EQ(dlg.m_waitSingleModeAck, row.singleModeAck);
    EXPECT_TRUE(Page().m_tagText.isEmpty());
    EXPECT_TRUE(ShownText(dlg).isEmpty());
    EXPECT_TRUE(Enabled("identifyTagButton"));
    EXPECT_FALSE(Enabled("identifyPauseButton"));
    EXPECT_FALSE(dlg.m_serial.GetPortOpen());

    // The mode write's acknowledgement, or a failure status, arriving later starts nothing.
    for (const Bytes& late : {kModeWriteAck, kIdentifyFailed}) {
        dlg.OpenPortIfClosed();
        Answer(late);
        EXPECT_TRUE(Sent().isEmpty());
        EXPECT_EQ(Lines(dlg).size(), 1);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Rows, IdentifyRadios,
    ::testing::Values(RadioRow{"SingleTag", "identifySingleTagRadio", "Read Single Tag!",
                               QStringList({kStop, kReadTagModeSingle}), 0, 1},
                      RadioRow{"MultipleTags", "identifyMultipleTagsRadio", "Read Multiple Tags!",
                               QStringList({kReadTagModeMultiple}), 1, 0}),
    [](const auto& info) { return std::string(info.param.name); });

// While not connected the handlers do nothing; the radios only open the port.
TEST_F(IdentifyPage, ControlsDoNothingWhileNotConnected) {
    Page().AppendTagLine(QStringLiteral("E2 00(Antenna1) \r\n"));
    dlg.m_rxBuf[0] = 0xE0;
    dlg.m_rxCount = 1;
    dlg.m_multiRxTotal = 17;
    dlg.m_connected = 0;
    Sent();
    const struct {
        const char* control;
        bool portOpen;
    } rows[] = {{"identifyTagButton", false},
                {"identifyClearButton", false},
                {"identifySingleTagRadio", true},
                {"identifyMultipleTagsRadio", true}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.control);
        dlg.ClosePortIfOpen();
        if (QString(row.control).endsWith("Radio"))
            ClickRadio(row.control);
        else
            Click(dlg, row.control);
        EXPECT_TRUE(Sent().isEmpty());
        EXPECT_TRUE(Lines(dlg).isEmpty());
        EXPECT_TRUE(messages.isEmpty());
        EXPECT_EQ(Page().m_tagText, "E2 00(Antenna1) \r\n");
        EXPECT_EQ(dlg.m_rxCount, 1u);
        EXPECT_EQ(dlg.m_multiRxTotal, 17u);
        EXPECT_EQ(dlg.m_waitIdentify + dlg.m_waitMultiIdentify + dlg.m_waitSingleModeAck, 0);
        EXPECT_EQ(dlg.m_serial.GetPortOpen(), row.portOpen);
    }
}

// ---- Identify Tag ----

TEST_F(IdentifyPage, SingleIdentifySendsTheRequestAndShowsTheTextFirst) {
    Page().m_tagText = QStringLiteral("E2 00(Antenna1) \r\n");
    dlg.m_waitMultiIdentify = 1;
    DataBox()->setFocus();
    QTest::keyClicks(DataBox(), QStringLiteral("typed"));
    Click(dlg, "identifyTagButton");
    EXPECT_EQ(Sent(), QStringList({kIdentifySingle}));
    EXPECT_EQ(dlg.m_waitIdentify, 1);
    EXPECT_EQ(dlg.m_waitMultiIdentify, 0);
    EXPECT_TRUE(dlg.m_serial.GetPortOpen());
    // The box is refreshed from the page's text before it is read back.
    EXPECT_EQ(BoxLines(), QStringList({"E2 00(Antenna1) "}));
    EXPECT_EQ(Page().m_tagText, "E2 00(Antenna1) \r\n");
}

// The start chain for the work modes the reader may report (the trigger mode's chain runs as the
// timer mode's: see the dispatcher's tests).
struct ChainRow {
    const char* name;
    std::uint8_t workMode;
    bool refused;
};

class IdentifyChain : public IdentifyPage, public ::testing::WithParamInterface<ChainRow> {};

TEST_P(IdentifyChain, StartsTheStreamOrRefusesMasterSlave) {
    ClickRadio("identifyMultipleTagsRadio");
    Page().AppendTagLine(QStringLiteral("E2 00(Antenna1) \r\n"));
    Sent();
    dlg.m_multiStreaming = 1; // left over from a stream that Pause ended
    Click(dlg, "identifyTagButton");
    EXPECT_EQ(Sent(), QStringList({kReadWorkMode}));
    EXPECT_EQ(dlg.m_waitMultiIdentify, 1);
    EXPECT_EQ(dlg.m_multiStreaming, 0);
    EXPECT_TRUE(dlg.m_serial.GetPortOpen());
    Answer(WorkModeAnswer(GetParam().workMode));
    EXPECT_TRUE(Enabled("identifyTagButton"));
    EXPECT_FALSE(Enabled("identifyPauseButton"));
    if (GetParam().refused) {
        EXPECT_EQ(messages, QStringList({"Can't Identify Multiple Tags in Master-Slave Mode."}));
        EXPECT_TRUE(Sent().isEmpty());
        EXPECT_EQ(dlg.m_multiStep, 1);
        EXPECT_TRUE(dlg.m_serial.GetPortOpen());
        return;
    }
    EXPECT_EQ(Sent(), QStringList({kCommModeRs232}));
    Answer(kModeWriteAck);
    // The stream start readies the page: the list emptied, Pause the one button to press.
    EXPECT_EQ(Sent(), QStringList({kMultiStart}));
    EXPECT_FALSE(Enabled("identifyTagButton"));
    EXPECT_TRUE(Enabled("identifyPauseButton"));
    EXPECT_TRUE(ShownText(dlg).isEmpty());
    dlg.m_rxBuf[20] = 0x33; // stray bytes before the acknowledgement is complete
    Answer(kMultiStartAck);
    EXPECT_EQ(dlg.m_rxCount + dlg.m_multiRxTotal + dlg.m_multiShown, 0u);
    EXPECT_EQ(dlg.m_rxBuf[20], 0);
    EXPECT_TRUE(messages.isEmpty());
    // The first record is number 0.
    QStringList expected;
    Answer(Records(0, 1, &expected));
    EXPECT_EQ(BoxLines(), expected);
}

INSTANTIATE_TEST_SUITE_P(Rows, IdentifyChain,
                         ::testing::Values(ChainRow{"MasterSlave", 1, true},
                                           ChainRow{"Timer", 2, false}),
                         [](const auto& info) { return std::string(info.param.name); });

// ---- Pause and Clear during the stream ----

TEST_F(IdentifyPage, PauseStopsTheStreamAndKeepsTheLinesInView) {
    StartStream();
    QStringList expected;
    Stream(Records(0, 30, &expected), 64);
    dlg.m_rxBuf[5] = 0x11; // part of a record
    dlg.m_rxCount = 6;
    Click(dlg, "identifyPauseButton");
    EXPECT_EQ(Sent(), QStringList({kStop}));
    EXPECT_TRUE(Enabled("identifyTagButton"));
    EXPECT_FALSE(Enabled("identifyPauseButton"));
    EXPECT_EQ(dlg.m_rxCount + dlg.m_multiRxTotal + dlg.m_multiShown, 0u);
    EXPECT_EQ(dlg.m_rxBuf[5], 0);
    EXPECT_EQ(dlg.m_waitMultiIdentify, 1);
    EXPECT_FALSE(dlg.m_serial.GetPortOpen());
    EXPECT_TRUE(Page().m_tagText.isEmpty());
    // Records the reader sent before it saw the stop are lost with the closed port.
    QStringList late;
    Stream(Records(30, 31, &late), 17);
    EXPECT_EQ(BoxLines(), expected);
    EXPECT_TRUE(messages.isEmpty());

    // The next Identify Tag refreshes the box from the emptied text.
    Click(dlg, "identifyTagButton");
    EXPECT_TRUE(ShownText(dlg).isEmpty());
}

TEST_F(IdentifyPage, ClearDuringTheStreamEmptiesTheListAndCountsFromZeroAgain) {
    StartStream();
    QStringList first;
    Stream(Records(0, 30, &first), 170);
    EXPECT_EQ(BoxLines(), first);
    dlg.m_rxBuf[5] = 0x11; // part of a record
    dlg.m_rxCount = 6;
    Click(dlg, "identifyClearButton");
    EXPECT_TRUE(Page().m_tagText.isEmpty());
    EXPECT_TRUE(ShownText(dlg).isEmpty());
    EXPECT_EQ(dlg.m_rxCount + dlg.m_multiRxTotal + dlg.m_multiShown, 0u);
    EXPECT_EQ(dlg.m_rxBuf[5], 0);
    EXPECT_EQ(Lines(dlg),
              QStringList({"Read Multiple Tags!", "Operation List Cleared Successfully!"}));
    QStringList next;
    Stream(Records(0, 20, &next), 18);
    EXPECT_EQ(BoxLines(), next);
    EXPECT_TRUE(Sent().isEmpty());
    EXPECT_TRUE(Enabled("identifyPauseButton"));
}

// ---- over a real line ----
//
// A scripted reader on a real pseudo-terminal: the answers reach the page in whatever pieces the
// port delivers them.
class IdentifyPeer : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        ASSERT_TRUE(peer.IsOpen());
        dlg.m_serial.SetDevice(peer.SlavePath());
        dlg.m_serial.SetSettings(QStringLiteral("115200,n,8,1"));
        dlg.m_serial.SetRThreshold(1);
        dlg.OnHandshakeDone();
        dlg.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&dlg));
    }
    QString Request(std::size_t length) { return HexText(Wire(peer.Expect(length))); }
    bool WaitUntil(const std::function<bool()>& done) {
        QDeadlineTimer deadline(5000);
        while (!done() && !deadline.hasExpired())
            peer.Pump();
        return done();
    }
    CPtyPeer peer;
    CReaderDlg dlg;
};

// The radio closes the port right after handing over its two requests; both must still reach
// the reader.
TEST_F(IdentifyPeer, SingleTagRadioWritesReachTheReaderThoughThePortIsClosed) {
    Operate(dlg, "identifySingleTagRadio:on");
    EXPECT_FALSE(dlg.m_serial.GetPortOpen());
    EXPECT_EQ(Request(11), QStringLiteral("%1 %2").arg(kStop, kReadTagModeSingle));
    peer.Wait(50);
    EXPECT_TRUE(peer.Received().empty());
}

TEST_F(IdentifyPeer, SingleExchange) {
    Click(dlg, "identifyTagButton");
    EXPECT_EQ(Request(5), kIdentifySingle);
    peer.Send(kIdentifyFailed, 2);
    EXPECT_EQ(Request(5), kIdentifySingle);
    Bytes answer = {0x02};
    answer.insert(answer.end(), kTagId.begin(), kTagId.end());
    peer.Send(BuildFrame(kDataHeader, 0x82, answer), 3);
    ASSERT_TRUE(WaitUntil([&] { return !Lines(dlg).isEmpty(); }));
    EXPECT_EQ(Lines(dlg), QStringList({"Read Tag Successfully!"}));
    EXPECT_EQ(ShownLines(dlg), QStringList({kFirstTagLine}));
    EXPECT_FALSE(dlg.m_serial.GetPortOpen());
}

// The acknowledgement of the stream start and all hundred records written at once: the port
// hands them over in a few large events, and every record is still listed once.
TEST_F(IdentifyPeer, StreamWrittenInOneGoIsListedWhole) {
    Operate(dlg, "identifyMultipleTagsRadio:on");
    EXPECT_FALSE(dlg.m_serial.GetPortOpen());
    EXPECT_EQ(Request(7), kReadTagModeMultiple);
    Click(dlg, "identifyTagButton");
    EXPECT_EQ(Request(7), kReadWorkMode);
    peer.Send(WorkModeAnswer(3));
    EXPECT_EQ(Request(7), kCommModeRs232);
    peer.Send(kModeWriteAck);
    EXPECT_EQ(Request(4), kMultiStart);
    Bytes stream = kMultiStartAck;
    QStringList expected;
    const Bytes records = Records(0, 100, &expected);
    stream.insert(stream.end(), records.begin(), records.end());
    peer.Send(stream);
    ASSERT_TRUE(WaitUntil([&] { return !messages.isEmpty(); }));
    EXPECT_EQ(messages, QStringList({kExceeded}));
    EXPECT_EQ(ShownLines(dlg), expected);
    EXPECT_EQ(Request(4), kStop);
}

// ---- against the simulated reader, at 115200 bit/s ----

class IdentifySimulator : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        dlg.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&dlg));
        ASSERT_TRUE(ConnectToSimulator(dlg, QStringLiteral("115200")));
        dlg.OnClearOperationList();
    }
    CReaderDlg dlg;
};

TEST_F(IdentifySimulator, SingleTagIsIdentified) {
    Click(dlg, "identifyTagButton");
    ASSERT_TRUE(WaitUntil([&] { return !Lines(dlg).isEmpty(); }));
    EXPECT_EQ(Lines(dlg), QStringList({"Read Tag Successfully!"}));
    const QStringList lines = ShownLines(dlg);
    ASSERT_EQ(lines.size(), 1);
    EXPECT_TRUE(lines[0].endsWith(QStringLiteral("(Antenna1) "))) << lines[0].toStdString();
    EXPECT_FALSE(dlg.m_serial.GetPortOpen());
}

TEST_F(IdentifySimulator, StreamAtWireSpeedListsAHundredRecordsThenStops) {
    Operate(dlg, "identifyMultipleTagsRadio:on");
    Click(dlg, "identifyTagButton");
    ASSERT_TRUE(WaitUntil([&] { return !messages.isEmpty(); }));
    EXPECT_EQ(messages, QStringList({kExceeded}));
    const QStringList lines = ShownLines(dlg);
    ASSERT_EQ(lines.size(), 100);
    for (int n = 0; n < 100; ++n)
        EXPECT_TRUE(lines[n].startsWith(QStringLiteral("NO.%1: ").arg(n)))
            << lines[n].toStdString();
    EXPECT_TRUE(Button(dlg, "identifyTagButton")->isEnabled());
    EXPECT_FALSE(Button(dlg, "identifyPauseButton")->isEnabled());
}

} // namespace
