// The port list's device entries: how a reported device reads in the list, and that picking the
// entry opens the device alone.
#include "link/portnames.h"

#include <gtest/gtest.h>

namespace {

struct EntryRow {
    const char* name;
    const char* path;
    const char* description;
    const char* entry;
};

class DeviceEntry : public ::testing::TestWithParam<EntryRow> {};

TEST_P(DeviceEntry, ReadsAsPathAndDescriptionAndOpensThePath) {
    const EntryRow& row = GetParam();
    const QString entry =
        PortEntryText({QString::fromUtf8(row.path), QString::fromUtf8(row.description)});
    EXPECT_EQ(entry.toStdString(), row.entry);
    EXPECT_EQ(DeviceForPortText(entry).value_or(QString()).toStdString(), row.path);
}

INSTANTIATE_TEST_SUITE_P(
    Table, DeviceEntry,
    ::testing::Values(EntryRow{"UsbAdapter", "/dev/ttyUSB0", "USB-Serial Controller",
                               "/dev/ttyUSB0 \u2014 USB-Serial Controller"},
                      EntryRow{"NoDescription", "/dev/ttyS12", "", "/dev/ttyS12"},
                      EntryRow{"DashInDescription", "/dev/ttyACM0", "CDC \u2014 ACM",
                               "/dev/ttyACM0 \u2014 CDC \u2014 ACM"},
                      EntryRow{"PathWithBlanks", "/dev/serial/by-id/usb my adapter", "FT232R",
                               "/dev/serial/by-id/usb my adapter \u2014 FT232R"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(PortPathOfEntry, LeavesOtherTextAlone) {
    for (const char* text : {"COM1", "Simulator", "/dev/ttyUSB0", "my reader \u2014 x", ""})
        EXPECT_EQ(PortPathOfEntry(QString::fromUtf8(text)).toStdString(), text);
    // COM names, the simulator and typed paths are the fuzz target's; a lone slash opens nothing.
    for (const char* text : {"Simulator \u2014 x", "COM1 \u2014 x", "/", "COM11", "com1"})
        EXPECT_FALSE(DeviceForPortText(QString::fromUtf8(text)).has_value()) << text;
}

class PortListOverDevices : public ::testing::Test {
protected:
    void TearDown() override { SetSerialDeviceLister({}); }
};

TEST_F(PortListOverDevices, ComEntriesSimulatorThenEachOtherDeviceOnce) {
    SetSerialDeviceLister([] {
        return std::vector<SerialDevice>{
            {"/dev/ttyS0", "16550A"}, {"/dev/ttyUSB0", "USB-Serial Controller"},
            {"/dev/ttyS9", ""},       {"/dev/ttyS10", ""},
            {"", "nameless"},         {"/dev/ttyUSB0", "USB-Serial Controller"}};
    });
    QStringList expected;
    for (int n = 1; n <= 10; ++n)
        expected << QStringLiteral("COM%1").arg(n);
    expected << kSimulatorPort << QStringLiteral("/dev/ttyUSB0 \u2014 USB-Serial Controller")
             << QStringLiteral("/dev/ttyS10");
    EXPECT_EQ(PortListEntries(), expected);
}

} // namespace
