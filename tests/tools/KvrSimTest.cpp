// kvr-sim as the program and its tests meet it: a child process with a KVR
// folder of its own, spoken to over real pseudo-terminals.

#include "platform/Descriptors.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <optional>
#include <poll.h>
#include <sstream>
#include <string>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <termios.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// Generous bounds: they only keep a broken simulator from hanging the tests.
constexpr auto kStartLimit = 10s;
constexpr auto kReplyLimit = 5s;

const std::string kVerReply = "/ver KVR-SIM 2.10\r\n";

std::string readFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void writeFile(const fs::path& path, const std::string& text)
{
    std::ofstream(path, std::ios::binary) << text;
}

// kvr-sim started with XDG_RUNTIME_DIR set to `runtime`, so that its KVR
// folder is runtime/kvr; stopped with SIGKILL if a test leaves it running.
class Sim {
public:
    Sim(const fs::path& runtime, const std::vector<std::string>& options)
        : folder_(runtime / "kvr")
    {
        std::vector<std::string> args{KVR_SIM};
        args.insert(args.end(), options.begin(), options.end());
        std::vector<char*> argv;
        for (std::string& arg : args) {
            argv.push_back(arg.data());
        }
        argv.push_back(nullptr);
        int out[2];
        int err[2];
        if (pipe2(out, O_CLOEXEC) != 0 || pipe2(err, O_CLOEXEC) != 0) {
            ADD_FAILURE() << "no pipes";
            return;
        }
        const pid_t test = getpid();
        pid_ = fork();
        if (pid_ == 0) {
            // A simulator whose test died clears up and goes with it.
            prctl(PR_SET_PDEATHSIG, SIGTERM);
            if (getppid() != test) {
                _exit(126);
            }
            dup2(out[1], STDOUT_FILENO);
            dup2(err[1], STDERR_FILENO);
            setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
            execv(argv[0], argv.data());
            _exit(127);
        }
        close(out[1]);
        close(err[1]);
        out_ = out[0];
        err_ = err[0];
        fcntl(err_, F_SETFL, O_NONBLOCK);
    }

    ~Sim()
    {
        if (pid_ > 0) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
        for (const int fd : {out_, err_}) {
            if (fd >= 0) {
                close(fd);
            }
        }
    }

    Sim(const Sim&) = delete;
    Sim& operator=(const Sim&) = delete;

    // Waits for the "ready" line; false when the simulator ended or took too long.
    bool ready()
    {
        const Clock::time_point deadline = Clock::now() + kStartLimit;
        while (output_.find("ready\n") == std::string::npos && Clock::now() < deadline) {
            pollfd wanted{out_, POLLIN, 0};
            if (poll(&wanted, 1, 50) > 0) {
                char buffer[256];
                const ssize_t got = read(out_, buffer, sizeof buffer);
                if (got <= 0) {
                    return false;
                }
                output_.append(buffer, static_cast<std::size_t>(got));
            }
        }
        return output_.find("ready\n") != std::string::npos;
    }

    // Waits for the simulator to end by itself: its exit code, -1 when it did
    // not end in time or ended by a signal.
    int exitCode()
    {
        const Clock::time_point deadline = Clock::now() + kStartLimit;
        while (pid_ > 0 && Clock::now() < deadline) {
            int status = 0;
            if (waitpid(pid_, &status, WNOHANG) == pid_) {
                pid_ = -1;
                return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
            }
            std::this_thread::sleep_for(10ms);
        }
        return -1;
    }

    int stop(int signal = SIGTERM)
    {
        kill(pid_, signal);
        return exitCode();
    }

    // What it wrote to standard output up to now.
    std::string output()
    {
        fcntl(out_, F_SETFL, O_NONBLOCK);
        char buffer[4096];
        for (ssize_t got; (got = read(out_, buffer, sizeof buffer)) > 0;) {
            output_.append(buffer, static_cast<std::size_t>(got));
        }
        return output_;
    }

    // What it wrote to standard error up to now.
    std::string errors()
    {
        char buffer[4096];
        for (ssize_t got; (got = read(err_, buffer, sizeof buffer)) > 0;) {
            errors_.append(buffer, static_cast<std::size_t>(got));
        }
        return errors_;
    }

    const fs::path& folder() const { return folder_; }
    fs::path comPort(int number) const
    {
        return folder_ / "dosdevices" / ("com" + std::to_string(number));
    }
    fs::path device(int index) const
    {
        return folder_ / "devices" / ("KVR" + std::to_string(index));
    }

private:
    fs::path folder_;
    pid_t pid_ = -1;
    int out_ = -1;
    int err_ = -1;
    std::string output_;
    std::string errors_;
};

// The program's end of a port, opened through its link as the program opens it.
class PortEnd {
public:
    explicit PortEnd(const fs::path& link)
        : fd_(open(link.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC))
    {
        termios settings{};
        if (fd_ >= 0 && tcgetattr(fd_, &settings) == 0) {
            cfmakeraw(&settings);
            tcsetattr(fd_, TCSANOW, &settings);
        }
    }

    ~PortEnd()
    {
        if (fd_ >= 0) {
            close(fd_);
        }
    }

    PortEnd(const PortEnd&) = delete;
    PortEnd& operator=(const PortEnd&) = delete;

    bool isOpen() const { return fd_ >= 0; }

    void send(const std::string& bytes) { EXPECT_TRUE(platform::writeAll(fd_, bytes)); }

    // Reads until `enough` holds for what came or `limit` has passed;
    // `reads` counts the reads that brought something.
    std::string readUntil(const std::function<bool(const std::string&)>& enough,
                          std::chrono::milliseconds limit, int* reads = nullptr)
    {
        std::string text;
        const Clock::time_point deadline = Clock::now() + limit;
        while (!enough(text)) {
            const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
            pollfd wanted{fd_, POLLIN, 0};
            if (left.count() <= 0 || poll(&wanted, 1, static_cast<int>(left.count())) <= 0) {
                break;
            }
            char buffer[2000];
            const ssize_t got = read(fd_, buffer, sizeof buffer);
            if (got <= 0) {
                break;
            }
            text.append(buffer, static_cast<std::size_t>(got));
            if (reads) {
                ++*reads;
            }
        }
        return text;
    }

    // Everything that comes within `limit`.
    std::string readFor(std::chrono::milliseconds limit)
    {
        return readUntil([](const std::string&) { return false; }, limit);
    }

    // Sends `command` and a line feed and reads the reply up to its line feed.
    std::string ask(const std::string& command, int* reads = nullptr)
    {
        send(command + "\n");
        return readUntil([](const std::string& text) { return text.ends_with('\n'); }, kReplyLimit,
                         reads);
    }

    // Whether the other side goes away within `limit`; what came before goes to `before`.
    bool hangsUp(std::chrono::milliseconds limit, std::string& before)
    {
        const Clock::time_point deadline = Clock::now() + limit;
        while (Clock::now() < deadline) {
            pollfd wanted{fd_, POLLIN, 0};
            if (poll(&wanted, 1, 50) <= 0) {
                continue;
            }
            if (wanted.revents & (POLLHUP | POLLERR)) {
                return true;
            }
            char buffer[256];
            const ssize_t got = read(fd_, buffer, sizeof buffer);
            if (got == 0 || (got < 0 && errno == EIO)) {
                return true;
            }
            if (got > 0) {
                before.append(buffer, static_cast<std::size_t>(got));
            }
        }
        return false;
    }

private:
    int fd_;
};

// The reply to "/get port_name" of the driver's device at `path`, asked as
// the program asks it: open as a file, write, read up to 2000 bytes.
std::string portNameAnswer(const fs::path& path)
{
    PortEnd device(path);
    EXPECT_TRUE(device.isOpen()) << path;
    return device.isOpen() ? device.ask("/get port_name") : std::string();
}

using Records = std::map<std::string, std::map<std::string, std::string>>;

// A "..." string of a registry export that starts at `at`, without its
// escapes; `at` moves past it.
std::string quotedAt(const std::string& line, std::size_t& at)
{
    std::string text;
    for (++at; at < line.size() && line[at] != '"'; ++at) {
        if (line[at] == '\\' && at + 1 < line.size()) {
            ++at;
        }
        text += line[at];
    }
    ++at;
    return text;
}

// The keys and values of a registry export that holds only text values.
Records parseRegistry(const std::string& text)
{
    Records records;
    std::istringstream lines(text);
    std::string line;
    std::getline(lines, line);
    EXPECT_EQ(line, "Windows Registry Editor Version 5.00");
    std::string key;
    while (std::getline(lines, line)) {
        if (line.empty()) {
            continue;
        }
        if (line.front() == '[' && line.back() == ']') {
            key = line.substr(1, line.size() - 2);
            EXPECT_EQ(records.count(key), 0u) << key;
            records[key];
            continue;
        }
        std::size_t at = 0;
        EXPECT_EQ(line.front(), '"') << line;
        const std::string name = quotedAt(line, at);
        EXPECT_EQ(line.compare(at, 2, "=\""), 0) << line;
        ++at;
        const std::string value = quotedAt(line, at);
        EXPECT_EQ(at, line.size()) << line;
        EXPECT_FALSE(key.empty()) << line;
        records[key][name] = value;
    }
    return records;
}

// The registry.reg of a simulator started with `options`.
std::string registryOf(const std::vector<std::string>& options)
{
    TempFolder runtime;
    Sim sim(runtime.path(), options);
    EXPECT_TRUE(sim.ready()) << sim.errors();
    const std::string text = readFile(sim.folder() / "registry.reg");
    EXPECT_EQ(sim.stop(), 0);
    return text;
}

const std::string kHklm = "HKEY_LOCAL_MACHINE\\";

TEST(KvrSimRegistry, LayoutAHasADescriptionKeyAndAPortKeyPerReader)
{
    const std::string classKey = kHklm + "System\\CurrentControlSet\\Services\\Class\\Vor-Lan\\";
    const std::string enumKey = kHklm + "Enum\\Root\\Vor-Lan\\";
    const Records expected{
        {classKey + "0000", {{"DriverDesc", "KVR Reader 0"}}},
        {classKey + "0001", {{"DriverDesc", "KVR Reader 1"}}},
        {enumKey + "0000", {{"PortName", "COM5"}}},
        {enumKey + "0001", {{"PortName", "COM6"}}},
    };
    EXPECT_EQ(parseRegistry(registryOf({"--readers", "2"})), expected);
    EXPECT_EQ(parseRegistry(registryOf({"--readers", "2", "--layout", "A"})), expected);
}

TEST(KvrSimRegistry, LayoutBSpellsTheFamilyVorlan)
{
    const std::string classKey = kHklm + "System\\CurrentControlSet\\Services\\Class\\Vorlan\\";
    const std::string enumKey = kHklm + "Enum\\Root\\Vorlan\\";
    const Records expected{
        {classKey + "0000", {{"DriverDesc", "Bench 0"}}},
        {classKey + "0001", {{"DriverDesc", "Bench 1"}}},
        {enumKey + "0000", {{"PortName", "COM11"}}},
        {enumKey + "0001", {{"PortName", "COM12"}}},
    };
    EXPECT_EQ(parseRegistry(registryOf(
                  {"--readers", "2", "--layout", "B", "--first-port", "11", "--name", "Bench"})),
              expected);
}

TEST(KvrSimRegistry, LayoutCHasOneKeyPerReaderWithBothValues)
{
    const std::string devices =
        kHklm + "System\\CurrentControlSet\\Services\\VORLANCL\\Parameters\\Devices\\KVRDevice";
    const Records expected{
        {devices + "0", {{"FriendlyName", "KVR Reader 0"}, {"PortName", "COM3"}}},
        {devices + "1", {{"FriendlyName", "KVR Reader 1"}, {"PortName", "COM4"}}},
    };
    EXPECT_EQ(parseRegistry(registryOf({"--readers", "2", "--layout", "C", "--first-port", "3"})),
              expected);
}

TEST(KvrSimRegistry, IndexesPastNineKeepTheirWidthPerLayout)
{
    const Records a = parseRegistry(registryOf({"--readers", "12"}));
    EXPECT_EQ(a.size(), 24u);
    EXPECT_EQ(
        a.at(kHklm + "System\\CurrentControlSet\\Services\\Class\\Vor-Lan\\0011").at("DriverDesc"),
        "KVR Reader 11");
    EXPECT_EQ(a.at(kHklm + "Enum\\Root\\Vor-Lan\\0011").at("PortName"), "COM16");
    const Records c = parseRegistry(registryOf({"--readers", "12", "--layout", "C"}));
    EXPECT_EQ(c.size(), 12u);
    EXPECT_EQ(
        c.at(kHklm +
             "System\\CurrentControlSet\\Services\\VORLANCL\\Parameters\\Devices\\KVRDevice11")
            .at("PortName"),
        "COM16");
}

TEST(KvrSimRegistry, QuotesAndBackslashesInTheNameAreEscaped)
{
    const std::string text = registryOf({"--name", "Bench \"7\" \\ left"});
    EXPECT_NE(text.find("\n\"DriverDesc\"=\"Bench \\\"7\\\" \\\\ left 0\"\n"), std::string::npos)
        << text;
    EXPECT_EQ(parseRegistry(text)
                  .at(kHklm + "System\\CurrentControlSet\\Services\\Class\\Vor-Lan\\0000")
                  .at("DriverDesc"),
              "Bench \"7\" \\ left 0");
}

// A simulator with its folder, ready to be spoken to.
class KvrSimPorts : public ::testing::Test {
protected:
    void start(const std::vector<std::string>& options)
    {
        sim_.emplace(runtime_.path(), options);
        ASSERT_TRUE(sim_->ready()) << sim_->errors();
    }

    void TearDown() override
    {
        if (sim_) {
            EXPECT_EQ(sim_->stop(), 0);
        }
    }

    TempFolder runtime_;
    std::optional<Sim> sim_;
};

using KvrSimReplies = KvrSimPorts;

TEST_F(KvrSimReplies, VersionHoldsVerABlankAndTheDriverVersion)
{
    start({});
    PortEnd port(sim_->comPort(5));
    ASSERT_TRUE(port.isOpen());
    EXPECT_EQ(port.ask("/ver"), kVerReply);
}

TEST_F(KvrSimReplies, DeviceVersionStartsAtCharacter25AndHasOneLastCharacter)
{
    start({});
    PortEnd port(sim_->comPort(5));
    const std::string reply = port.ask("/get dev_version");
    EXPECT_NE(reply.find("dev_version"), std::string::npos) << reply;
    ASSERT_GT(reply.size(), 25u) << reply;
    EXPECT_EQ(reply.substr(24, reply.size() - 25), "RDR-4000 v3.1");
    EXPECT_EQ(reply.back(), '\n');
}

TEST_F(KvrSimReplies, RawxactAnswersAfterOneSeparatorWithAckAndTheData)
{
    start({});
    PortEnd port(sim_->comPort(5));
    EXPECT_EQ(port.ask("/rawxact /read status"), "/rawxact:ACK /read status\r\n");
    EXPECT_EQ(port.ask("/rawxact ABC0000000000000123"), "/rawxact:ACK ABC0000000000000123\r\n");
}

TEST_F(KvrSimReplies, AReplyTableAnswersByTheFirstMatchingPattern)
{
    const fs::path table = runtime_.path() / "replies.txt";
    writeFile(table, "# answers of the bench reader\n"
                     "\n"
                     "/read status\tREADY\n"
                     "/read *\tSOME\r\n"
                     "ABC???\tSIX\n"
                     "#x\tNOT A RULE\n"
                     "EMPTY\t\n");
    start({"--reply", table.string()});
    PortEnd port(sim_->comPort(5));
    EXPECT_EQ(port.ask("/rawxact /read status"), "/rawxact:READY\r\n");
    EXPECT_EQ(port.ask("/rawxact /read back"), "/rawxact:SOME\r\n");
    EXPECT_EQ(port.ask("/rawxact ABC123"), "/rawxact:SIX\r\n");
    EXPECT_EQ(port.ask("/rawxact ABC1234"), "/rawxact:ACK ABC1234\r\n");
    EXPECT_EQ(port.ask("/rawxact #x"), "/rawxact:ACK #x\r\n");
    EXPECT_EQ(port.ask("/rawxact EMPTY"), "/rawxact:\r\n");
}

// Answers come in the order of the commands, so what comes first after
// commands that get no answer is the answer to the /ver behind them.
TEST_F(KvrSimReplies, RawsendAndUnknownCommandsAnswerNothing)
{
    start({});
    PortEnd port(sim_->comPort(5));
    port.send("/rawsend /write 1\n/bogus\n/ver2\n/VER\n\n");
    EXPECT_EQ(port.ask("/ver"), kVerReply);
}

TEST_F(KvrSimReplies, WriteAnswersAnswersRawsend)
{
    start({"--write-answers"});
    PortEnd port(sim_->comPort(5));
    EXPECT_EQ(port.ask("/rawsend /write 1"), "/write ok\r\n");
}

TEST_F(KvrSimReplies, CommandsAreTakenByLinesHoweverTheBytesArrive)
{
    start({});
    PortEnd port(sim_->comPort(5));
    port.send("/v");
    port.send("er\n/rawxact a\n/ver");
    port.send("\n");
    const std::string all = kVerReply + "/rawxact:ACK a\r\n" + kVerReply;
    EXPECT_EQ(port.readUntil([&](const std::string& text) { return text.size() >= all.size(); },
                             kReplyLimit),
              all);
}

TEST_F(KvrSimReplies, EachReaderAnswersOnItsOwnPort)
{
    start({"--readers", "3", "--first-port", "20"});
    for (const int number : {20, 21, 22}) {
        PortEnd port(sim_->comPort(number));
        ASSERT_TRUE(port.isOpen()) << number;
        EXPECT_EQ(port.ask("/rawxact " + std::to_string(number)),
                  "/rawxact:ACK " + std::to_string(number) + "\r\n");
    }
}

// The program opens and closes a port many times; the port must keep working.
TEST_F(KvrSimReplies, PortsKeepAnsweringWhenReopened)
{
    start({});
    for (int opening = 0; opening < 3; ++opening) {
        PortEnd port(sim_->comPort(5));
        ASSERT_TRUE(port.isOpen());
        EXPECT_EQ(port.ask("/ver"), kVerReply) << opening;
    }
}

using KvrSimDevice = KvrSimPorts;

TEST_F(KvrSimDevice, AnswerHoldsComAndThePortNumberFromCharacter28)
{
    start({"--readers", "2", "--first-port", "7"});
    for (const auto& [index, number] : {std::pair{0, "7"}, std::pair{1, "8"}}) {
        const std::string answer = portNameAnswer(sim_->device(index));
        ASSERT_GE(answer.size(), 30u) << answer;
        EXPECT_NE(answer.find("COM"), std::string::npos) << answer;
        EXPECT_EQ(answer.substr(27, std::strlen(number)), number) << answer;
        EXPECT_FALSE(std::isdigit(static_cast<unsigned char>(answer[27 + std::strlen(number)])))
            << answer;
        EXPECT_TRUE(answer.ends_with("\r\n")) << answer;
    }
    // Asked again through a new opening, as the program does on each search.
    EXPECT_EQ(portNameAnswer(sim_->device(1)).substr(27, 1), "8");
}

TEST_F(KvrSimDevice, ThreeDigitPortsFillCharacters28To30)
{
    start({"--first-port", "123"});
    const std::string answer = portNameAnswer(sim_->device(0));
    ASSERT_GE(answer.size(), 30u) << answer;
    EXPECT_EQ(answer.substr(27, 3), "123") << answer;
    EXPECT_NE(answer.find("COM123"), std::string::npos) << answer;
}

TEST_F(KvrSimPorts, LogRecordsEachLineExactlyAsReceived)
{
    const fs::path log = runtime_.path() / "lines.log";
    writeFile(log, "earlier run\n");
    start({"--readers", "2", "--log", log.string()});
    {
        PortEnd port(sim_->comPort(5));
        port.send("/rawsend  two  blanks \nx\r\n\ncaf\xc3\xa9 \xe2\x82\xac\n");
        EXPECT_EQ(port.ask("/get dev_version").substr(0, 16), "/get dev_version");
    }
    {
        PortEnd port(sim_->comPort(6));
        EXPECT_EQ(port.ask("/ver"), kVerReply);
    }
    EXPECT_EQ(readFile(log), "earlier run\n"
                             "COM5: /rawsend  two  blanks \n"
                             "COM5: x\r\n"
                             "COM5: \n"
                             "COM5: caf\xc3\xa9 \xe2\x82\xac\n"
                             "COM5: /get dev_version\n"
                             "COM6: /ver\n");
}

using KvrSimFaults = KvrSimPorts;

TEST_F(KvrSimFaults, SilentReceivesButNeverAnswers)
{
    const fs::path log = runtime_.path() / "lines.log";
    start({"--silent", "--log", log.string()});
    PortEnd port(sim_->comPort(5));
    port.send("/ver\n/get dev_version\n/rawxact x\n");
    EXPECT_EQ(port.readFor(300ms), "");
    // The lines did arrive: the silence is the simulator's.
    const std::string expected = "COM5: /ver\nCOM5: /get dev_version\nCOM5: /rawxact x\n";
    const Clock::time_point deadline = Clock::now() + kReplyLimit;
    while (readFile(log) != expected && Clock::now() < deadline) {
        std::this_thread::sleep_for(10ms);
    }
    EXPECT_EQ(readFile(log), expected);
}

TEST_F(KvrSimFaults, NoDeviceVersionEndsTheReplyBeforeCharacter25)
{
    start({"--no-device-version"});
    PortEnd port(sim_->comPort(5));
    const std::string reply = port.ask("/get dev_version");
    EXPECT_NE(reply.find("dev_version"), std::string::npos) << reply;
    EXPECT_LE(reply.size(), 24u) << reply;
    EXPECT_EQ(port.ask("/ver"), kVerReply);
}

// Only a lower bound on the time: the simulator cannot be early, however
// slowly the test runs.
TEST_F(KvrSimFaults, DelayHoldsEachReplyBack)
{
    start({"--delay", "400"});
    PortEnd port(sim_->comPort(5));
    const Clock::time_point asked = Clock::now();
    EXPECT_EQ(port.ask("/ver"), kVerReply);
    EXPECT_GE(Clock::now() - asked, 400ms);
    port.send("/rawxact 1\n/rawxact 2\n");
    const std::string both = "/rawxact:ACK 1\r\n/rawxact:ACK 2\r\n";
    EXPECT_EQ(port.readUntil([&](const std::string& text) { return text.size() >= both.size(); },
                             kReplyLimit),
              both);
}

TEST_F(KvrSimFaults, PiecesSplitAReplyOverSeveralReads)
{
    start({"--pieces", "4"});
    PortEnd port(sim_->comPort(5));
    const std::string data = "0123456789012345678901234567890123456789";
    int reads = 0;
    EXPECT_EQ(port.ask("/rawxact " + data, &reads), "/rawxact:ACK " + data + "\r\n");
    EXPECT_GT(reads, 1);
}

TEST_F(KvrSimFaults, CloseAfterEndsThePortAtTheNthLine)
{
    start({"--readers", "2", "--close-after", "2"});
    PortEnd port(sim_->comPort(5));
    EXPECT_EQ(port.ask("/ver"), kVerReply);
    port.send("/ver\n");
    std::string before;
    EXPECT_TRUE(port.hangsUp(kReplyLimit, before));
    EXPECT_EQ(before, "");
    // The other reader's port counts its own lines.
    PortEnd other(sim_->comPort(6));
    EXPECT_EQ(other.ask("/ver"), kVerReply);
}

TEST_F(KvrSimFaults, NoiseComesUnaskedAndNeverInsideAReply)
{
    start({"--noise", "20", "--pieces", "3"});
    PortEnd port(sim_->comPort(5));
    const std::string noise = "~noise~\r\n";
    EXPECT_EQ(port.readUntil([&](const std::string& text) { return text.size() >= noise.size(); },
                             kReplyLimit)
                  .substr(0, noise.size()),
              noise);

    const std::string reply = "/rawxact:ACK 0123456789abcdef\r\n";
    port.send("/rawxact 0123456789abcdef\n");
    std::string text = port.readUntil(
        [&](const std::string& text) {
            return text.find(reply) != std::string::npos && text.ends_with("\r\n");
        },
        kReplyLimit);
    const std::size_t at = text.find(reply);
    ASSERT_NE(at, std::string::npos) << text;
    text.erase(at, reply.size());
    for (std::size_t i = 0; i < text.size(); i += noise.size()) {
        EXPECT_EQ(text.substr(i, noise.size()), noise) << text;
    }
}

TEST(KvrSimLife, SigtermRemovesEverythingItMadeAndExitsZero)
{
    TempFolder runtime;
    Sim sim(runtime.path(), {"--readers", "3"});
    ASSERT_TRUE(sim.ready()) << sim.errors();
    EXPECT_EQ(sim.output(), "ready\n");
    for (const std::string name :
         {"registry.reg", "dosdevices/com5", "dosdevices/com6", "dosdevices/com7", "devices/KVR0",
          "devices/KVR1", "devices/KVR2"}) {
        EXPECT_TRUE(fs::exists(sim.folder() / name)) << name;
    }
    EXPECT_TRUE(fs::is_symlink(sim.comPort(5)));
    EXPECT_EQ(sim.stop(), 0) << sim.errors();
    EXPECT_FALSE(fs::exists(sim.folder()));
    EXPECT_TRUE(fs::is_empty(runtime.path()));
}

TEST(KvrSimLife, SigintLeavesAFolderItDidNotMake)
{
    TempFolder runtime;
    fs::create_directory(runtime.path() / "kvr");
    writeFile(runtime.path() / "kvr" / "notes.txt", "someone else's\n");
    Sim sim(runtime.path(), {});
    ASSERT_TRUE(sim.ready()) << sim.errors();
    EXPECT_EQ(sim.stop(SIGINT), 0) << sim.errors();
    std::vector<std::string> left;
    for (const fs::directory_entry& entry : fs::directory_iterator(sim.folder())) {
        left.push_back(entry.path().filename().string());
    }
    EXPECT_EQ(left, std::vector<std::string>{"notes.txt"});
}

// Links left by a killed simulator may lead to pseudo-terminals that the
// system has since given to others: the next simulator takes them away.
TEST(KvrSimLife, TheNextSimulatorClearsWhatAKilledOneLeft)
{
    TempFolder runtime;
    {
        Sim killed(runtime.path(), {"--readers", "3"});
        ASSERT_TRUE(killed.ready()) << killed.errors();
        killed.stop(SIGKILL);
        ASSERT_TRUE(fs::is_symlink(killed.comPort(7)));
    }
    Sim sim(runtime.path(), {});
    ASSERT_TRUE(sim.ready()) << sim.errors();
    EXPECT_FALSE(fs::is_symlink(sim.comPort(6)));
    EXPECT_FALSE(fs::is_symlink(sim.comPort(7)));
    EXPECT_FALSE(fs::is_symlink(sim.device(2)));
    EXPECT_EQ(parseRegistry(readFile(sim.folder() / "registry.reg")).size(), 2u);
    PortEnd port(sim.comPort(5));
    EXPECT_EQ(port.ask("/ver"), kVerReply);
    EXPECT_EQ(sim.stop(), 0);
    EXPECT_TRUE(fs::is_empty(sim.folder()));
}

// Tests run side by side, each with its own folder and its own COM5.
TEST(KvrSimLife, SimulatorsInTwoFoldersRunSideBySide)
{
    TempFolder first;
    TempFolder second;
    const fs::path log1 = first.path() / "lines.log";
    const fs::path log2 = second.path() / "lines.log";
    Sim one(first.path(), {"--log", log1.string()});
    Sim two(second.path(), {"--log", log2.string(), "--layout", "C"});
    ASSERT_TRUE(one.ready()) << one.errors();
    ASSERT_TRUE(two.ready()) << two.errors();
    EXPECT_NE(fs::read_symlink(one.comPort(5)), fs::read_symlink(two.comPort(5)));
    {
        PortEnd port1(one.comPort(5));
        PortEnd port2(two.comPort(5));
        EXPECT_EQ(port1.ask("/rawxact one"), "/rawxact:ACK one\r\n");
        EXPECT_EQ(port2.ask("/rawxact two"), "/rawxact:ACK two\r\n");
    }
    EXPECT_EQ(one.stop(), 0);
    EXPECT_TRUE(fs::exists(two.folder() / "registry.reg"));
    EXPECT_EQ(portNameAnswer(two.device(0)).substr(27, 1), "5");
    EXPECT_EQ(two.stop(), 0);
    EXPECT_EQ(readFile(log1), "COM5: /rawxact one\n");
    EXPECT_EQ(readFile(log2), "COM5: /rawxact two\n");
}

TEST(KvrSimLife, ASecondSimulatorOnTheSameFolderRefusesAndTouchesNothing)
{
    TempFolder runtime;
    Sim first(runtime.path(), {});
    ASSERT_TRUE(first.ready()) << first.errors();
    const std::string registry = readFile(first.folder() / "registry.reg");
    const fs::path port = fs::read_symlink(first.comPort(5));

    Sim second(runtime.path(), {"--readers", "2", "--layout", "C"});
    EXPECT_EQ(second.exitCode(), 1);
    EXPECT_NE(second.errors().find("already running"), std::string::npos) << second.errors();
    EXPECT_EQ(second.output(), "");

    EXPECT_EQ(readFile(first.folder() / "registry.reg"), registry);
    EXPECT_EQ(fs::read_symlink(first.comPort(5)), port);
    EXPECT_TRUE(fs::exists(first.folder() / "kvr-sim.lock"));
    PortEnd com5(first.comPort(5));
    EXPECT_EQ(com5.ask("/ver"), kVerReply);
    EXPECT_EQ(first.stop(), 0);
}

TEST(KvrSimLife, WrongCommandLinesExitTwoAndMakeNothing)
{
    TempFolder runtime;
    const fs::path noTab = runtime.path() / "no-tab.txt";
    writeFile(noTab, "# fine\nABC* SIX\n");
    const std::vector<std::vector<std::string>> wrong{
        {"--readers", "0"},
        {"--readers", "41"},
        {"--readers"},
        {"--first-port", "0"},
        {"--first-port", "999", "--readers", "2"},
        {"--layout", "D"},
        {"--delay", "soon"},
        {"--pieces", "0"},
        {"--close-after", "-1"},
        {"--silent=yes"},
        {"--bogus"},
        {"extra"},
        {"--reply", (runtime.path() / "missing.txt").string()},
        {"--reply", noTab.string()},
    };
    for (const std::vector<std::string>& options : wrong) {
        Sim sim(runtime.path(), options);
        EXPECT_EQ(sim.exitCode(), 2) << options.front();
        EXPECT_NE(sim.errors(), "") << options.front();
    }
    EXPECT_FALSE(fs::exists(runtime.path() / "kvr"));
}

TEST(KvrSimLife, HelpNamesEveryOption)
{
    TempFolder runtime;
    Sim sim(runtime.path(), {"--help"});
    EXPECT_EQ(sim.exitCode(), 0);
    const std::string help = sim.output();
    for (const char* option :
         {"--readers", "--first-port", "--name", "--layout", "--log", "--reply", "--write-answers",
          "--silent", "--no-device-version", "--delay", "--pieces", "--close-after", "--noise"}) {
        EXPECT_NE(help.find(option), std::string::npos) << option;
    }
    EXPECT_FALSE(fs::exists(runtime.path() / "kvr"));
}

} // namespace
