#include "platform/DriverDevice.h"

#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <poll.h>
#include <spawn.h>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <termios.h>
#include <thread>
#include <unistd.h>
#include <variant>
#include <vector>

extern char** environ;

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using platform::askDriverDevice;
using platform::DeviceFailure;

using Answer = std::variant<std::string, DeviceFailure>;

const std::string kPortNameRequest = "/get port_name\n";
const Answer kCannotOpen = DeviceFailure::CannotOpen;
const Answer kExchangeFailed = DeviceFailure::ExchangeFailed;

// This test's own runtime folder, so that the KVR folder is runtime/kvr.
class RuntimeFolder {
public:
    RuntimeFolder()
    {
        if (const char* old = std::getenv("XDG_RUNTIME_DIR")) {
            old_ = old;
        }
        setenv("XDG_RUNTIME_DIR", folder_.path().c_str(), 1);
    }

    ~RuntimeFolder()
    {
        if (old_) {
            setenv("XDG_RUNTIME_DIR", old_->c_str(), 1);
        } else {
            unsetenv("XDG_RUNTIME_DIR");
        }
    }

    RuntimeFolder(const RuntimeFolder&) = delete;
    RuntimeFolder& operator=(const RuntimeFolder&) = delete;

    fs::path kvr() const { return folder_.path() / "kvr"; }
    fs::path devices() const { return kvr() / "devices"; }

private:
    TempFolder folder_;
    std::optional<std::string> old_;
};

// kvr-sim serving the runtime folder of the test until it is destroyed.
class Sim {
public:
    explicit Sim(std::vector<std::string> args)
    {
        args.insert(args.begin(), KVR_SIM);
        std::vector<char*> argv;
        for (std::string& arg : args) {
            argv.push_back(arg.data());
        }
        argv.push_back(nullptr);
        int out[2];
        if (pipe2(out, O_CLOEXEC) != 0) {
            return;
        }
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
        if (posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ) != 0) {
            pid_ = -1;
        }
        posix_spawn_file_actions_destroy(&actions);
        close(out[1]);
        out_ = out[0];
    }

    ~Sim()
    {
        if (pid_ > 0) {
            kill(pid_, SIGTERM);
            waitpid(pid_, nullptr, 0);
        }
        close(out_);
    }

    Sim(const Sim&) = delete;
    Sim& operator=(const Sim&) = delete;

    // Whether it printed "ready"; the bound only keeps a broken simulator from hanging the test.
    bool ready()
    {
        std::string output;
        pollfd wanted{out_, POLLIN, 0};
        while (pid_ > 0 && output.find("ready\n") == std::string::npos &&
               poll(&wanted, 1, 10000) > 0) {
            char buffer[256];
            const ssize_t got = read(out_, buffer, sizeof buffer);
            if (got <= 0) {
                break;
            }
            output.append(buffer, static_cast<std::size_t>(got));
        }
        return output.find("ready\n") != std::string::npos;
    }

private:
    pid_t pid_ = -1;
    int out_ = -1;
};

// A pseudo-terminal in raw mode whose master side the test plays.
class RawPty {
public:
    RawPty()
        : master_(posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC))
    {
        EXPECT_GE(master_, 0);
        EXPECT_EQ(grantpt(master_), 0);
        EXPECT_EQ(unlockpt(master_), 0);
        termios settings{};
        EXPECT_EQ(tcgetattr(master_, &settings), 0);
        cfmakeraw(&settings);
        EXPECT_EQ(tcsetattr(master_, TCSANOW, &settings), 0);
    }

    ~RawPty() { close(master_); }

    RawPty(const RawPty&) = delete;
    RawPty& operator=(const RawPty&) = delete;

    std::string slavePath() const { return ptsname(master_); }

    void write(const std::string& bytes)
    {
        ASSERT_EQ(::write(master_, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    }

    // Reads until `count` bytes have come or nothing comes for two seconds.
    std::string read(std::size_t count)
    {
        std::string bytes;
        pollfd wanted{master_, POLLIN, 0};
        while (bytes.size() < count && poll(&wanted, 1, 2000) > 0) {
            char buffer[256];
            const ssize_t got =
                ::read(master_, buffer, std::min(sizeof buffer, count - bytes.size()));
            if (got <= 0) {
                break;
            }
            bytes.append(buffer, static_cast<std::size_t>(got));
        }
        return bytes;
    }

private:
    int master_;
};

std::string readFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::size_t openDescriptors()
{
    return static_cast<std::size_t>(
        std::distance(fs::directory_iterator("/proc/self/fd"), fs::directory_iterator()));
}

// The port number at characters 28 to 30 of a "/get port_name" answer.
std::string portColumn(const Answer& answer)
{
    const std::string* text = std::get_if<std::string>(&answer);
    if (text == nullptr || text->find("COM") == std::string::npos || text->size() < 30) {
        return "no answer";
    }
    return text->substr(27, 3);
}

TEST(DriverDevice, AsksTheSimulatedDriversDeviceForItsPort)
{
    RuntimeFolder runtime;
    Sim sim({"--readers", "2", "--first-port", "12"});
    ASSERT_TRUE(sim.ready());

    EXPECT_TRUE(portColumn(askDriverDevice("KVR0", kPortNameRequest)).starts_with("12"));
    EXPECT_TRUE(portColumn(askDriverDevice("KVR1", kPortNameRequest)).starts_with("13"));
}

TEST(DriverDevice, AMissingDeviceCannotBeOpened)
{
    RuntimeFolder runtime;
    EXPECT_EQ(askDriverDevice("KVR0", kPortNameRequest), kCannotOpen) << "no KVR folder";

    Sim sim({"--readers", "1"});
    ASSERT_TRUE(sim.ready());
    EXPECT_EQ(askDriverDevice("KVR7", kPortNameRequest), kCannotOpen);
    EXPECT_EQ(askDriverDevice("kvr0", kPortNameRequest), kCannotOpen);
}

// Each refused name leads to something that would answer or could be harmed
// if it were opened.
TEST(DriverDevice, NamesThatWouldReachOutsideTheDevicesAreRefused)
{
    RuntimeFolder runtime;
    Sim sim({"--readers", "1"});
    ASSERT_TRUE(sim.ready());
    const fs::path registry = runtime.kvr() / "registry.reg";
    const std::string records = readFile(registry);
    fs::create_directory(runtime.devices() / "sub");
    fs::create_symlink(runtime.devices() / "KVR0", runtime.devices() / "sub" / "KVR0");
    fs::create_symlink(runtime.devices() / "KVR0", runtime.devices() / "sub\\KVR0");

    for (const std::string name :
         {"../registry.reg", "../dosdevices/com5", "sub/KVR0", "sub\\KVR0", ".", "..", ""}) {
        EXPECT_EQ(askDriverDevice(name, kPortNameRequest), kCannotOpen) << name;
    }
    EXPECT_EQ(askDriverDevice(std::string("KVR0\0.x", 7), kPortNameRequest), kCannotOpen);
    EXPECT_EQ(readFile(registry), records);
    // The device itself still answers.
    EXPECT_TRUE(portColumn(askDriverDevice("KVR0", kPortNameRequest)).starts_with("5"));
}

TEST(DriverDevice, ADeviceThatNeverAnswersFailsAfterTheLimit)
{
    RuntimeFolder runtime;
    RawPty quiet;
    fs::create_directories(runtime.devices());
    fs::create_symlink(quiet.slavePath(), runtime.devices() / "Quiet");

    EXPECT_EQ(askDriverDevice("Quiet", kPortNameRequest, 300ms), kExchangeFailed);
    EXPECT_EQ(quiet.read(kPortNameRequest.size()), kPortNameRequest);
}

TEST(DriverDevice, AnAnswerInPiecesIsGatheredWhole)
{
    RuntimeFolder runtime;
    RawPty device;
    fs::create_directories(runtime.devices());
    fs::create_symlink(device.slavePath(), runtime.devices() / "Pieces");

    std::thread answering([&] {
        device.read(kPortNameRequest.size());
        device.write("/get port_");
        std::this_thread::sleep_for(5ms);
        device.write("name value:\r\n");
    });
    const auto answer = askDriverDevice("Pieces", kPortNameRequest);
    answering.join();
    EXPECT_EQ(answer, Answer("/get port_name value:\r\n"));
}

TEST(DriverDevice, AnAnswerIsAtMost2000Bytes)
{
    RuntimeFolder runtime;
    RawPty device;
    fs::create_directories(runtime.devices());
    fs::create_symlink(device.slavePath(), runtime.devices() / "Chatty");

    device.write(std::string(3000, 'x'));
    const auto answer = askDriverDevice("Chatty", kPortNameRequest);
    EXPECT_EQ(answer, Answer(std::string(2000, 'x')));
}

TEST(DriverDevice, TheDeviceIsClosedAfterEveryCall)
{
    RuntimeFolder runtime;
    Sim sim({"--readers", "1"});
    ASSERT_TRUE(sim.ready());
    RawPty quiet;
    fs::create_symlink(quiet.slavePath(), runtime.devices() / "Quiet");
    const std::size_t before = openDescriptors();

    EXPECT_TRUE(std::holds_alternative<std::string>(askDriverDevice("KVR0", kPortNameRequest)));
    EXPECT_EQ(openDescriptors(), before);
    askDriverDevice("Quiet", kPortNameRequest, 100ms);
    EXPECT_EQ(openDescriptors(), before);
    askDriverDevice("KVR9", kPortNameRequest);
    askDriverDevice("../registry.reg", kPortNameRequest);
    EXPECT_EQ(openDescriptors(), before);
}

} // namespace
