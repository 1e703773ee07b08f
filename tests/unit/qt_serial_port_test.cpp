#include <gtest/gtest.h>

#include <pty.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <array>
#include <filesystem>
#include <fstream>
#include <thread>

#include "kit/serial_error.h"
#include "kit/temp_dir.h"
#include "line_mode.h"
#include "qtlink/qt_serial_port.h"
#include "qtlink/settings_store.h"

namespace zorvane::link {
namespace {

using namespace std::chrono_literals;
using Bytes = std::vector<std::uint8_t>;

// A pseudo-terminal: the test plays the far end on the master side and
// keeps a slave descriptor of its own to read the line mode, as the
// radio simulator does.
struct Pty {
    Pty()
    {
        char name[256];
        if (::openpty(&master, &slave, name, nullptr, nullptr) != 0)
            throw std::runtime_error("openpty failed");
        slavePath = name;
    }
    ~Pty()
    {
        closeMaster();
        ::close(slave);
    }
    void closeMaster()
    {
        if (master >= 0)
            ::close(master);
        master = -1;
    }
    void send(const Bytes& bytes) const { ASSERT_EQ(::write(master, bytes.data(), bytes.size()), ssize_t(bytes.size())); }
    Bytes receive(std::size_t count) const
    {
        Bytes bytes(count);
        std::size_t got = 0;
        while (got < count) {
            ssize_t n = ::read(master, bytes.data() + got, count - got);
            if (n <= 0)
                break;
            got += static_cast<std::size_t>(n);
        }
        bytes.resize(got);
        return bytes;
    }

    int master = -1;
    int slave = -1;
    std::string slavePath;
};

// Returns once the thread is blocked in poll(), so that what the caller does
// next happens while that thread waits.
void awaitPolling(pid_t thread)
{
    const std::string path = "/proc/self/task/" + std::to_string(thread) + "/syscall";
    for (;;) {
        long number = -1;
        std::ifstream(path) >> number;
        if (number == SYS_poll || number == SYS_ppoll)
            return;
        std::this_thread::yield();
    }
}

// Far enough away that a wait ending before it was ended by something else.
constexpr auto kNoDeadline = 1min;

constexpr LineSettings kLine{9600, 'N', 8, 1};

class QtSerialPortOnPty : public ::testing::Test {
protected:
    QtSerialPort makePort() { return QtSerialPort(clock, [this](int) { return pty.slavePath; }); }

    SteadyClock clock;
    Pty pty;
};

TEST_F(QtSerialPortOnPty, SettingsThenACustomSpeedOnTheDevice)
{
    QtSerialPort port = makePort();
    port.open();
    port.setSettings(kLine);
    radio::LineMode mode = radio::ReadLineMode(pty.slave);
    ASSERT_TRUE(mode.valid);
    EXPECT_EQ(mode.outputSpeed, 9600u);
    EXPECT_EQ(mode.dataBits, 8u);
    EXPECT_FALSE(mode.parity);
    EXPECT_EQ(mode.stopBits, 1u);

    SetBaudRate(port, 7600);
    mode = radio::ReadLineMode(pty.slave);
    EXPECT_EQ(mode.outputSpeed, 7600u);
    EXPECT_EQ(mode.inputSpeed, 7600u);
    EXPECT_EQ(mode.dataBits, 8u) << "only the speed changes";
    EXPECT_FALSE(mode.parity);
    EXPECT_EQ(mode.stopBits, 1u);
}

TEST_F(QtSerialPortOnPty, WritesReachTheFarEndInOrder)
{
    QtSerialPort port = makePort();
    port.open();
    port.setSettings(kLine);
    const Bytes packet{0x31, 0, 0, 0, 0x31};
    port.Output(packet);
    for (std::uint8_t b : Bytes{1, 2, 3})
        port.Output(std::span<const std::uint8_t>(&b, 1));
    EXPECT_EQ(pty.receive(8), (Bytes{0x31, 0, 0, 0, 0x31, 1, 2, 3}));

    // More than the device takes at once: the write waits for the rest.
    Bytes large(64 * 1024);
    for (std::size_t i = 0; i < large.size(); ++i)
        large[i] = static_cast<std::uint8_t>(i * 13);
    Bytes received;
    std::thread far([&] { received = pty.receive(large.size()); });
    port.Output(large);
    far.join();
    EXPECT_EQ(received, large);
}

TEST_F(QtSerialPortOnPty, ReadEndsWithItsCountOrAtTheDeadline)
{
    QtSerialPort port = makePort();
    port.open();
    pty.send({1, 2, 3, 4});
    EXPECT_EQ(port.read(5, clock.now() + 100ms, {}), (Bytes{1, 2, 3, 4})) << "the deadline gives what came";

    // The fifth byte, sent while the port waits, ends the read; the sixth stays.
    pty.send({1, 2, 3, 4});
    std::thread far([this, waiter = ::gettid()] {
        awaitPolling(waiter);
        pty.send({5, 6});
    });
    EXPECT_EQ(port.read(5, clock.now() + kNoDeadline, {}), (Bytes{1, 2, 3, 4, 5}));
    far.join();
    EXPECT_EQ(port.read(1, clock.now(), {}), Bytes{6}) << "bytes waiting already are read past the deadline too";
    EXPECT_EQ(port.read(1, clock.now(), {}), Bytes{});
}

TEST_F(QtSerialPortOnPty, DiscardDropsWhatArrivedBefore)
{
    QtSerialPort port = makePort();
    port.open();
    pty.send({9, 9, 9});
    ASSERT_EQ(port.read(1, clock.now() + 2s, {}), Bytes{9});
    port.discardInput();
    pty.send({7});
    EXPECT_EQ(port.read(2, clock.now() + 200ms, {}), Bytes{7});
}

TEST_F(QtSerialPortOnPty, StopRequestEndsTheWaitAtOnce)
{
    QtSerialPort port = makePort();
    port.open();
    std::stop_source stop;
    std::thread other([&stop, waiter = ::gettid()] {
        awaitPolling(waiter);
        stop.request_stop();
    });
    const auto deadline = clock.now() + kNoDeadline;
    EXPECT_EQ(port.read(5, deadline, stop.get_token()), Bytes{});
    other.join();
    EXPECT_LT(clock.now(), deadline) << "the stop request wakes the wait itself";
}

TEST_F(QtSerialPortOnPty, FarEndClosingEndsTheWaitWithAnError)
{
    QtSerialPort port = makePort();
    port.open();
    std::thread far([this, waiter = ::gettid()] {
        awaitPolling(waiter);
        pty.closeMaster();
    });
    EXPECT_EQ(testkit::SerialErrorOf([&] { port.read(5, clock.now() + kNoDeadline, {}); }), kErrDeviceIo);
    far.join();
    port.close();
    EXPECT_FALSE(port.PortOpen());
}

TEST_F(QtSerialPortOnPty, OpenFailuresByCause)
{
    QtSerialPort missing(clock, [](int) { return std::string("/dev/zorvane-no-such-port"); });
    EXPECT_EQ(testkit::SerialErrorOf([&] { missing.open(); }), kErrCannotOpen);

    QtSerialPort first = makePort();
    first.open();
    QtSerialPort second = makePort();
    EXPECT_EQ(testkit::SerialErrorOf([&] { second.open(); }), kErrPortInUse) << "a held port opened twice";
}

TEST_F(QtSerialPortOnPty, ExclusiveHolderAndMissingRightsAreToldApart)
{
    testkit::TempDir dir;
    // Another program holds the line exclusively.
    ASSERT_EQ(::ioctl(pty.slave, TIOCEXCL), 0);
    ::chmod(pty.slavePath.c_str(), 0666);
    {
        testkit::Unprivileged user;
        ASSERT_TRUE(user.active());
        QtSerialPort port = makePort();
        EXPECT_EQ(testkit::SerialErrorOf([&] { port.open(); }), kErrPortInUse) << "held exclusively";
    }
    ASSERT_EQ(::ioctl(pty.slave, TIOCNXCL), 0);
    ::chmod(pty.slavePath.c_str(), 0600);
    {
        testkit::Unprivileged user;
        QtSerialPort port = makePort();
        EXPECT_EQ(testkit::SerialErrorOf([&] { port.open(); }), kErrOpenFailed) << "no rights to the device";
    }
}

TEST_F(QtSerialPortOnPty, SetBaudRateOnAClosedPortTouchesNothing)
{
    QtSerialPort port = makePort();
    EXPECT_EQ(testkit::SerialErrorOf([&] { SetBaudRate(port, 7600); }), kErrPortNotOpen);
    EXPECT_FALSE(port.PortOpen());
}

// The settings are read in one place, whole: a store of the operator's own
// gives every value; an empty one the defaults.
TEST(SettingsStore, ReadsEveryValueOnceOrItsDefault)
{
    testkit::TempDir home;
    ::setenv("XDG_CONFIG_HOME", home.path().c_str(), 1);
    std::filesystem::create_directory("ZORVANE");
    prepare::Settings empty = ReadSettings();
    EXPECT_EQ(empty.commDevices, (std::array<std::string, 2>{"/dev/ttyS0", "/dev/ttyS1"}));
    EXPECT_FALSE(empty.requireSignature);
    EXPECT_FALSE(empty.allowUnsigned);
    EXPECT_EQ(empty.operatorName, "");
    EXPECT_EQ(empty.database, "");
    EXPECT_EQ(empty.mainLeft, std::nullopt);
    EXPECT_EQ(empty.file, (home.path() / "ZORVANE/ZORVANE.conf").string());
    EXPECT_EQ(empty.folder, (home.path() / "ZORVANE").string());

    home.write("ZORVANE/ZORVANE.conf", "[Ports]\nComm2= /dev/ttyUSB0 \n[Files]\nRequireSignature=true\n"
                                       "AllowUnsigned=true\nExpectFirmware=aa, BB cc\n"
                                       "Folder=/srv/radios\n[Records]\nDatabase=postgresql:///line\n"
                                       "[Bench]\nOperator=Smith, J.\n[Settings]\nMainLeft=3000\nMainTop=\n");
    const prepare::Settings read = ReadSettings();
    EXPECT_EQ(read.commDevice(1), "/dev/ttyS0");
    EXPECT_EQ(read.commDevice(2), "/dev/ttyUSB0");
    EXPECT_TRUE(read.requireSignature);
    EXPECT_TRUE(read.allowUnsigned);
    EXPECT_EQ(read.expectFirmware, "aa BB cc") << "a list with commas is one list";
    EXPECT_EQ(read.operatorName, "Smith, J.") << "a name with a comma is one name";
    EXPECT_EQ(read.workingFolder, "/srv/radios");
    EXPECT_EQ(read.database, "postgresql:///line");
    EXPECT_EQ(read.mainLeft, "3000");
    EXPECT_EQ(read.mainTop, "");

    ASSERT_TRUE(SaveWindowPosition("2250", "1350"));
    EXPECT_EQ(ReadSettings().mainTop, "1350");
    EXPECT_EQ(ReadSettings().commDevice(2), "/dev/ttyUSB0") << "the rest of the store stays";
}

} // namespace
} // namespace zorvane::link
