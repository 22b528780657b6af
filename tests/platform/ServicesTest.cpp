#include "platform/DriverDevice.h"
#include "platform/KvrFolder.h"
#include "platform/Registry.h"
#include "support/ChildProcess.h"
#include "support/DriverRecords.h"
#include "support/Pty.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <sys/ioctl.h>
#include <termios.h>
#include <thread>

// Linux's stand-ins for Windows' services: the KVR folder with the driver's registry.reg
// and devices (in the test program's own runtime folder, or under /tmp).
namespace {

namespace fs = std::filesystem;
using namespace std::literals;
using platform::RegistryValue;

// As a user of its own (54321 is no account here), so that it meets no real simulator's
// folder: 1 when kvrFolder() gives /tmp/kvr-54321, plus 2 when createKvrFolder() then does.
TEST(KvrFolder, UnderTmpOnlyAPrivateFolderOfTheUsersOwnCounts)
{
    if (geteuid() != 0) {
        GTEST_SKIP() << "needs root to act as another user";
    }
    const std::string folder = "/tmp/kvr-54321";
    const auto found = [&] {
        return exitCodeInChild(54321, [&] {
            unsetenv("XDG_RUNTIME_DIR");
            return (platform::kvrFolder() == folder) + 2 * (platform::createKvrFolder() == folder);
        });
    };
    fs::remove_all(folder);
    EXPECT_EQ(found(), 2) << "none yet, then made";
    EXPECT_EQ(found(), 3) << "made before";
    fs::permissions(folder, fs::perms::others_write, fs::perm_options::add);
    EXPECT_EQ(found(), 0) << "writable by others";
    fs::remove_all(folder);
    fs::create_directory(folder);
    EXPECT_EQ(found(), 0) << "made by someone else";
    fs::remove_all(folder);
    const QTemporaryDir elsewhere;
    ASSERT_EQ(chown(qPrintable(elsewhere.path()), 54321, 54321), 0);
    fs::create_directory_symlink(elsewhere.path().toStdString(), folder);
    EXPECT_EQ(found(), 0) << "a link to a folder of the user's";
    fs::remove(folder);
}

// Values of every type, up to the buffer's 2048 bytes; lines that mean nothing
// are passed over; UTF-8 files and UTF-16 ones as the registry editor writes.
TEST(Registry, ValuesAreFoundByKeyAndNameInAnyCaseWhenTheyFit)
{
    const std::string utf8 =
        "Windows Registry Editor Version "
        "5.00\r\n\r\n[HKEY_LOCAL_MACHINE\\T]\r\n\"Text\"=\"COM5\"\r\n"
        "\"Number\"=dword:01020304\r\n\"Bytes\"=hex:00,ff\r\n\"Multi\"=hex(7):41,00,00,00,00,00\r\n"
        "@=\"default\"\r\n\"Quote\"=\"say \\\"hi\\\" C:\\\\x\"\r\n\"Long\"=hex:01,02,\\\r\n  03\r\n"
        "[HKEY_LOCAL_MACHINE\\Other]\r\n\"Elsewhere\"=\"x\"\r\n[HKEY_LOCAL_MACHINE\\Sizes]\n"
        "\"Fits\"=\"" +
        std::string(2047, 'x') + "\"\n\"TooLong\"=\"" + std::string(2048, 'x') +
        "\"\n\0\x01\xfe garbage\n[HKEY_LOCAL_MACHINE\\Bad]\n\"a\"=dword:000000001\n\"b\"=hex:1,2,zzz\n"s +
        "\"c\"=\"never closed\n\"d\"=-\n\"e\"=hex:\xe9,\xff\n\"f\"=dword:\xe9\n" +
        std::string(1 << 20, 'x') +
        "\n[HKEY_LOCAL_MACHINE\\Good]\n\"Gone\"=\"x\"\n\"Gone\"=-\n\"Kept\"=\"yes\"\n"
        "[HKEY_LOCAL_MACHINE\\Good\n\"Kept\"=\"no\"\n";
    std::string utf16 = "\xFF\xFE";
    for (const char c : utf8) {
        utf16 += {c, '\0'};
    }
    const auto text = [](const std::string& value) {
        return RegistryValue{1, {value.begin(), value.end() + 1}};
    };
    const std::tuple<const char*, const char*, std::optional<RegistryValue>> values[] = {
        {"t", "text", text("COM5")},
        {"T", "Number", RegistryValue{4, {4, 3, 2, 1}}},
        {"T", "Bytes", RegistryValue{3, {0, 0xff}}},
        {"T", "Multi", RegistryValue{7, {'A', 0, 0}}},
        {"T", "", text("default")},
        {"T", "Quote", text("say \"hi\" C:\\x")},
        {"T", "Long", RegistryValue{3, {1, 2, 3}}},
        {"T", "Elsewhere", std::nullopt},
        {"T\\Deeper", "Text", std::nullopt},
        {"Sizes", "Fits", text(std::string(2047, 'x'))},
        {"Sizes", "TooLong", std::nullopt},
        {"Good", "Gone", std::nullopt},
        {"Good", "Kept", text("yes")}};
    const DriverRecords records;
    for (const std::string& file : {utf8, utf16}) {
        records.writeRaw(QByteArray::fromStdString(file));
        for (const auto& [key, name, value] : values) {
            EXPECT_EQ(platform::queryRegistryValue(platform::kHkeyLocalMachine, key, name), value)
                << key << " " << name << (file == utf8 ? " in UTF-8" : " in UTF-16");
        }
        for (const char* name : {"a", "b", "c", "d", "e", "f"}) {
            EXPECT_FALSE(platform::queryRegistryValue(platform::kHkeyLocalMachine, "Bad", name));
        }
        EXPECT_FALSE(platform::queryRegistryValue(0x80000001, "T", "Text")) << "HKLM only";
    }
    // Characters beyond 16 bits come as two units in a UTF-16 file.
    const std::u16string wide = u"\xFEFF[HKEY_LOCAL_MACHINE\\T]\n\"Wide\"=\"Ω𐀀😀\"\n";
    records.writeRaw(QByteArray(reinterpret_cast<const char*>(wide.data()), 2 * wide.size()));
    EXPECT_EQ(platform::queryRegistryValue(platform::kHkeyLocalMachine, "T", "Wide"), text("Ω𐀀😀"));
}

// A device played on a raw pseudo-terminal as devices/Played: what it sends, and when.
TEST(DriverDevice, AnAnswerRunsUntilAPauseOrItsLimitAndOnlyDeviceNamesAreOpened)
{
    using Answer = std::variant<std::string, platform::DeviceFailure>;
    const auto ask = [](const std::string& name, std::chrono::milliseconds limit = 2s) {
        return platform::askDriverDevice(name, "/get port_name\n", limit);
    };
    Pty device;
    termios raw{};
    tcgetattr(device.master(), &raw);
    cfmakeraw(&raw);
    ASSERT_EQ(tcsetattr(device.master(), TCSANOW, &raw), 0);
    const fs::path devices = qEnvironmentVariable("XDG_RUNTIME_DIR").toStdString() + "/kvr/devices";
    fs::create_directories(devices / "sub");
    fs::create_symlink(device.slavePath().toStdString(), devices / "Played");
    fs::create_symlink(devices / "Played", devices / "sub" / "Played");
    fs::create_symlink(devices / "Played", devices / "sub\\Played");
    const auto descriptors = [] {
        return std::distance(fs::directory_iterator("/proc/self/fd"), {});
    };
    const auto before = descriptors();
    for (const std::string& name :
         {"sub/Played"s, "sub\\Played"s, "Played\0.x"s, "."s, ".."s, ""s, "../devices/Played"s}) {
        EXPECT_EQ(ask(name), Answer(platform::DeviceFailure::CannotOpen)) << name;
    }
    EXPECT_EQ(ask("Played", 300ms), Answer(platform::DeviceFailure::ExchangeFailed));
    // The quiet device had the request; the second piece of the next answer is sent once
    // the first has been read.
    std::thread answering([&] {
        EXPECT_EQ(device.read(30), "/get port_name\n/get port_name\n") << "the requests";
        device.write("/get port_");
        const int slave = open(device.slavePath().toLocal8Bit(), O_RDONLY | O_NOCTTY);
        for (int waiting = 1, i = 0; waiting > 0 && i < 10000; ++i) {
            std::this_thread::sleep_for(1ms);
            ioctl(slave, FIONREAD, &waiting);
        }
        close(slave);
        device.write("name value:\r\n");
    });
    EXPECT_EQ(ask("Played"), Answer("/get port_name value:\r\n"));
    answering.join();
    // A signal during the wait neither ends it nor, once it has come, makes it endless.
    struct sigaction ignored {};
    ignored.sa_handler = [](int) {};
    ASSERT_EQ(sigaction(SIGUSR1, &ignored, nullptr), 0);
    std::thread interrupting([&device, asking = pthread_self()] {
        std::this_thread::sleep_for(50ms);
        pthread_kill(asking, SIGUSR1);
        std::this_thread::sleep_for(100ms);
        device.write("late\n");
    });
    EXPECT_EQ(ask("Played"), Answer("late\n"));
    interrupting.join();
    device.write(QByteArray(3000, 'x'));
    EXPECT_EQ(ask("Played"), Answer(std::string(2000, 'x')));
    EXPECT_EQ(descriptors(), before) << "the device was left open";
    fs::remove_all(devices);
}

} // namespace
