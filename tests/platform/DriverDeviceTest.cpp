#include "platform/DriverDevice.h"

#include "support/Pty.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <filesystem>
#include <sys/ioctl.h>
#include <termios.h>
#include <thread>

namespace {

namespace fs = std::filesystem;
using namespace std::literals;
using platform::askDriverDevice;
using platform::DeviceFailure;
using Answer = std::variant<std::string, DeviceFailure>;

std::size_t openDescriptors()
{
    return static_cast<std::size_t>(std::distance(fs::directory_iterator("/proc/self/fd"), {}));
}

// A device played on a raw pseudo-terminal as the KVR folder's devices/Played,
// in this test program's own runtime folder: what it sends, and when.
TEST(DriverDevice, AnAnswerRunsUntilAPauseOrItsLimitAndOnlyDeviceNamesAreOpened)
{
    Pty device;
    termios raw{};
    tcgetattr(device.master(), &raw);
    cfmakeraw(&raw);
    ASSERT_EQ(tcsetattr(device.master(), TCSANOW, &raw), 0);
    const fs::path devices = qEnvironmentVariable("XDG_RUNTIME_DIR").toStdString() + "/kvr/devices";
    fs::remove_all(devices);
    fs::create_directories(devices / "sub");
    fs::create_symlink(device.slavePath().toStdString(), devices / "Played");
    fs::create_symlink(devices / "Played", devices / "sub" / "Played");
    fs::create_symlink(devices / "Played", devices / "sub\\Played");
    const std::size_t descriptors = openDescriptors();

    for (const std::string& name : {"sub/Played"s, "sub\\Played"s, "Played\0.x"s, "."s, ".."s, ""s,
                                    "../devices/Played"s, "Missing"s}) {
        EXPECT_EQ(askDriverDevice(name, "/get port_name\n"), Answer(DeviceFailure::CannotOpen))
            << name;
    }
    EXPECT_EQ(askDriverDevice("Played", "/get port_name\n", 300ms),
              Answer(DeviceFailure::ExchangeFailed));
    EXPECT_EQ(device.read(100), "/get port_name\n");
    // The second piece is sent once the first has been read.
    std::thread answering([&] {
        device.read(15);
        device.write("/get port_");
        const int slave = open(device.slavePath().toLocal8Bit(), O_RDONLY | O_NOCTTY);
        for (int waiting = 1, i = 0; waiting > 0 && i < 10000; ++i) {
            std::this_thread::sleep_for(1ms);
            ioctl(slave, FIONREAD, &waiting);
        }
        close(slave);
        device.write("name value:\r\n");
    });
    EXPECT_EQ(askDriverDevice("Played", "/get port_name\n"), Answer("/get port_name value:\r\n"));
    answering.join();
    device.write(QByteArray(3000, 'x'));
    EXPECT_EQ(askDriverDevice("Played", "/get port_name\n"), Answer(std::string(2000, 'x')));
    EXPECT_EQ(openDescriptors(), descriptors) << "the device was left open";
    fs::remove_all(devices);
}

} // namespace
