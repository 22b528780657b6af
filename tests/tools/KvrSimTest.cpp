// kvr-sim as the program and its tests meet it: a child process that fills a KVR folder,
// spoken to over its pseudo-terminals, its registry records read as the program reads them.

#include "platform/Descriptors.h"
#include "platform/Registry.h"
#include "support/TempFolder.h"

#include <QProcess>

#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <poll.h>
#include <regex>
#include <sys/prctl.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

const std::string kVer = "/ver KVR-SIM 2.10\r\n";
const std::string kPortIs = "/get port_name value:      "; // the number from character 28 on

std::string readFile(const fs::path& path)
{
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), {}};
}

// kvr-sim run in `runtime` with its KVR folder there, where this test program then looks for
// the driver too; its first output waited for; killed if a test leaves it running.
class Sim : public QProcess {
public:
    Sim(const fs::path& runtime, const QStringList& options)
        : folder(runtime / "kvr")
    {
        setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
        setWorkingDirectory(QString::fromStdString(runtime.string()));
        setChildProcessModifier([] { prctl(PR_SET_PDEATHSIG, SIGKILL); });
        start(KVR_SIM, options);
        waitForReadyRead(10000);
        output = readAllStandardOutput().toStdString();
    }
    ~Sim() { end(SIGKILL); }

    // Its exit code once it ends after `signal`; -1 when it does not end normally.
    int end(int signal = 0)
    {
        if (signal != 0 && state() == Running) {
            ::kill(static_cast<pid_t>(processId()), signal);
        }
        waitForFinished(10000);
        return state() == NotRunning && exitStatus() == NormalExit ? exitCode() : -1;
    }

    const fs::path folder;
    std::string output; // "ready\n" once it serves
};

struct Answer {
    std::string text;
    bool gone = false;                                  // no port, or it went away
    Clock::time_point whole = Clock::time_point::max(); // when `wanted` first came
};

// One opening of a port or device, as the program opens it: `writes` written one by one,
// then what comes until `wanted` is in it and `quiet` has passed (at most 5 s), or the port
// goes away.
const std::string kNever = "\x01";
Answer exchange(const fs::path& path, const std::vector<std::string>& writes,
                const std::string& wanted, std::chrono::milliseconds quiet = 200ms)
{
    Answer answer;
    const int fd = open(path.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    answer.gone = fd < 0;
    for (const std::string& bytes : writes) {
        EXPECT_TRUE(platform::writeAll(fd, bytes)) << path;
    }
    for (Clock::time_point end = Clock::now() + 5s; !answer.gone && Clock::now() < end;) {
        if (answer.whole == Clock::time_point::max() &&
            answer.text.find(wanted) != std::string::npos) {
            answer.whole = Clock::now();
            end = answer.whole + quiet;
        }
        pollfd port{fd, POLLIN, 0};
        char buffer[4096];
        if (poll(&port, 1, 10) > 0) {
            const ssize_t got = read(fd, buffer, sizeof buffer);
            answer.gone = got <= 0; // EIO: the port went away
            answer.text.append(buffer, got > 0 ? static_cast<std::size_t>(got) : 0);
        }
    }
    close(fd);
    return answer;
}

// One opening of com<N> or KVR<i>: the bytes sent (the writes split at '|') and all that
// comes back, in time; then nothing more comes, or the port goes away or is not there.
struct Step {
    std::string port;
    std::string sent;
    std::string reply;
    bool goesAway = false;
    std::chrono::milliseconds atLeast{};
};

void expectExchange(const fs::path& folder, const Step& step)
{
    SCOPED_TRACE(step.port + " " + step.sent);
    std::vector<std::string> writes(1);
    for (const char c : step.sent) {
        c == '|' ? writes.emplace_back().clear() : writes.back().push_back(c);
    }
    const Clock::time_point asked = Clock::now();
    const fs::path port = folder / (step.port[0] == 'c' ? "dosdevices" : "devices") / step.port;
    const Answer answer = exchange(port, writes, step.goesAway ? kNever : step.reply);
    EXPECT_EQ(answer.text, step.reply);
    EXPECT_EQ(answer.gone, step.goesAway);
    EXPECT_GE(answer.whole - asked, step.atLeast);
}

struct Scenario {
    QStringList options;
    std::vector<Step> steps;
    std::vector<std::array<std::string, 3>> records{}; // key, value name, text ("": none)
    std::string log{};                                 // what --log gathers, when given
};

const std::string kA = "System\\CurrentControlSet\\Services\\Class\\Vor-Lan\\";
const std::string kB = "System\\CurrentControlSet\\Services\\Class\\Vorlan\\";
const std::string kC =
    "System\\CurrentControlSet\\Services\\VORLANCL\\Parameters\\Devices\\KVRDevice";

// Each scenario runs where a killed simulator left its links (which may lead to pseudo-terminals
// given to others since) and another program a file; stopped, the simulator leaves only that.
TEST(KvrSim, Scenarios)
{
    const std::vector<Scenario> scenarios{
        {{},
         {{"com5", "/ver\n", kVer},
          // The device version from character 25 to the last but one.
          {"com5", "/get dev_version\n", "/get dev_version value: RDR-4000 v3.1\n"},
          {"com5", "/rawsend /write 1\n/bogus\n/ver2\n/VER\n\n/ver\n", kVer},
          {"com5", "/v|er\n/rawxact a\n/ver|\n", kVer + "/rawxact:ACK a\r\n" + kVer},
          {"KVR0", "/get port_name\n", kPortIs + "5 (COM5)\r\n"},
          {"com6", "", "", true}},
         {{kA + "0000", "DriverDesc", "KVR Reader 0"},
          {"Enum\\Root\\Vor-Lan\\0000", "PortName", "COM5"},
          {kA + "0001", "DriverDesc", ""}}},
        // Lines are logged as they came, questions to the devices not; an answer on any port
        // shows that what was sent before it has been read.
        {{"--readers", "12", "--first-port", "7", "--layout", "B", "--name", "Bench \"7\" \\ left"},
         {{"KVR11", "/get port_name\n", kPortIs + "18 (COM18)\r\n"},
          {"com7", "/rawsend  two  blanks \nx\r\n\ncaf\xc3\xa9 \xe2\x82\xac\n", ""},
          {"com18", "/rawxact 18\n", "/rawxact:ACK 18\r\n"}},
         {{kB + "0011", "DriverDesc", "Bench \"7\" \\ left 11"},
          {"Enum\\Root\\Vorlan\\0011", "PortName", "COM18"},
          {"Enum\\Root\\Vorlan\\0012", "PortName", ""},
          {kA + "0000", "DriverDesc", ""}},
         "COM7: /rawsend  two  blanks \nCOM7: x\r\nCOM7: \nCOM7: caf\xc3\xa9 \xe2\x82\xac\n"
         "COM18: /rawxact 18\n"},
        // The first matching pattern of the reply table answers.
        {{"--readers", "2", "--first-port", "122", "--layout", "C", "--reply", "replies.txt"},
         {{"KVR1", "/get port_name\n", kPortIs + "123 (COM123)\r\n"},
          {"com123",
           "/rawxact /read status\n/rawxact /read back\n/rawxact ABC123\n/rawxact ABC1234\n"
           "/rawxact #x\n/rawxact EMPTY\n",
           "/rawxact:READY\r\n/rawxact:SOME\r\n/rawxact:SIX\r\n/rawxact:ACK ABC1234\r\n"
           "/rawxact:ACK #x\r\n/rawxact:\r\n"}},
         {{kC + "1", "FriendlyName", "KVR Reader 1"},
          {kC + "1", "PortName", "COM123"},
          {kC + "2", "PortName", ""}}},
        // Replies held back 300 ms, then sent in 4-byte pieces 10 ms apart: 3, 5 and 5 pieces.
        {{"--write-answers", "--no-device-version", "--delay", "300", "--pieces", "4"},
         {{"com5", "/rawsend /write 1\n/get dev_version\n/ver\n",
           "/write ok\r\n/get dev_version\r\n" + kVer, false, 400ms}}},
        {{"--silent"},
         {{"com5", "/ver\n/rawxact x\n", ""},
          {"KVR0", "/get port_name\n", kPortIs + "5 (COM5)\r\n"}},
         {},
         "COM5: /ver\nCOM5: /rawxact x\n"},
        // The driver goes away at a port's second line.
        {{"--readers", "2", "--close-after", "2"},
         {{"com5", "/ver\n", kVer}, {"com5", "/ver\n", "", true}, {"com6", "/ver\n", kVer}}},
    };
    for (const Scenario& scenario : scenarios) {
        SCOPED_TRACE(scenario.options.join(' ').toStdString());
        TempFolder runtime;
        fs::create_directory(runtime.path() / "kvr");
        std::ofstream(runtime.path() / "kvr/notes.txt") << "someone else's\n";
        std::ofstream(runtime.path() / "lines.log") << "earlier run\n";
        std::ofstream(runtime.path() / "replies.txt")
            << "# answers of the bench reader\n\n/read status\tREADY\n/read *\tSOME\r\n"
               "ABC???\tSIX\n#x\tNOT A RULE\nEMPTY\t\n";
        Sim(runtime.path(), {"--readers", "40", "--first-port", "5"}).end(SIGKILL);
        Sim sim(runtime.path(), scenario.options + QStringList{"--log", "lines.log"});
        ASSERT_EQ(sim.output, "ready\n") << sim.readAllStandardError().toStdString();
        for (const Step& step : scenario.steps) {
            expectExchange(sim.folder, step);
        }
        for (const auto& [key, name, text] : scenario.records) {
            const std::vector<unsigned char> data(text.c_str(), text.c_str() + text.size() + 1);
            EXPECT_EQ(platform::queryRegistryValue(platform::kHkeyLocalMachine, key, name),
                      text.empty() ? std::nullopt : std::optional(platform::RegistryValue{1, data}))
                << key << " " << name;
        }
        EXPECT_TRUE(readFile(sim.folder / "registry.reg")
                        .starts_with("Windows Registry Editor Version 5.00\n"));
        if (!scenario.log.empty()) {
            EXPECT_EQ(readFile(runtime.path() / "lines.log"), "earlier run\n" + scenario.log);
        }
        EXPECT_EQ(sim.end(SIGTERM), 0);
        EXPECT_EQ(std::distance(fs::directory_iterator(sim.folder), {}), 1);
    }
}

TEST(KvrSim, NoiseComesUnaskedAndNeverInsideAReply)
{
    TempFolder runtime;
    Sim sim(runtime.path(), {"--noise", "20", "--pieces", "3"});
    const std::string reply = "/rawxact:ACK 0123456789abcdef\r\n";
    std::string text =
        exchange(sim.folder / "dosdevices/com5", {"/rawxact 0123456789abcdef\n"}, reply, 100ms)
            .text;
    const std::size_t at = text.find(reply);
    ASSERT_NE(at, std::string::npos) << text;
    EXPECT_TRUE(std::regex_match(text.erase(at, reply.size()), std::regex("(~noise~\r\n)+")))
        << text;
}

// Tests side by side each have a KVR folder and a COM5 of their own; a second simulator on
// one folder leaves it to the first, and a wrong command line makes nothing.
TEST(KvrSim, OneSimulatorAFolder)
{
    TempFolder first;
    TempFolder second;
    Sim one(first.path(), {"--log", "lines.log"});
    const std::string registry = readFile(one.folder / "registry.reg");
    Sim refused(first.path(), {"--readers", "2", "--layout", "C"});
    EXPECT_EQ(refused.end(), 1);
    EXPECT_TRUE(refused.readAllStandardError().contains("already running"));
    EXPECT_EQ(readFile(one.folder / "registry.reg"), registry);
    EXPECT_TRUE(fs::exists(one.folder / "kvr-sim.lock"));
    std::ofstream(second.path() / "no-tab.txt") << "# fine\nABC* SIX\n";
    for (const char* line : {"--readers 0", "--readers 41", "--readers", "--first-port 0",
                             "--first-port 999 --readers 2", "--layout D", "--delay soon",
                             "--pieces 0", "--close-after -1", "--silent=yes", "--bogus", "extra",
                             "--log .", "--reply missing.txt", "--reply no-tab.txt"}) {
        EXPECT_EQ(Sim(second.path(), QString(line).split(' ')).end(), 2) << line;
    }
    EXPECT_FALSE(fs::exists(second.path() / "kvr"));
    Sim two(second.path(), {"--log", "lines.log"});
    expectExchange(one.folder, {"com5", "/rawxact one\n", "/rawxact:ACK one\r\n"});
    expectExchange(two.folder, {"com5", "/rawxact two\n", "/rawxact:ACK two\r\n"});
    EXPECT_EQ(one.end(SIGINT), 0);
    expectExchange(two.folder, {"KVR0", "/get port_name\n", kPortIs + "5 (COM5)\r\n"});
    EXPECT_EQ(two.end(SIGTERM), 0);
    EXPECT_FALSE(fs::exists(one.folder));
    EXPECT_EQ(readFile(first.path() / "lines.log"), "COM5: /rawxact one\n");
    EXPECT_EQ(readFile(second.path() / "lines.log"), "COM5: /rawxact two\n");
}

} // namespace
