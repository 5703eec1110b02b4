// The port list and the port's open failures as the operator meets them on Linux: devices that
// come and go, and a device the user may not open.
#include "ptypeer.h"
#include "windowtest.h"

#include "link/portnames.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {

const QString kUsbEntry = QStringLiteral("/dev/ttyUSB0 \u2014 USB-Serial Controller");
const QString kAcmEntry = QStringLiteral("/dev/ttyACM0 \u2014 Reader CDC");
const QString kDialoutFix = QStringLiteral(
    "Add your user to the dialout group: sudo adduser $USER dialout, then log in again.");

class PortListTest : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        SetSerialDeviceLister([this] { return devices; });
    }
    void TearDown() override {
        SetSerialDeviceLister({});
        WindowTest::TearDown();
    }
    // The entries after the ten fixed COM names.
    static QStringList Entries(QComboBox* list) {
        QStringList entries;
        for (int i = 10; i < list->count(); ++i)
            entries << list->itemText(i);
        return entries;
    }
    // Opens the drop-down as a click would, and closes it again.
    static void Open(QComboBox* list) {
        list->showPopup();
        list->hidePopup();
    }

    std::vector<SerialDevice> devices{{"/dev/ttyUSB0", "USB-Serial Controller"}};
};

TEST_F(PortListTest, OpeningTheListShowsDevicesPluggedInSinceAndKeepsTheChoice) {
    CReaderDlg dlg;
    auto* ports = dlg.findChild<QComboBox*>(QStringLiteral("portList"));
    ASSERT_NE(ports, nullptr);
    EXPECT_EQ(ports->currentText(), QStringLiteral("COM1"));
    EXPECT_EQ(Entries(ports), QStringList({kSimulatorPort, kUsbEntry}));

    ports->setCurrentIndex(ports->findText(kUsbEntry));
    devices.insert(devices.begin(), {"/dev/ttyACM0", "Reader CDC"});
    Open(ports);
    EXPECT_EQ(Entries(ports), QStringList({kSimulatorPort, kAcmEntry, kUsbEntry}));
    EXPECT_EQ(ports->currentText(), kUsbEntry);

    // Unplugged: the entry goes, the choice stays in view, so Connect says what is missing.
    devices.erase(devices.begin() + 1);
    Open(ports);
    EXPECT_EQ(Entries(ports), QStringList({kSimulatorPort, kAcmEntry}));
    EXPECT_EQ(ports->currentText(), kUsbEntry);

    // Typed text is the operator's too.
    ports->setEditText(QStringLiteral("/dev/pts/7"));
    Open(ports);
    EXPECT_EQ(ports->currentText(), QStringLiteral("/dev/pts/7"));
}

// Root opens a device whatever its permissions: as root, the calling thread acts as "nobody" while
// this lives (the raw system call changes one thread's ids; the saved id lets it turn back).
class CActAsUser {
public:
    CActAsUser() {
        if (geteuid() == 0)
            m_switched = syscall(SYS_setresuid, kNobody, kNobody, -1) == 0;
    }
    ~CActAsUser() {
        if (m_switched)
            syscall(SYS_setresuid, 0, 0, -1);
    }

private:
    static constexpr long kNobody = 65534;
    bool m_switched = false;
};

using PermissionTest = WindowTest;

TEST_F(PermissionTest, UnreadablePtyNamesTheDialoutFix) {
    CPtyPeer peer;
    ASSERT_TRUE(peer.IsOpen());
    const QByteArray path = peer.SlavePath().toLocal8Bit();
    ASSERT_EQ(chmod(path.constData(), 0), 0);
    const CActAsUser asUser;
    if (const int probe = ::open(path.constData(), O_RDWR | O_NOCTTY); probe >= 0) {
        ::close(probe);
        GTEST_SKIP() << "privileges override file permissions: nothing stops the open";
    }
    CReaderDlg dlg;
    Choose(dlg, "portList", peer.SlavePath());
    Click(dlg, "connectButton");
    const QStringList lines = Lines(dlg);
    ASSERT_EQ(lines.size(), 2) << lines.join('|').toStdString();
    EXPECT_TRUE(lines[0].startsWith("Cannot open " + peer.SlavePath() + ": "));
    EXPECT_TRUE(lines[0].endsWith(kDialoutFix)) << lines[0].toStdString();
    EXPECT_EQ(lines[1], QStringLiteral("Failed to Open Comm Port!"));
    EXPECT_TRUE(peer.Received().empty());
}

} // namespace
