// The Tag Identify page driven as an operator drives it: the Read Tag Mode radios, Identify Tag,
// Pause and Clear, with the requests checked byte for byte on an in-memory line or on a real
// pseudo-terminal, and the Data box read as the operator sees it.
#include "fakewindow.h"
#include "ptypeer.h"
#include "windowtest.h"

#include "link/portnames.h"
#include "pages/cidentify.h"
#include "protocol/frame.h"

#include <QDeadlineTimer>
#include <QGroupBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QScrollBar>
#include <QTextDocument>

#include <functional>

namespace {

QString Hex(const QByteArray& bytes) {
    return QString::fromStdString(
        HexString(ByteView(reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                           static_cast<std::size_t>(bytes.size()))));
}

QByteArray Raw(const Bytes& bytes) {
    return QByteArray(reinterpret_cast<const char*>(bytes.data()),
                      static_cast<qsizetype>(bytes.size()));
}

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

Bytes IdentifyAnswer(std::uint8_t antenna, const Bytes& id) {
    Bytes data = {antenna};
    data.insert(data.end(), id.begin(), id.end());
    return BuildFrame(kDataHeader, 0x82, data);
}

Bytes WorkModeAnswer(std::uint8_t mode) {
    const Bytes data = {0x02, 0x00, 0x70, mode, 0x05};
    return BuildFrame(kDataHeader, 0x63, data);
}

// One 17-byte stream record: two header bytes, the tag ID, the antenna, the checksum of the
// fifteen bytes before it and a non-zero closing byte. Record n carries an ID of its own.
Bytes Record(int n, bool goodChecksum = true, std::uint8_t last = 0x0A) {
    Bytes r = {0xCC, 0x11};
    for (int i = 0; i < 12; ++i)
        r.push_back(static_cast<std::uint8_t>(i == 11 ? n : 0x30 + i));
    r.push_back(static_cast<std::uint8_t>(1 + n % 4));
    r.push_back(static_cast<std::uint8_t>(FrameChecksum(r.data(), 15) + (goodChecksum ? 0 : 1)));
    r.push_back(last);
    return r;
}

// The line the Data box shows for record n: its tag ID without the two header bytes.
QString RecordLine(int n) {
    return QStringLiteral("NO.%1: 30 31 32 33 34 35 36 37 38 39 3A %2(Antenna%3) ")
        .arg(n)
        .arg(n, 2, 16, QLatin1Char('0'))
        .arg(1 + n % 4)
        .toUpper()
        .replace(QStringLiteral("ANTENNA"), QStringLiteral("Antenna"));
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
    template <typename T> T* Find(const char* name) {
        auto* found = dlg.findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }
    QPlainTextEdit* DataBox() { return Find<QPlainTextEdit>("identifyDataBox"); }
    QStringList BoxLines() { return ShownLines(dlg); }
    bool Enabled(const char* button) { return Find<QPushButton>(button)->isEnabled(); }
    void ClickRadio(const char* name) {
        QTest::mouseClick(Find<QRadioButton>(name), Qt::LeftButton);
    }
    // The requests written since the last call, as hex text.
    QStringList Sent() {
        QStringList sent;
        for (const QByteArray& frame : line->m_written)
            sent << Hex(frame);
        line->m_written.clear();
        return sent;
    }
    // Bytes from the reader, in one receive event.
    void Answer(const Bytes& bytes) { line->Deliver(Raw(bytes)); }

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
    // Delivers the bytes in receive events of at most chunk bytes each.
    void Stream(const Bytes& bytes, std::size_t chunk) {
        for (std::size_t i = 0; i < bytes.size(); i += chunk) {
            const std::size_t n = std::min(chunk, bytes.size() - i);
            Answer(Bytes(bytes.begin() + static_cast<long>(i),
                         bytes.begin() + static_cast<long>(i + n)));
        }
    }

    CReaderDlg dlg;
    CFakeBackend* line = nullptr;
};

// ---- the page itself ----

TEST_F(IdentifyPage, CreationAndActivationLeaveThePageIdle) {
    EXPECT_TRUE(Enabled("identifyTagButton"));
    EXPECT_FALSE(Enabled("identifyPauseButton"));
    EXPECT_TRUE(Find<QRadioButton>("identifySingleTagRadio")->isChecked());
    EXPECT_TRUE(Sent().isEmpty());

    // Every control can be found by automation and by a screen reader.
    for (QWidget* control : Page().Window()->findChildren<QWidget*>()) {
        if (qobject_cast<QPushButton*>(control) || qobject_cast<QRadioButton*>(control) ||
            qobject_cast<QPlainTextEdit*>(control) || qobject_cast<QGroupBox*>(control)) {
            EXPECT_FALSE(control->objectName().isEmpty()) << control->metaObject()->className();
        }
    }
    EXPECT_EQ(DataBox()->accessibleName(), "Data");
    EXPECT_EQ(Find<QLabel>("identifyDataLabel")->buddy(), DataBox());

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

// The dispatcher's calls into the page, each with its exact request. None of them opens or
// closes the port, and each works the same while the page has no controls.
struct SenderRow {
    const char* name;
    void (CIdentify::*send)();
    const char* request;
};

class IdentifySenders : public IdentifyPage, public ::testing::WithParamInterface<SenderRow> {};

TEST_P(IdentifySenders, SendExactlyTheirRequest) {
    for (bool withControls : {true, false}) {
        if (!withControls)
            dlg.OnDisconnect(); // the page's group leaves the sheet
        Sent();
        dlg.OpenPortIfClosed();
        dlg.m_rxBuf[0] = 0xE4;
        dlg.m_rxCount = 1;
        (Page().*GetParam().send)();
        EXPECT_EQ(Sent(), QStringList({GetParam().request})) << withControls;
        EXPECT_TRUE(dlg.m_serial.GetPortOpen());
        EXPECT_EQ(dlg.m_rxCount, 0u);
        EXPECT_EQ(dlg.m_rxBuf[0], 0);
        EXPECT_TRUE(messages.isEmpty());
    }
}

INSTANTIATE_TEST_SUITE_P(
    Rows, IdentifySenders,
    ::testing::Values(SenderRow{"Stop", &CIdentify::SendStop, kStop},
                      SenderRow{"ReadWorkMode", &CIdentify::ReadWorkMode, kReadWorkMode},
                      SenderRow{"CommModeRs232", &CIdentify::SendCommModeRs232, kCommModeRs232},
                      SenderRow{"IdentifySingle", &CIdentify::SendIdentifySingle, kIdentifySingle},
                      SenderRow{"MultiStart", &CIdentify::SendMultiStart, kMultiStart}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(IdentifyPage, MultiStartReadiesThePageForTheStream) {
    Page().AppendTagLine(QStringLiteral("E2 00(Antenna1) \r\n"));
    dlg.m_waitIdentify = 1;
    dlg.m_multiRxTotal = 40;
    Page().SendMultiStart();
    EXPECT_EQ(dlg.m_multiRxTotal, 0u);
    EXPECT_EQ(dlg.m_waitIdentify, 0);
    EXPECT_EQ(dlg.m_waitMultiIdentify, 1);
    EXPECT_FALSE(Enabled("identifyTagButton"));
    EXPECT_TRUE(Enabled("identifyPauseButton"));
    EXPECT_TRUE(Page().m_tagText.isEmpty());
    EXPECT_TRUE(ShownText(dlg).isEmpty());

    Page().MultiStreamStopped();
    EXPECT_TRUE(Enabled("identifyTagButton"));
    EXPECT_FALSE(Enabled("identifyPauseButton"));
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
enum class Disturb { TextEmptied, OperatorTyped };

class IdentifyResync : public IdentifyPage, public ::testing::WithParamInterface<Disturb> {};

TEST_P(IdentifyResync, NextLineShowsExactlyTheText) {
    Page().AppendTagLine(QStringLiteral("first(Antenna1) \r\n"));
    if (GetParam() == Disturb::TextEmptied) {
        Page().m_tagText.clear(); // as Pause and Disconnect do
    } else {
        DataBox()->setFocus();
        QTest::keyClicks(DataBox(), QStringLiteral("typed"));
    }
    Page().AppendTagLine(QStringLiteral("next(Antenna2) \r\n"));
    QString text = Page().m_tagText;
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    EXPECT_EQ(ShownText(dlg), text);
    EXPECT_EQ(BoxLines().last(), "next(Antenna2) ");
}

INSTANTIATE_TEST_SUITE_P(Rows, IdentifyResync,
                         ::testing::Values(Disturb::TextEmptied, Disturb::OperatorTyped),
                         [](const auto& info) {
                             return info.param == Disturb::TextEmptied ? "TextEmptied"
                                                                       : "OperatorTyped";
                         });

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
struct UnconnectedRow {
    const char* name;
    const char* control;
    bool portOpen;
};

class IdentifyUnconnected : public IdentifyPage,
                            public ::testing::WithParamInterface<UnconnectedRow> {};

TEST_P(IdentifyUnconnected, ControlDoesNothing) {
    Page().AppendTagLine(QStringLiteral("E2 00(Antenna1) \r\n"));
    dlg.m_rxBuf[0] = 0xE0;
    dlg.m_rxCount = 1;
    dlg.m_multiRxTotal = 17;
    dlg.m_connected = 0;
    Sent();
    if (auto* radio = dlg.findChild<QRadioButton*>(QString::fromLatin1(GetParam().control)))
        QTest::mouseClick(radio, Qt::LeftButton);
    else
        Click(dlg, GetParam().control);
    EXPECT_TRUE(Sent().isEmpty());
    EXPECT_TRUE(Lines(dlg).isEmpty());
    EXPECT_TRUE(messages.isEmpty());
    EXPECT_EQ(Page().m_tagText, "E2 00(Antenna1) \r\n");
    EXPECT_EQ(dlg.m_rxCount, 1u);
    EXPECT_EQ(dlg.m_multiRxTotal, 17u);
    EXPECT_EQ(dlg.m_waitIdentify + dlg.m_waitMultiIdentify + dlg.m_waitSingleModeAck, 0);
    EXPECT_EQ(dlg.m_serial.GetPortOpen(), GetParam().portOpen);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, IdentifyUnconnected,
    ::testing::Values(UnconnectedRow{"IdentifyTag", "identifyTagButton", false},
                      UnconnectedRow{"Clear", "identifyClearButton", false},
                      UnconnectedRow{"SingleTag", "identifySingleTagRadio", true},
                      UnconnectedRow{"MultipleTags", "identifyMultipleTagsRadio", true}),
    [](const auto& info) { return std::string(info.param.name); });

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

TEST_F(IdentifyPage, MultipleIdentifyStartsTheChainWithTheWorkModeRead) {
    ClickRadio("identifyMultipleTagsRadio");
    Sent();
    dlg.m_multiStreaming = 1; // left over from a stream that Pause ended
    Click(dlg, "identifyTagButton");
    EXPECT_EQ(Sent(), QStringList({kReadWorkMode}));
    EXPECT_EQ(dlg.m_waitMultiIdentify, 1);
    EXPECT_EQ(dlg.m_multiStep, 1);
    EXPECT_EQ(dlg.m_multiStreaming, 0);
    EXPECT_TRUE(dlg.m_serial.GetPortOpen());
    EXPECT_TRUE(Enabled("identifyTagButton"));
    EXPECT_FALSE(Enabled("identifyPauseButton"));
}

// ---- Pause and Clear ----

TEST_F(IdentifyPage, PauseStopsTheStreamAndKeepsTheLinesInView) {
    dlg.OpenPortIfClosed();
    Page().SendMultiStart();
    Page().AppendTagLine(QStringLiteral("NO.0: E2 00(Antenna1) \r\n"));
    Sent();
    dlg.m_rxBuf[5] = 0x11;
    dlg.m_rxCount = 30;
    dlg.m_multiRxTotal = 30;
    dlg.m_multiShown = 1;
    Click(dlg, "identifyPauseButton");
    EXPECT_EQ(Sent(), QStringList({kStop}));
    EXPECT_TRUE(Enabled("identifyTagButton"));
    EXPECT_FALSE(Enabled("identifyPauseButton"));
    EXPECT_EQ(dlg.m_rxCount + dlg.m_multiRxTotal + dlg.m_multiShown, 0u);
    EXPECT_EQ(dlg.m_rxBuf[5], 0);
    EXPECT_EQ(dlg.m_waitMultiIdentify, 1);
    EXPECT_FALSE(dlg.m_serial.GetPortOpen());
    EXPECT_TRUE(Page().m_tagText.isEmpty());
    EXPECT_EQ(BoxLines(), QStringList({"NO.0: E2 00(Antenna1) "}));

    // The next Identify Tag refreshes the box from the emptied text.
    Click(dlg, "identifyTagButton");
    EXPECT_TRUE(ShownText(dlg).isEmpty());
}

TEST_F(IdentifyPage, ClearEmptiesTheListAndRestartsTheRecordCount) {
    dlg.AddOperationLine(QStringLiteral("Read Tag Successfully!"));
    Page().AppendTagLine(QStringLiteral("E2 00(Antenna1) \r\n"));
    dlg.m_rxBuf[5] = 0x11;
    dlg.m_rxCount = 40;
    dlg.m_multiRxTotal = 40;
    dlg.m_multiShown = 2;
    Click(dlg, "identifyClearButton");
    EXPECT_TRUE(Page().m_tagText.isEmpty());
    EXPECT_TRUE(ShownText(dlg).isEmpty());
    EXPECT_EQ(dlg.m_rxCount + dlg.m_multiRxTotal + dlg.m_multiShown, 0u);
    EXPECT_EQ(dlg.m_rxBuf[5], 0);
    EXPECT_EQ(Lines(dlg),
              QStringList({"Read Tag Successfully!", "Operation List Cleared Successfully!"}));
    EXPECT_TRUE(Sent().isEmpty());
}

// ---- over a real line ----

// The radios close the port right after handing over their requests; both must still reach the
// reader.
struct PtyRadioRow {
    const char* name;
    const char* radio;
    const char* requests;
};

class IdentifyOverPty : public WindowTest, public ::testing::WithParamInterface<PtyRadioRow> {
protected:
    CPtyPeer peer;
    CReaderDlg dlg;
};

TEST_P(IdentifyOverPty, RadioWritesReachTheReaderThoughThePortIsClosed) {
    ASSERT_TRUE(peer.IsOpen());
    dlg.m_serial.SetDevice(peer.SlavePath());
    dlg.m_serial.SetSettings(QStringLiteral("115200,n,8,1"));
    dlg.m_serial.SetRThreshold(1);
    dlg.OnHandshakeDone();
    auto* radio = dlg.findChild<QRadioButton*>(QString::fromLatin1(GetParam().radio));
    ASSERT_NE(radio, nullptr);
    QTest::mouseClick(radio, Qt::LeftButton);
    EXPECT_FALSE(dlg.m_serial.GetPortOpen());
    const QString expected = QString::fromLatin1(GetParam().requests);
    const std::size_t count = static_cast<std::size_t>(expected.split(' ').size());
    EXPECT_EQ(Hex(Raw(peer.Expect(count))), expected);
    peer.Wait(50);
    EXPECT_TRUE(peer.Received().empty());
}

INSTANTIATE_TEST_SUITE_P(Rows, IdentifyOverPty,
                         ::testing::Values(PtyRadioRow{"SingleTag", "identifySingleTagRadio",
                                                       "A0 02 FE 60 A0 05 60 00 87 00 74"},
                                           PtyRadioRow{"MultipleTags", "identifyMultipleTagsRadio",
                                                       "A0 05 60 00 87 01 73"}),
                         [](const auto& info) { return std::string(info.param.name); });

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
    QString Request(std::size_t length) { return Hex(Raw(peer.Expect(length))); }
    bool WaitUntil(const std::function<bool()>& done) {
        QDeadlineTimer deadline(5000);
        while (!done() && !deadline.hasExpired())
            peer.Pump();
        return done();
    }
    QStringList BoxLines() { return ShownLines(dlg); }
    CPtyPeer peer;
    CReaderDlg dlg;
};

TEST_F(IdentifyPeer, SingleExchange) {
    Click(dlg, "identifyTagButton");
    EXPECT_EQ(Request(5), kIdentifySingle);
    peer.Send(kIdentifyFailed, 2);
    EXPECT_EQ(Request(5), kIdentifySingle);
    peer.Send(IdentifyAnswer(2, kTagId), 3);
    ASSERT_TRUE(WaitUntil([&] { return !Lines(dlg).isEmpty(); }));
    EXPECT_EQ(Lines(dlg), QStringList({"Read Tag Successfully!"}));
    EXPECT_EQ(BoxLines(), QStringList({"E2 00 30 12 34 56 78 9A BC DE F0 11(Antenna2) "}));
    EXPECT_FALSE(dlg.m_serial.GetPortOpen());
}

// The acknowledgement of the stream start and all hundred records written at once: the port
// hands them over in a few large events, and every record is still listed once.
TEST_F(IdentifyPeer, StreamWrittenInOneGoIsListedWhole) {
    QTest::mouseClick(dlg.findChild<QRadioButton*>(QStringLiteral("identifyMultipleTagsRadio")),
                      Qt::LeftButton);
    EXPECT_EQ(Request(7), kReadTagModeMultiple);
    Click(dlg, "identifyTagButton");
    EXPECT_EQ(Request(7), kReadWorkMode);
    peer.Send(WorkModeAnswer(3));
    EXPECT_EQ(Request(7), kCommModeRs232);
    peer.Send(kModeWriteAck);
    EXPECT_EQ(Request(4), kMultiStart);
    Bytes stream = kMultiStartAck;
    QStringList expected;
    for (int n = 0; n < 100; ++n) {
        const Bytes r = Record(n);
        stream.insert(stream.end(), r.begin(), r.end());
        expected << RecordLine(n);
    }
    peer.Send(stream);
    ASSERT_TRUE(WaitUntil([&] { return !messages.isEmpty(); }));
    EXPECT_EQ(messages, QStringList({"Exceed 100 Tags. Identifying Stopped!"}));
    EXPECT_EQ(BoxLines(), expected);
    EXPECT_EQ(Request(4), kStop);
}

// ---- answers through the dispatcher ----
//
// These need the dispatcher's identify branches and its calls into this page; they stay
// disabled until it has them.

TEST_F(IdentifyPage, SingleAnswerShowsTheTagWhenItsLastByteArrives) {
    Click(dlg, "identifyTagButton");
    Sent();
    const Bytes answer = IdentifyAnswer(1, kTagId);
    Stream(Bytes(answer.begin(), answer.end() - 1), 1);
    EXPECT_TRUE(Lines(dlg).isEmpty());
    EXPECT_EQ(dlg.m_waitIdentify, 1);
    Answer(Bytes(answer.end() - 1, answer.end()));
    EXPECT_EQ(Page().m_tagText, "E2 00 30 12 34 56 78 9A BC DE F0 11(Antenna1) \r\n");
    EXPECT_EQ(BoxLines(), QStringList({"E2 00 30 12 34 56 78 9A BC DE F0 11(Antenna1) "}));
    EXPECT_EQ(Lines(dlg), QStringList({"Read Tag Successfully!"}));
    EXPECT_EQ(dlg.m_waitIdentify, 0);
    EXPECT_EQ(dlg.m_retryCount, 0);
    EXPECT_FALSE(dlg.m_serial.GetPortOpen());
    EXPECT_TRUE(Sent().isEmpty());
}

TEST_F(IdentifyPage, SingleIdentifyGivesUpSilentlyAfterTenRequests) {
    Click(dlg, "identifyTagButton");
    int requests = static_cast<int>(Sent().size());
    for (int answer = 0; answer < 12 && dlg.m_waitIdentify == 1; ++answer) {
        Answer(kIdentifyFailed);
        for (const QString& request : Sent()) {
            EXPECT_EQ(request, kIdentifySingle);
            ++requests;
        }
    }
    EXPECT_EQ(requests, 10);
    EXPECT_EQ(dlg.m_waitIdentify, 0);
    EXPECT_EQ(dlg.m_retryCount, 0);
    EXPECT_TRUE(Lines(dlg).isEmpty());
    EXPECT_TRUE(messages.isEmpty());
    EXPECT_TRUE(Page().m_tagText.isEmpty());
}

// The start chain for each work mode the reader may report.
struct ChainRow {
    const char* name;
    std::uint8_t workMode;
    bool refused;
};

class IdentifyChain : public IdentifyPage, public ::testing::WithParamInterface<ChainRow> {};

TEST_P(IdentifyChain, StartsTheStreamOrRefusesMasterSlave) {
    ClickRadio("identifyMultipleTagsRadio");
    Sent();
    Click(dlg, "identifyTagButton");
    EXPECT_EQ(Sent(), QStringList({kReadWorkMode}));
    Answer(WorkModeAnswer(GetParam().workMode));
    if (GetParam().refused) {
        EXPECT_EQ(messages, QStringList({"Can't Identify Multiple Tags in Master-Slave Mode."}));
        EXPECT_TRUE(Sent().isEmpty());
        EXPECT_EQ(dlg.m_multiStep, 1);
        EXPECT_TRUE(dlg.m_serial.GetPortOpen());
        EXPECT_TRUE(Enabled("identifyTagButton"));
        EXPECT_FALSE(Enabled("identifyPauseButton"));
        return;
    }
    EXPECT_EQ(Sent(), QStringList({kCommModeRs232}));
    EXPECT_TRUE(Enabled("identifyTagButton"));
    Answer(kModeWriteAck);
    EXPECT_EQ(Sent(), QStringList({kMultiStart}));
    EXPECT_FALSE(Enabled("identifyTagButton"));
    EXPECT_TRUE(Enabled("identifyPauseButton"));
    dlg.m_rxBuf[20] = 0x33; // stray bytes before the acknowledgement is complete
    Answer(kMultiStartAck);
    EXPECT_EQ(dlg.m_rxCount + dlg.m_multiRxTotal + dlg.m_multiShown, 0u);
    EXPECT_EQ(dlg.m_rxBuf[20], 0);
    EXPECT_TRUE(messages.isEmpty());
    // The first record is number 0.
    Answer(Record(0));
    EXPECT_EQ(BoxLines(), QStringList({RecordLine(0)}));
}

INSTANTIATE_TEST_SUITE_P(Rows, IdentifyChain,
                         ::testing::Values(ChainRow{"MasterSlave", 1, true},
                                           ChainRow{"Timer", 2, false},
                                           ChainRow{"Trigger", 3, false}),
                         [](const auto& info) { return std::string(info.param.name); });

// 100 records in receive events of every size: each is shown once, in order, and then the
// stream is stopped.
class IdentifyStream : public IdentifyPage, public ::testing::WithParamInterface<std::size_t> {};

TEST_P(IdentifyStream, HundredRecordsAreShownOnceEachThenTheStreamStops) {
    StartStream();
    Bytes stream;
    QStringList expected;
    for (int n = 0; n < 100; ++n) {
        const Bytes r = Record(n);
        stream.insert(stream.end(), r.begin(), r.end());
        expected << RecordLine(n);
    }
    Stream(stream, GetParam());
    EXPECT_EQ(BoxLines(), expected);
    EXPECT_EQ(Sent(), QStringList({kStop}));
    EXPECT_EQ(messages, QStringList({"Exceed 100 Tags. Identifying Stopped!"}));
    EXPECT_TRUE(Enabled("identifyTagButton"));
    EXPECT_FALSE(Enabled("identifyPauseButton"));
    EXPECT_EQ(dlg.m_multiShown + dlg.m_multiRxTotal + dlg.m_rxCount, 0u);
}

INSTANTIATE_TEST_SUITE_P(Chunks, IdentifyStream, ::testing::Values(1, 16, 17, 18, 64, 170, 1700),
                         [](const auto& info) { return "Chunk" + std::to_string(info.param); });

TEST_F(IdentifyPage, BadRecordsAreSkippedButCounted) {
    StartStream();
    Bytes stream;
    QStringList expected;
    for (int n = 0; n < 100; ++n) {
        const bool badChecksum = n % 10 == 3;
        const bool zeroLast = n % 10 == 7;
        const Bytes r = Record(n, !badChecksum, zeroLast ? 0x00 : 0x0A);
        stream.insert(stream.end(), r.begin(), r.end());
        if (!badChecksum && !zeroLast)
            expected << RecordLine(n);
    }
    Stream(stream, 64);
    EXPECT_EQ(BoxLines(), expected);
    EXPECT_EQ(Sent(), QStringList({kStop}));
    EXPECT_EQ(messages, QStringList({"Exceed 100 Tags. Identifying Stopped!"}));
}

TEST_F(IdentifyPage, ClearDuringTheStreamCountsFromZeroAgain) {
    StartStream();
    Bytes first;
    for (int n = 0; n < 30; ++n) {
        const Bytes r = Record(n);
        first.insert(first.end(), r.begin(), r.end());
    }
    Stream(first, 170);
    EXPECT_EQ(BoxLines().size(), 30);
    Click(dlg, "identifyClearButton");
    EXPECT_TRUE(ShownText(dlg).isEmpty());
    Bytes next;
    QStringList expected;
    for (int n = 0; n < 20; ++n) {
        const Bytes r = Record(n);
        next.insert(next.end(), r.begin(), r.end());
        expected << RecordLine(n);
    }
    Stream(next, 18);
    EXPECT_EQ(BoxLines(), expected);
    EXPECT_TRUE(Sent().isEmpty());
    EXPECT_TRUE(Enabled("identifyPauseButton"));
}

TEST_F(IdentifyPage, PauseDuringTheStreamStopsItWithTheLinesShown) {
    StartStream();
    Bytes first;
    QStringList expected;
    for (int n = 0; n < 30; ++n) {
        const Bytes r = Record(n);
        first.insert(first.end(), r.begin(), r.end());
        expected << RecordLine(n);
    }
    Stream(first, 64);
    Click(dlg, "identifyPauseButton");
    EXPECT_EQ(Sent(), QStringList({kStop}));
    EXPECT_FALSE(dlg.m_serial.GetPortOpen());
    // Records the reader sent before it saw the stop are lost with the closed port.
    Stream(Record(30), 17);
    EXPECT_EQ(BoxLines(), expected);
    EXPECT_TRUE(messages.isEmpty());
}

// ---- against the simulated reader, at 115200 bit/s ----

class IdentifySimulator : public WindowTest {
protected:
    static bool WaitUntil(const std::function<bool()>& done, int timeoutMs = 5000) {
        QDeadlineTimer deadline(timeoutMs);
        while (!done() && !deadline.hasExpired())
            QTest::qWait(5);
        return done();
    }
    void SetUp() override {
        WindowTest::SetUp();
        dlg.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&dlg));
        auto* ports = dlg.findChild<QComboBox*>(QStringLiteral("portList"));
        ports->setCurrentIndex(ports->findText(kSimulatorPort));
        Choose(dlg, "baudList", QStringLiteral("115200"));
        Click(dlg, "connectButton");
        ASSERT_TRUE(WaitUntil([&] { return dlg.m_connected == 1; }));
        dlg.OnClearOperationList();
    }
    QStringList BoxLines() { return ShownLines(dlg); }
    CReaderDlg dlg;
};

TEST_F(IdentifySimulator, SingleTagIsIdentified) {
    Click(dlg, "identifyTagButton");
    ASSERT_TRUE(WaitUntil([&] { return !Lines(dlg).isEmpty(); }));
    EXPECT_EQ(Lines(dlg), QStringList({"Read Tag Successfully!"}));
    ASSERT_EQ(BoxLines().size(), 1);
    EXPECT_TRUE(BoxLines()[0].endsWith(QStringLiteral("(Antenna1) ")))
        << BoxLines()[0].toStdString();
    EXPECT_FALSE(dlg.m_serial.GetPortOpen());
}

TEST_F(IdentifySimulator, StreamAtWireSpeedListsAHundredRecordsThenStops) {
    auto* radio = dlg.findChild<QRadioButton*>(QStringLiteral("identifyMultipleTagsRadio"));
    QTest::mouseClick(radio, Qt::LeftButton);
    Click(dlg, "identifyTagButton");
    ASSERT_TRUE(WaitUntil([&] { return !messages.isEmpty(); }));
    EXPECT_EQ(messages, QStringList({"Exceed 100 Tags. Identifying Stopped!"}));
    const QStringList lines = BoxLines();
    ASSERT_EQ(lines.size(), 100);
    for (int n = 0; n < 100; ++n)
        EXPECT_TRUE(lines[n].startsWith(QStringLiteral("NO.%1: ").arg(n)))
            << lines[n].toStdString();
    EXPECT_TRUE(Button(dlg, "identifyTagButton")->isEnabled());
    EXPECT_FALSE(Button(dlg, "identifyPauseButton")->isEnabled());
}

} // namespace
