// The Tag Identify page driven as an operator drives it: the Read Tag Mode radios, Identify Tag,
// Pause and Clear, with the requests checked byte for byte and the Data box read as shown.
#include "pagetest.h"
#include "tagrecord.h"

#include "pages/cidentify.h"
#include "ui/cinventorymodel.h"

#include <QScrollBar>

namespace {

const char* const kStop = "A0 02 FE 60";
const char* const kReadTagModeSingle = "A0 05 60 00 87 00 74";
const char* const kReadTagModeMultiple = "A0 05 60 00 87 01 73";
const char* const kReadWorkMode = "A0 05 63 02 00 70 86";
const char* const kCommModeRs232 = "A0 05 60 00 72 03 86";
const char* const kMultiStart = "A0 02 65 F9";
const Bytes kModeWriteAck = {0xE4, 0x03, 0x60, 0x00, 0xB9};
const Bytes kMultiStartAck = {0xE4, 0x03, 0x65, 0x00, 0xB4};
const Bytes kIdentifyFailed = {0xE4, 0x03, 0x82, 0x01, 0x96};
const QString kTagLine = "E2 00(Antenna1) \r\n";

Bytes WorkModeAnswer(std::uint8_t mode) {
    return BuildFrame(kDataHeader, 0x63, Bytes{0x02, 0x00, 0x70, mode, 0x05});
}

class IdentifyPage : public PageTest<> {
protected:
    CIdentify& Page() { return dlg.IdentifyPage(); }
    QPlainTextEdit* DataBox() { return Control<QPlainTextEdit>(dlg, "identifyDataBox"); }
    // The box's text once it has taken the lines handed to it.
    QString Shown() {
        WaitUntil([&] { return !Page().BoxRefreshPending(); }, 2000);
        return DataBox()->toPlainText();
    }
    QStringList ShownLines() { return Shown().split(QLatin1Char('\n'), Qt::SkipEmptyParts); }
    bool Enabled(const char* button) { return Button(dlg, button)->isEnabled(); }
    void ExpectIdle() {
        EXPECT_TRUE(Enabled("identifyTagButton"));
        EXPECT_FALSE(Enabled("identifyPauseButton"));
    }
    void ClickRadio(const char* name) { Operate(dlg, QString::fromLatin1(name) + ":on"); }
    // Sends stream records first..last-1 in pieces of chunk bytes (CC 11, a tag ID of its own, the
    // antenna, the checksum of the fifteen bytes before it, a closing byte); returns their lines.
    QStringList StreamRecords(int first, int last, std::size_t chunk) {
        Bytes all;
        QStringList lines;
        for (int n = first; n < last; ++n) {
            const Bytes r = TagRecord(NumberedTagId(static_cast<std::uint8_t>(n)),
                                      static_cast<std::uint8_t>(1 + n % 4));
            lines << QStringLiteral("NO.%1: %2(Antenna%3) ")
                         .arg(n)
                         .arg(HexText(Wire(Bytes(r.begin() + 2, r.begin() + 14))))
                         .arg(1 + n % 4);
            all.insert(all.end(), r.begin(), r.end());
        }
        for (std::size_t i = 0; i < all.size(); i += chunk)
            Answer(Bytes(all.begin() + static_cast<long>(i),
                         all.begin() + static_cast<long>(std::min(all.size(), i + chunk))));
        return lines;
    }
    // Multiple Tags chosen, Identify Tag pressed, the chain answered up to the stream start.
    void StartStream() {
        ClickRadio("identifyMultipleTagsRadio");
        Sent();
        Click(dlg, "identifyTagButton");
        for (const Bytes& answer : {WorkModeAnswer(2), kModeWriteAck, kMultiStartAck})
            Answer(answer);
        EXPECT_EQ(Sent(), QStringList({kReadWorkMode, kCommModeRs232, kMultiStart}));
    }
};

// A radio writes the read mode and ends any identify; a later E4 answer starts nothing.
TEST_F(IdentifyPage, RadiosWriteTheReadModeAndLeaveNothingPending) {
    const struct {
        const char* radio;
        const char* line;
        QStringList requests;
    } rows[] = {{"identifyMultipleTagsRadio", "Read Multiple Tags!", {kReadTagModeMultiple}},
                {"identifySingleTagRadio", "Read Single Tag!", {kStop, kReadTagModeSingle}}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.radio);
        Page().AppendTagLine(kTagLine);
        Click(dlg, "identifyTagButton"); // an identify, or the stream's start, left unanswered
        Sent();
        dlg.OnClearOperationList();
        ClickRadio(row.radio);
        EXPECT_EQ(Sent(), row.requests);
        EXPECT_EQ(Lines(dlg), QStringList({row.line}));
        EXPECT_TRUE(Shown().isEmpty());
        ExpectIdle();
        EXPECT_TRUE(WaitUntil([&] { return !dlg.m_serial.GetPortOpen(); }));
        for (const Bytes& late : {kModeWriteAck, kIdentifyFailed}) {
            dlg.OpenPortIfClosed();
            Answer(late);
            EXPECT_TRUE(Sent().isEmpty());
            EXPECT_EQ(Lines(dlg).size(), 1);
        }
    }
}

// Clear empties the list and renumbers from zero; Pause stops and keeps the lines in view.
TEST_F(IdentifyPage, ClearAndPauseDuringTheStream) {
    StartStream();
    const QStringList first = StreamRecords(0, 30, 170);
    EXPECT_EQ(ShownLines(), first);
    const Bytes half = TagRecord(NumberedTagId(99), 1);
    Answer(Bytes(half.begin(), half.begin() + 6)); // dropped with the list
    Click(dlg, "identifyClearButton");
    EXPECT_TRUE(Shown().isEmpty());
    EXPECT_EQ(Lines(dlg),
              QStringList({"Read Multiple Tags!", "Operation List Cleared Successfully!"}));
    const QStringList next = StreamRecords(0, 20, 18);
    EXPECT_EQ(ShownLines(), next);
    EXPECT_TRUE(Sent().isEmpty());

    Answer(Bytes(half.begin(), half.begin() + 6));
    Click(dlg, "identifyPauseButton");
    EXPECT_EQ(Sent(), QStringList({kStop}));
    ExpectIdle();
    // Records sent before the reader saw the stop are not shown: the stream is over. The port
    // closes once they and the stop's answer have had time to arrive.
    StreamRecords(20, 21, 17);
    EXPECT_EQ(ShownLines(), next);
    EXPECT_TRUE(WaitUntil([&] { return !dlg.m_serial.GetPortOpen(); }));
    EXPECT_TRUE(messages.isEmpty());
    Click(dlg, "identifyTagButton"); // refreshes the box from the emptied text
    EXPECT_TRUE(Shown().isEmpty());
}

// Leaving the page mid-stream stops the reader; the next stream is numbered from zero again.
TEST_F(IdentifyPage, AStreamAfterLeavingThePageIsNumberedFromZero) {
    StartStream();
    StreamRecords(0, 30, 170);
    dlg.Sheet().SetActivePage(1);
    EXPECT_EQ(Sent(), QStringList({kStop}));
    dlg.Sheet().SetActivePage(0);
    dlg.OpenPortIfClosed();
    StartStream();
    const QStringList lines = StreamRecords(0, 5, 17);
    EXPECT_EQ(ShownLines(), lines);
}

// Continuous: no stop at the record limit, the numbering goes on, the box keeps the newest 1,000
// lines scrolled to the last while the Inventory counts every read; Clear between the two halves of
// a record keeps the stream in step.
TEST_F(IdentifyPage, ContinuousStreamKeepsTheNewestThousandLines) {
    Operate(dlg, QStringLiteral("identifyContinuousCheck:on"));
    StartStream();
    const QStringList lines = StreamRecords(0, 1250, 170);
    EXPECT_EQ(ShownLines(), lines.mid(250));
    QScrollBar* bar = DataBox()->verticalScrollBar(); // the newest line in view
    EXPECT_EQ(bar->value(), bar->maximum());
    EXPECT_TRUE(Sent().isEmpty());
    EXPECT_TRUE(messages.isEmpty());
    EXPECT_EQ(dlg.Inventory().TotalReads(), 1250);
    EXPECT_TRUE(Enabled("identifyPauseButton"));

    const Bytes record = TagRecord(NumberedTagId(7), 2);
    Answer(Bytes(record.begin(), record.begin() + 9));
    Click(dlg, "identifyClearButton");
    Answer(Bytes(record.begin() + 9, record.end()));
    EXPECT_EQ(ShownLines(), QStringList({"NO.0: 30 31 32 33 34 35 36 37 38 39 3A 07(Antenna2) "}));
}

} // namespace
