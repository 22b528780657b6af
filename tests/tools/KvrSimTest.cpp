// kvr-sim as the program and its tests meet it: a child process that fills a KVR folder,
// spoken to over its pseudo-terminals, its registry records read as the program reads them.

#include "platform/Registry.h"
#include "support/TempFolder.h"

#include <QProcess>

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <csignal>
#include <fcntl.h>
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

// kvr-sim run in `runtime` with its KVR folder there, where this test program then looks for
// the driver too; its first output ("ready") waited for; killed if a test leaves it running;
// end() gives its exit code once it has ended after `signal`, -1 when it did not end normally.
struct Sim : QProcess {
    Sim(const fs::path& runtime, const QStringList& options)
        : folder(runtime / "kvr")
    {
        setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
        setWorkingDirectory(QString::fromStdString(runtime.string()));
        setChildProcessModifier([] { prctl(PR_SET_PDEATHSIG, SIGKILL); });
        start(KVR_SIM, options);
        waitForReadyRead(10000);
    }
    ~Sim() { end(SIGKILL); }
    int end(int signal = 0)
    {
        if (signal != 0 && state() == Running) {
            ::kill(static_cast<pid_t>(processId()), signal);
        }
        waitForFinished(10000);
        return state() == NotRunning && exitStatus() == NormalExit ? exitCode() : -1;
    }
    const fs::path folder;
};

// One opening of com<N> or KVR<i>, as the program opens a port or a device: the bytes sent, one
// write each, and all that comes until the reply has and 200 ms more; then the port stays
// quiet, noise comes only around the reply, or the port goes away.
enum Then { Quiet, Noisy, GoesAway };
struct Step {
    std::string port, sent, reply;
    Then then = Quiet;
    std::chrono::milliseconds atLeast{}; // before the reply has come
};

void expectExchange(const fs::path& folder, const Step& step)
{
    SCOPED_TRACE(step.port + " " + step.sent);
    const fs::path path = folder / (step.port[0] == 'c' ? "dosdevices" : "devices") / step.port;
    const int fd = open(path.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    for (const char c : step.sent) {
        EXPECT_EQ(write(fd, &c, 1), 1);
    }
    std::string text;
    const Clock::time_point asked = Clock::now();
    Clock::time_point came = asked + 1h; // when the reply was whole
    ssize_t got = 1;                     // none (EIO) once the port has gone away
    while (got > 0 && Clock::now() < std::min(asked + 5s, came + 200ms)) {
        if (step.then != GoesAway && came > Clock::now() && text.find(step.reply) != text.npos) {
            came = Clock::now();
        }
        char buffer[4096];
        if (pollfd port{fd, POLLIN, 0};
            poll(&port, 1, 10) > 0 && (got = read(fd, buffer, 4096)) > 0) {
            text.append(buffer, static_cast<std::size_t>(got));
        }
    }
    close(fd);
    const std::regex noise("^(~noise~\r\n)+|(~noise~\r\n)+$");
    EXPECT_EQ(std::regex_search(text, noise), step.then == Noisy) << text;
    EXPECT_EQ(std::regex_replace(text, noise, ""), step.reply);
    EXPECT_EQ(got <= 0, step.then == GoesAway);
    EXPECT_GE(came - asked, step.atLeast);
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
// given to others since) and another program a file, beside a simulator in another folder as
// tests run side by side; stopped, a simulator leaves only what it did not make.
TEST(KvrSim, Scenarios)
{
    const std::vector<Scenario> scenarios{
        {{},
         // The device version from character 25 to the last but one; other commands get no
         // answer; one reader recorded, whatever a killed simulator had recorded.
         {{"com5", "/ver\n/get dev_version\n", kVer + "/get dev_version value: RDR-4000 v3.1\n"},
          {"com5", "/rawsend /write 1\n/bogus\n/ver2\n/VER\n\n/rawxact a\n", "/rawxact:ACK a\r\n"},
          {"KVR0", "/get port_name\n", kPortIs + "5 (COM5)\r\n"}},
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
          {"Enum\\Root\\Vorlan\\0011", "PortName", "COM18"}},
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
         {{kC + "1", "FriendlyName", "KVR Reader 1"}, {kC + "1", "PortName", "COM123"}}},
        // Lines arrive (and are logged) but get no answer; the devices still answer.
        {{"--silent"},
         {{"com5", "/ver\n/rawxact x\n", ""},
          {"KVR0", "/get port_name\n", kPortIs + "5 (COM5)\r\n"}},
         {},
         "COM5: /ver\nCOM5: /rawxact x\n"},
        // Noise comes unasked, but never inside a reply.
        {{"--noise", "20", "--pieces", "3"},
         {{"com5", "/rawxact 0123456789abcdef\n", "/rawxact:ACK 0123456789abcdef\r\n", Noisy}}},
        // Replies held back 300 ms, then sent in 4-byte pieces 10 ms apart: 3, 5 and 5 pieces.
        {{"--write-answers", "--no-device-version", "--delay", "300", "--pieces", "4"},
         {{"com5", "/rawsend /write 1\n/get dev_version\n/ver\n",
           "/write ok\r\n/get dev_version\r\n" + kVer, Quiet, 400ms}}},
        // The driver goes away at a port's second line.
        {{"--readers", "2", "--close-after", "2"},
         {{"com5", "/ver\n", kVer}, {"com5", "/ver\n", "", GoesAway}, {"com6", "/ver\n", kVer}}},
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
        TempFolder elsewhere;
        Sim neighbour(elsewhere.path(), {});
        Sim(runtime.path(), {"--readers", "40", "--first-port", "5"}).end(SIGKILL);
        Sim sim(runtime.path(), scenario.options + QStringList{"--log", "lines.log"});
        ASSERT_EQ(sim.readAllStandardOutput(), "ready\n")
            << sim.readAllStandardError().toStdString();
        // Latecomers leave the folder to it: a second simulator and a third (so the second left
        // the lock) end with 1, wrong command lines with 2, before they touch the folder.
        for (int later = 0; later < 2; ++later) {
            EXPECT_EQ(Sim(runtime.path(), {"--readers", "3"}).end(), 1);
        }
        for (const char* line :
             {"--readers 0", "--readers 41", "--readers", "--first-port 0",
              "--first-port 999 --readers 2", "--layout D", "--delay soon", "--pieces 0",
              "--close-after -1", "--silent=yes", "--bogus", "extra", "--log .",
              "--reply missing.txt", "--reply kvr/notes.txt"}) {
            EXPECT_EQ(Sim(runtime.path(), QString(line).split(' ')).end(), 2) << line;
        }
        for (const Step& step : scenario.steps) {
            expectExchange(sim.folder, step);
        }
        for (const auto& [key, name, text] : scenario.records) {
            const auto value = platform::queryRegistryValue(platform::kHkeyLocalMachine, key, name);
            EXPECT_EQ(value ? std::string(value->data.begin(), value->data.end()) : "",
                      text.empty() ? "" : text + '\0')
                << key << " " << name;
        }
        std::ifstream log(runtime.path() / "lines.log", std::ios::binary);
        const std::string logged{std::istreambuf_iterator<char>(log), {}};
        EXPECT_TRUE(scenario.log.empty() || logged == "earlier run\n" + scenario.log) << logged;
        EXPECT_EQ(sim.end(SIGTERM), 0);
        EXPECT_EQ(std::distance(fs::directory_iterator(sim.folder), {}), 1);
        EXPECT_EQ(neighbour.end(SIGINT), 0);
        EXPECT_FALSE(fs::exists(neighbour.folder));
    }
}

// Where its lock file cannot be made, a simulator says so and leaves the folder as it was.
TEST(KvrSim, RefusesAFolderWhoseLockFileItCannotMake)
{
    TempFolder runtime;
    fs::create_directories(runtime.path() / "kvr/kvr-sim.lock"); // a folder of that name
    Sim sim(runtime.path(), {});
    EXPECT_EQ(sim.end(), 1);
    EXPECT_EQ(sim.readAllStandardError().toStdString(), "kvr-sim: cannot create " +
                                                            (sim.folder / "kvr-sim.lock").string() +
                                                            ": Is a directory\n");
    EXPECT_EQ(std::distance(fs::directory_iterator(sim.folder), {}), 1);
}

} // namespace
