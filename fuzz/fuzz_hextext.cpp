// Fuzzes the parsers of operator text and the texts the pages show: hex text (HexToBytes at every
// capacity, HexDigitValue), the hex texts of tag IDs and tag data, the fast-write ID increment,
// the port-list entries, the line settings string and the simulator tool's command line.
//
// The whole input is the text. Its first bytes double as the numbers some checks need (a tag ID
// and its length, a line settings quadruple), so that every input exercises every parser.

#include "link/cmscomm.h"
#include "link/portnames.h"
#include "protocol/frame.h"
#include "protocol/hexbytes.h"
#include "sim/tool/csimoptions.h"

#include <QString>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#define CHECK(cond)                                                                                \
    do {                                                                                           \
        if (!(cond)) {                                                                             \
            std::fprintf(stderr, "fuzz_hextext: %s does not hold (line %d)\n", #cond, __LINE__);   \
            __builtin_trap();                                                                      \
        }                                                                                          \
    } while (0)

namespace {

constexpr std::size_t kMaxCapacity = 24;

int DigitOf(char c) {
    const char* digits = "0123456789abcdef";
    const char lower = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    const char* at = std::strchr(digits, lower);
    return c != '\0' && at ? static_cast<int>(at - digits) : -1;
}

// How operator hex text reads: blanks dropped, then two digits per byte, 1 to capacity bytes.
std::optional<Bytes> ExpectedBytes(std::string_view text, std::size_t capacity) {
    std::string digits;
    for (char c : text) {
        if (c == ' ')
            continue;
        if (DigitOf(c) < 0)
            return std::nullopt;
        digits += c;
    }
    if (digits.empty() || digits.size() % 2 != 0 || digits.size() / 2 > capacity)
        return std::nullopt;
    Bytes bytes;
    for (std::size_t i = 0; i < digits.size(); i += 2)
        bytes.push_back(
            static_cast<std::uint8_t>(DigitOf(digits[i]) * 16 + DigitOf(digits[i + 1])));
    return bytes;
}

void CheckReparses(const std::string& text, const Bytes& bytes) {
    const auto again = HexToBytes(text, bytes.size());
    CHECK(again && *again == bytes);
}

void CheckHexText(std::string_view text) {
    for (char c : text) {
        const int want = DigitOf(c);
        CHECK(HexDigitValue(c) == (want < 0 ? 0xFF : want));
    }

    std::optional<Bytes> parsed;
    for (std::size_t capacity = 0; capacity <= kMaxCapacity; ++capacity) {
        const std::optional<Bytes> want = ExpectedBytes(text, capacity);

        CHECK(HexToBytes(text, capacity) == want);

        // Exactly capacity bytes on the heap: a write past them is an overflow.
        auto out = std::make_unique<std::uint8_t[]>(capacity);
        std::fill_n(out.get(), capacity, std::uint8_t{0xA5});
        const auto count = HexToBytes(text, out.get(), capacity);
        CHECK(count.has_value() == want.has_value());
        if (count) {
            CHECK(*count == want->size());
            CHECK(std::equal(want->begin(), want->end(), out.get()));
            CHECK(std::all_of(out.get() + *count, out.get() + capacity,
                              [](std::uint8_t b) { return b == 0; }));
            parsed = want;
        } else {
            // A refused text leaves the caller's bytes as they were.
            CHECK(std::all_of(out.get(), out.get() + capacity,
                              [](std::uint8_t b) { return b == 0xA5; }));
        }
    }
    if (!parsed)
        return;

    // What the pages show of parsed bytes reads back as the same bytes.
    const Bytes& bytes = *parsed;
    std::string upper;
    for (char c : text)
        if (c != ' ')
            upper += (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
    CHECK(HexString(bytes, HexCase::Upper, "") == upper);
    CHECK(ReadDataText(bytes).size() == 3 * bytes.size() - 1);
    CHECK(FastWriteIdText(bytes) == HexString(bytes) + " ");
    for (const std::string& shown :
         {HexString(bytes), HexString(bytes, HexCase::Lower, ""),
          HexString(bytes, HexCase::Lower, "   "), ReadDataText(bytes), FastWriteIdText(bytes)})
        CheckReparses(shown, bytes);
}

void CheckTagLine(const std::array<std::uint8_t, 16>& n) {
    const std::uint8_t antenna = n[12];
    const std::string line = TagLineText(n.data(), antenna);
    const std::string id = HexString(ByteView(n.data(), 12));
    CHECK(line == id + "(Antenna" + std::to_string(antenna) + ") \r\n");
    CheckReparses(line.substr(0, 35), Bytes(n.begin(), n.begin() + 12));
}

// The fast-write ID: a big-endian number in the last length bytes that goes up by one.
void CheckIncrement(const std::array<std::uint8_t, 16>& n) {
    std::array<std::uint8_t, 12> id{};
    std::copy_n(n.begin(), 12, id.begin());
    const std::array<std::uint8_t, 12> old = id;
    const std::uint8_t oldLength = n[12] % 16;
    std::uint8_t length = oldLength;
    IncrementTagId(id, length);
    CHECK(length >= 1 && length <= 12);
    if (oldLength < 1 || oldLength > 12)
        return; // the pages never pass such a length
    const std::size_t first = 12 - oldLength;
    const bool allOnes =
        std::all_of(old.begin() + first, old.end(), [](std::uint8_t b) { return b == 0xFF; });
    // Plus one with the carry; at FF .. FF the carry goes on into the byte to the ID's left and
    // an even-length ID grows by two bytes while it can.
    std::array<std::uint8_t, 12> want = old;
    for (std::size_t i = 12; i-- > (allOnes && first > 0 ? first - 1 : first);)
        if (++want[i] != 0)
            break;
    CHECK(id == want);
    if (!allOnes || oldLength % 2 == 0)
        CHECK(length == (allOnes ? std::min<int>(oldLength + 2, 12) : oldLength));
}

// ---- port-list entries ----

std::optional<int> ExpectedComPort(const QString& text) {
    if (!text.startsWith(QLatin1String("COM")) || text.size() < 4 || text.size() > 5)
        return std::nullopt;
    int n = 0;
    for (qsizetype i = 3; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (c < u'0' || c > u'9' || (i == 3 && c == u'0'))
            return std::nullopt;
        n = n * 10 + (c - u'0');
    }
    return n >= 1 && n <= 10 ? std::optional<int>(n) : std::nullopt;
}

void CheckPortText(const QString& text) {
    const auto number = ComPortNumber(text);
    CHECK(number == ExpectedComPort(text));
    const auto device = DeviceForPortText(text);
    if (number) {
        CHECK(device && *device == QStringLiteral("/dev/ttyS") + QString::number(*number - 1));
        CHECK(DeviceForComPort(*number) == *device);
    } else if (text == kSimulatorPort) {
        CHECK(device && *device == kSimulatorPort);
    } else if (!text.startsWith(QLatin1Char('/'))) {
        CHECK(!device);
    } else if (device) {
        CHECK(*device == text); // a typed device path opens as it stands
    }
}

// ---- line settings "9600,n,8,1" ----

void CheckSettingsText(const QString& text) {
    const auto parsed = CMSComm::ParseSettings(text);
    if (!parsed)
        return;
    CHECK(parsed->baud > 0 && parsed->parity != '\0' && std::strchr("neoms", parsed->parity));
    CHECK(parsed->dataBits >= 5 && parsed->dataBits <= 8);
    CHECK(parsed->stopBits == 1 || parsed->stopBits == 2);
    const QString again = QStringLiteral("%1,%2,%3,%4")
                              .arg(parsed->baud)
                              .arg(QChar::fromLatin1(parsed->parity))
                              .arg(parsed->dataBits)
                              .arg(parsed->stopBits);
    const auto reparsed = CMSComm::ParseSettings(again);
    CHECK(reparsed && reparsed->baud == parsed->baud && reparsed->parity == parsed->parity &&
          reparsed->dataBits == parsed->dataBits && reparsed->stopBits == parsed->stopBits);
}

// A well-formed quadruple made of the input's numbers is taken exactly when each value is one
// the line can use.
void CheckSettingsValues(const std::array<std::uint8_t, 16>& n) {
    std::int32_t baud = 0;
    std::memcpy(&baud, n.data(), sizeof baud);
    static constexpr char kParities[] = "neomsNEOMSxq";
    const char parity = kParities[n[4] % (sizeof kParities - 1)];
    const int dataBits = n[5] % 12;
    const int stopBits = n[6] % 4;
    const QString text = QStringLiteral(" %1 , %2,%3 ,%4")
                             .arg(baud)
                             .arg(QChar::fromLatin1(parity))
                             .arg(dataBits)
                             .arg(stopBits);
    const bool usable = baud > 0 && std::strchr("neomsNEOMS", parity) && dataBits >= 5 &&
                        dataBits <= 8 && (stopBits == 1 || stopBits == 2);
    const auto parsed = CMSComm::ParseSettings(text);
    CHECK(parsed.has_value() == usable);
    if (parsed)
        CHECK(parsed->baud == baud && parsed->dataBits == dataBits && parsed->stopBits == stopBits);
}

// ---- the simulator tool's command line, one argument per line ----

void CheckSimOptions(std::string_view text) {
    std::vector<std::string> args{"tarnwick-sim"};
    std::size_t start = 0;
    while (start <= text.size() && args.size() < 24) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos)
            end = text.size();
        args.emplace_back(text.substr(start, end - start));
        start = end + 1;
    }
    std::vector<char*> argv;
    for (std::string& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);

    CSimOptions options;
    std::string error;
    if (!options.Parse(static_cast<int>(args.size()), argv.data(), &error)) {
        CHECK(!error.empty());
        return;
    }
    CHECK(options.tags <= 1000);
    CHECK(options.recordPeriodMicros >= 1 && options.recordPeriodMicros <= 60000000);
    CHECK(options.answerDelayMicros <= 10000000);
    for (const CSimOptions::Fault& fault : options.faults) {
        const auto& f = fault.what;
        CHECK(f.kind != FaultKind::None && f.pieces >= 2 && f.noiseBytes >= 1);
        CHECK(f.uses == -1 || (f.uses >= 1 && f.uses <= (1 << 30)));
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    CheckHexText(text);

    std::array<std::uint8_t, 16> numbers{};
    std::memcpy(numbers.data(), data, std::min(size, numbers.size()));
    CheckTagLine(numbers);
    CheckIncrement(numbers);
    CheckSettingsValues(numbers);

    for (const QString& q : {QString::fromUtf8(text.data(), static_cast<qsizetype>(size)),
                             QString::fromLatin1(text.data(), static_cast<qsizetype>(size))}) {
        CheckPortText(q);
        CheckSettingsText(q);
    }
    CheckSimOptions(text);
    return 0;
}
