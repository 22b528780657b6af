#include "device/DriverDeviceLink.h"
#include "device/ProgramWindow.h"
#include "device/SerialLink.h"
#include "faults/RandomBytes.h"
#include "support/DriverLog.h"
#include "support/QtPrinters.h"
#include "support/SimulatedDriver.h"
#include "ui/AutoSizeLabel.h"
#include "ui/ColourButton.h"
#include "ui/TextBox.h"

#include <QElapsedTimer>
#include <QTest>

#include <csignal>
#include <map>
#include <optional>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <thread>

namespace {

// The port area after Test or Go, whether the reader was found, and the beeps
// and messages that came, on one line.
QString shown(const ProgramWindow& bench)
{
    const frmMain& window = *bench.window;
    QStringList parts{window.btnOpen->text(),     window.txtDeviceDriver->text(),
                      window.lblDevice->text(),   window.lblCurrPort->text(),
                      window.txtCurrName->text(), window.MSComm1->PortOpen() ? "open" : "shut"};
    parts << (window.bReaderFound ? "found" : "-")
          << QStringLiteral("%1 beep").arg(bench.desktop.beeps);
    for (const auto& [text, style, title] : bench.desktop.messages) {
        parts << QStringLiteral("%1 %2: %3").arg(style).arg(title, text);
    }
    return parts.join(" | ");
}

// Go with these lines; "/rawxact" lines await a reply.
void go(frmMain& window, const QString& lines)
{
    QList<std::pair<QString, bool>> entries;
    for (const QString& line : lines.split(';')) {
        entries.append({line, line.startsWith("/rawxact")});
    }
    loadCommandList(window, entries, false);
    window.btnSend->click();
}

// Whether `text` is `pattern`, where one '*' may stand for any text.
bool matches(const QString& text, const QString& pattern)
{
    const QString head = pattern.section('*', 0, 0);
    const QString tail = pattern.section('*', 1);
    return text == pattern || (pattern.contains('*') && text.size() >= head.size() + tail.size() &&
                               text.startsWith(head) && text.endsWith(tail));
}

// Another process holds port 5 through the serial component's lock until it is killed.
pid_t holdPortElsewhere()
{
    int ready[2];
    char held = 0;
    EXPECT_EQ(pipe(ready), 0);
    const pid_t child = fork();
    if (child == 0) {
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        MSComm port(nullptr);
        port.setCommPort(5);
        held = port.setPortOpen(true) ? 0 : 1;
        if (write(ready[1], &held, 1) == 1) {
            pause();
        }
        _exit(0);
    }
    close(ready[1]);
    EXPECT_TRUE(read(ready[0], &held, 1) == 1 && held == 1) << "the other process holds no port";
    close(ready[0]);
    return child;
}

enum class Fault { None, Stopped, KilledOpen, KilledAtLine, Held, SilentDevice };

// A reader or driver in some state, and what Test, or Go with its lines,
// shows. Given `flood`, the reader is played on a pseudo-terminal with
// kvr-sim's replies, but `flood` as its reply to `floodAt`, or sent once Test
// has found it; each reply is written by a thread of its own after the one
// before, as fast as the line takes it however busy the window is.
struct Condition {
    const char* what;
    QString selector;
    QString driver; // kvr-sim's options; none: no driver runs
    Fault fault;
    QString shown;
    QString run = {};
    QString transcript = {};
    QString received = {}; // the lines of the run the driver received
    int tick = 5;
    QByteArray floodAt = {};
    QByteArray flood = {};
};

const QMap<QByteArray, QByteArray> kSimReplies{
    {"/ver", "/ver KVR-SIM 2.10\r\n"},
    {"/get dev_version", "/get dev_version value: RDR-4000 v3.1\n"},
    {"/rawxact one", "/rawxact:ACK one\r\n"},
    {"/rawxact two", "/rawxact:ACK two\r\n"}};
// Replies nobody asked for, of every shape the reader gives but the raw reply, one to a line.
const QByteArray kUnsolicited =
    "/ver 9.99\r\n/get dev_version value: LATE-0001\n/write ok\r\n/read status 0\r\n";
const QByteArray kRandom = randomBytes(1 << 20);

const QString kBench = "KVR Reader 0 (COM5)";
const QString kNoReader = "&Open Port | Port opened but did not detect reader |  | 5 | ";
const QString kRefused = "&Open Port |  |  |  |  | shut | - | 1 beep | 48 Error: ";
const QString kFound =
    "&Open Port | KVR-SIM 2.10 | RDR-4000 v3.1 | 5 | KVR Reader 0 | open | found | 0 beep";
const QString kNotOpened = "&Test | closed | none |  |  | shut | - | 1 beep | 80 Warning: KVR "
                           "Reader 0 (COM5) did not open.  Please correct and retry.";
const QString kCannotOpen = "&Open Port | Cannot open device.  (Err #";
const QString kRan = "&Test | closed | none | 5 | KVR Reader 0 | shut | - | 0 beep";

// A flood at the reply to "/rawxact one" is met by Go with two lines, any other by Test.
Condition flood(const char* what, const QByteArray& at, const QByteArray& bytes,
                const QString& shownByTest = kFound, const QString& firstReply = "ACK one")
{
    if (at != "/rawxact one") {
        return {what, kBench, "", Fault::None, shownByTest, "", "", "", 60, at, bytes};
    }
    const QString transcript =
        transcriptOf("/rawxact one --> " + firstReply + ";/rawxact two --> ACK two");
    return {what,       kBench, "", Fault::None, kRan, "/rawxact one;/rawxact two",
            transcript, "",     60, at,          bytes};
}

const Condition kConditions[] = {
    {"the second reader", "KVR Reader 1 (COM12)", "--readers 2 --first-port 11", Fault::None,
     "&Open Port | KVR-SIM 2.10 | RDR-4000 v3.1 | 12 | KVR Reader 1 | open | found | 0 beep"},
    {"no device version", "com7", "--no-device-version --first-port 7", Fault::None,
     "&Open Port | KVR-SIM 2.10 | (none returned) | 7 | com7 | open | found | 0 beep"},
    {"a device name asks the driver for its port", " KVR1 ", "--readers 2 --first-port 8",
     Fault::None, "&Open Port | KVR-SIM 2.10 | RDR-4000 v3.1 | 9 |  KVR1  | open | found | 0 beep"},
    {"a silent reader", kBench, "--silent", Fault::None, kNoReader + " | open | - | 1 beep"},
    {"no port", "COM4", "", Fault::None, kRefused + "\"COM4\" is not a legal virtual com port."},
    {"no port", "COM", "", Fault::None, kRefused + "\"COM\" is not a legal virtual com port."},
    {"no port", "MyCOMport", "", Fault::None,
     kRefused + "\"MyCOMport\" is not a legal virtual com port."},
    {"no port", "  Old (COM3)  ", "", Fault::None,
     kRefused + "\"Old (COM3)\" is not a legal virtual com port."},
    {"no device", "NoSuchDevice", "", Fault::None, kRefused + "Unable to open the device"},
    {"no device", "../registry.reg", "", Fault::None, kRefused + "Unable to open the device"},
    {"no device", "..", "", Fault::None, kRefused + "Unable to open the device"},
    {"no device", "dev\\KVR0", "", Fault::None, kRefused + "Unable to open the device"},
    {"a stopped driver's device", "KVR0", "", Fault::Stopped,
     kRefused + "Unable to open the device"},
    {"a silent device", "Silent", "", Fault::SilentDevice, kRefused + "Could not get port number!"},
    {"the driver stopped", kBench, "", Fault::Stopped,
     kCannotOpen + "8002 Invalid port number) |  |  |  | shut | - | 1 beep"},
    {"the port held by another process", kBench, "--readers 1", Fault::Held,
     kCannotOpen + "8005 Port already open) |  |  |  | shut | - | 1 beep"},
    {"the driver killed while the port settles", kBench, "--readers 1", Fault::KilledOpen,
     kNoReader + " | shut | - | 1 beep"},
    {"the port closed at /ver", kBench, "--close-after 1", Fault::None,
     kNoReader + " | shut | - | 1 beep"},
    {"the port closed at /get dev_version", kBench, "--close-after 2", Fault::None,
     "&Open Port | KVR-SIM 2.10 | (none returned) | 5 | KVR Reader 0 | shut | found | 0 beep"},
    {"Go, the driver stopped", kBench, "", Fault::Stopped, kNotOpened, "/rawxact never"},
    {"Go, the port held by another process", kBench, "--readers 1", Fault::Held, kNotOpened,
     "/rawxact never"},
    // Killed once it has the first line, whose reply it holds back; a longer
    // tick lets the dialogues' held-back replies come in time.
    {"Go, the driver killed at the first line", kBench, "--delay 300", Fault::KilledAtLine, kRan,
     "/rawxact one;/rawsend two;/rawxact three",
     transcriptOf("/rawxact one -->  NO RESPONSE!!!!;/rawsend two;/rawxact three -->  NO "
                  "RESPONSE!!!!"),
     "COM5: /rawxact one", 20},
    // The run does not look at its second dialogue's outcome: every line goes nowhere.
    {"Go, the port closed at the second dialogue's /ver", kBench, "--close-after 3", Fault::None,
     "&Test | closed | none | 5 |  | shut | - | 1 beep", "/rawxact again",
     transcriptOf("/rawxact again -->  NO RESPONSE!!!!")},
    {"Go, the port closed at the second of four /rawsend lines", kBench, "--close-after 6",
     Fault::None, kRan, "/rawsend a;/rawsend b;/rawsend c;/rawsend d;/rawxact e",
     transcriptOf("/rawsend a;/rawsend b;/rawsend c;/rawsend d;/rawxact e -->  NO RESPONSE!!!!"),
     "COM5: /rawsend a;COM5: /rawsend b"},
    // The program's own tick: a flood comes inside the reply's 3-s wait. Bytes
    // right behind a reply can join its reading, as on a real line: the reply
    // keeps its place and its text, and the next reading is untouched.
    flood("1 MiB of random bytes while idle", "", kRandom + "/rawxact:taken\r\n"),
    flood("10,000 unsolicited replies while idle", "",
          (kUnsolicited + "/rawxact:late\r\n").repeated(2000) + "/rawxact:taken\r\n"),
    flood("1 MiB ahead of the /ver reply", "/ver", kRandom + kSimReplies["/ver"]),
    flood("1 MiB right behind the /ver reply", "/ver", kSimReplies["/ver"] + kRandom,
          "&Open Port | KVR-SIM 2.10*RDR-4000 v3.1 | 5 | KVR Reader 0 | open | found | 0 beep"),
    flood("1 MiB ahead of a /rawxact reply", "/rawxact one", kRandom + kSimReplies["/rawxact one"]),
    flood("10,000 unsolicited replies ahead of a /rawxact reply", "/rawxact one",
          kUnsolicited.repeated(2500) + kSimReplies["/rawxact one"]),
    flood("1 MiB right behind a /rawxact reply", "/rawxact one",
          kSimReplies["/rawxact one"] + kRandom, "", "ACK one*"),
};

// After each condition Test and Go work again once a sound driver runs.
TEST(TestAndGo, ShowWhatTheReaderAndTheDriverDo)
{
    for (const Condition& c : kConditions) {
        SCOPED_TRACE(std::string(c.what) + ": " + c.selector.toStdString());
        ProgramWindow bench(QMap<QByteArray, QByteArray>{});
        frmMain& window = *bench.window;
        if (c.flood.isEmpty()) {
            window.MSComm1->setPortLocator(SerialLink::systemName);
        }
        window.Combo2->setEditText(c.selector);
        window.Timer1->setInterval(c.tick);
        std::jthread writer;
        const auto reply = [&](const QByteArray& bytes) {
            writer = std::jthread([&bench, bytes, before = std::move(writer)]() mutable {
                if (before.joinable()) {
                    before.join();
                }
                bench.reader.send(bytes);
            });
        };
        bench.reader.whenReceived = [&](const QByteArray& line) {
            reply(line == c.floodAt ? c.flood : kSimReplies.value(line));
        };
        if (c.fault == Fault::Stopped) {
            ASSERT_TRUE(SimulatedDriver({}).ready());
        }
        DriverLog log;
        std::optional<SimulatedDriver> driver;
        if (!c.driver.isEmpty()) {
            ASSERT_TRUE(
                driver.emplace(c.driver.split(' ') + QStringList{"--log", log.path()}).ready());
        }
        const pid_t holder = c.fault == Fault::Held ? holdPortElsewhere() : 0;
        std::optional<DriverDeviceLink> device;
        if (c.fault == Fault::SilentDevice) {
            device.emplace("Silent");
        }
        QTimer killer;
        QObject::connect(&killer, &QTimer::timeout, [&] {
            if ((c.fault == Fault::KilledOpen && window.MSComm1->PortOpen()) ||
                (c.fault == Fault::KilledAtLine && !log.commands().isEmpty())) {
                driver->kill();
                killer.stop();
            }
        });
        killer.start(1);

        c.run.isEmpty() ? window.btnOpen->click() : go(window, c.run);
        if (!c.flood.isEmpty() && c.floodAt.isEmpty()) {
            // The last words are a raw reply: once the window has it, it has taken everything.
            reply(c.flood);
            EXPECT_TRUE(QTest::qWaitFor([&] { return window.sRawReply.endsWith("taken"); }, 60000));
        }
        EXPECT_TRUE(matches(shown(bench), c.shown)) << shown(bench).left(300).toStdString();
        EXPECT_EQ(log.commands().join(';'), c.received);
        EXPECT_TRUE(c.transcript.isEmpty() || matches(window.txtCommandList->text(), c.transcript))
            << window.txtCommandList->text().left(300).toStdString();
        EXPECT_TRUE(!device || device->pty.read(14).startsWith("/get port_name"));

        if (holder > 0) {
            kill(holder, SIGKILL);
            waitpid(holder, nullptr, 0);
        }
        driver.emplace(QStringList{"--readers", "1"});
        ASSERT_TRUE(driver->ready());
        bench.desktop = {};
        window.MSComm1->setPortLocator(SerialLink::systemName);
        window.Timer1->setInterval(5);
        window.Combo2->setEditText(kBench);
        window.btnOpen->click();
        EXPECT_EQ(shown(bench), kFound);
        go(window, "/rawxact again");
        EXPECT_EQ(window.txtCommandList->text(), transcriptOf("/rawxact again --> ACK again"));
        EXPECT_EQ(shown(bench), kRan);
    }
}

// A raw reply during the dialogue goes to its own place; a device version
// after the dialogue is still shown, but leaves the button where it is; a
// driver version while no dialogue waits changes nothing.
TEST(OpenDialogue, LateRepliesAfterADialogueWithoutReader)
{
    ProgramWindow bench({{"/ver", "/rawxact:  late answer\r\n"}});
    frmMain& window = *bench.window;
    window.btnOpen->click();
    EXPECT_EQ(window.sRawReply, "late answer");
    EXPECT_EQ(shown(bench), kNoReader + " | open | - | 1 beep");

    bench.reader.send("/get dev_version value: RDR\n");
    EXPECT_TRUE(QTest::qWaitFor([&] { return window.lblDevice->text() == "RDR"; }, 5000));
    EXPECT_EQ(window.txtCurrName->text(), "Bench (COM5)");
    EXPECT_FALSE(window.btnOpen->isHidden());
    bench.reader.send("/ver 9.99\r\n");
    QTest::qWait(200);
    EXPECT_EQ(window.txtDeviceDriver->text(), "Port opened but did not detect reader");
}

// Timer1 ticks by the real clock (60 ms here, as in the program). The window
// handles events while the driver's device is asked: it answers after a
// second, from the test's own event loop. The port then settles for two ticks
// counted from a fresh start of Timer1 (the wait ends on the third), however
// long the answer took, and a reader that never gives its device version is
// waited for 100 ticks (the wait ends on the 101st). Times are only bounded
// from below, which no slow machine breaks; ticks are counted.
TEST(OpenDialogue, WaitsFollowTheRealClock)
{
    ProgramWindow bench({{"/ver", "/ver 1.02\r\n"}});
    frmMain& window = *bench.window;
    window.Timer1->setInterval(60);
    DriverDeviceLink device("Late");
    QElapsedTimer clock;
    clock.start();
    int ticks = 0;
    QObject::connect(window.Timer1, &QTimer::timeout, [&ticks] { ++ticks; });
    std::map<QByteArray, std::pair<qint64, int>> received; // when, and after how many ticks
    bench.reader.whenReceived = [&](const QByteArray& line) {
        received[line] = {clock.elapsed(), ticks};
    };
    // The port number stands at characters 28 to 30 of the device's answer.
    qint64 answered = 0;
    QTimer::singleShot(1000, &window, [&] {
        answered = clock.elapsed();
        device.pty.write(QByteArray("Port").leftJustified(27, ' ') + "12 (COM12)\r\n");
    });
    window.Combo2->setEditText("Late");
    window.btnOpen->click();
    EXPECT_EQ(shown(bench),
              "&Open Port | 1.02 | (none returned) | 12 | Late | open | found | 0 beep");
    EXPECT_GE(received["/ver"].first - answered, 175) << "the port settled for less than 3 ticks";
    EXPECT_GE(clock.elapsed() - received["/get dev_version"].first, 6000);
    EXPECT_LE(ticks - received["/get dev_version"].second, 101);
}

} // namespace
