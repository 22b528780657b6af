#include "device/DriverDeviceLink.h"
#include "device/SerialLink.h"
#include "support/DriverLog.h"
#include "support/FloodingReader.h"
#include "support/PaintWatch.h"
#include "support/ProgramWindow.h"
#include "support/QtPrinters.h"
#include "support/RandomBytes.h"
#include "support/SimulatedDriver.h"
#include "ui/AutoSizeLabel.h"
#include "ui/ColourButton.h"
#include "ui/EventWait.h"
#include "ui/TextBox.h"

#include <QElapsedTimer>
#include <QRegularExpression>
#include <QTest>

#include <map>
#include <optional>

namespace {

using namespace std::chrono_literals;

// The port area after Test or Go, with the beeps and messages that came, on one line.
QString shown(const ProgramWindow& bench)
{
    const frmMain& window = *bench.window;
    QStringList parts{window.btnOpen->text(),     window.txtDeviceDriver->text(),
                      window.lblDevice->text(),   window.lblCurrPort->text(),
                      window.txtCurrName->text(), window.MSComm1->PortOpen() ? "open" : "shut"};
    if (window.bReaderFound) {
        parts << "found";
    }
    if (bench.desktop.beeps > 0) {
        parts << QStringLiteral("%1 beep").arg(bench.desktop.beeps);
    }
    for (const auto& [text, style, title] : bench.desktop.messages) {
        parts << QStringLiteral("%1 %2: %3").arg(style).arg(title, text);
    }
    return parts.join(" | ");
}

// A run's transcript: each of `lines` (';' between them) after " Sending: ".
QString transcriptOf(const QString& lines)
{
    const QString rule(45, u'=');
    return "Sending Commands:\r\n" + rule +
           "\r\n Sending: " + lines.split(';').join("\r\n Sending: ") + "\r\n" + rule + "\r\nDone";
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

// Whether `text` is `pattern`, where each '*' stands for any text.
bool matches(const QString& text, const QString& pattern)
{
    QStringList pieces = pattern.split('*');
    for (QString& piece : pieces) {
        piece = QRegularExpression::escape(piece);
    }
    return QRegularExpression("\\A" + pieces.join(".*") + "\\z",
                              QRegularExpression::DotMatchesEverythingOption)
        .match(text)
        .hasMatch();
}

enum class Fault { None, Stopped, KilledOpen, KilledAtLine, Held, SilentDevice, Flood };

// A reader or driver in some state, and what Test, or Go with its lines,
// shows. A flooding reader answers as kvr-sim does and sends `bytes` as fast
// as the line takes them: ahead of its reply to `floodAt`, or behind it, or
// with no line once Test has found it.
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
    bool behind = false;
    QByteArray bytes = {};
};

// Replies nobody asked for, of every shape the reader gives, one to a line.
QByteArray unsolicited(bool withRawReplies)
{
    const QByteArray shapes[] = {"/ver 9.99\r\n", "/get dev_version value: LATE-0001\n",
                                 "/write ok\r\n", "/read status 0\r\n", "/rawxact:late\r\n"};
    QByteArray lines;
    for (int i = 0; i < 10000; ++i) {
        lines += shapes[i % (withRawReplies ? 5 : 4)];
    }
    return lines;
}

const QString kBench = "KVR Reader 0 (COM5)";
const QString kNoReader = "&Open Port | Port opened but did not detect reader |  | 5 | ";
const QString kRefused = "&Open Port |  |  |  |  | shut | 1 beep | 48 Error: ";
const QString kFound =
    "&Open Port | KVR-SIM 2.10 | RDR-4000 v3.1 | 5 | KVR Reader 0 | open | found";
const QByteArray kRandom = randomBytes(1 << 20);
const QString kNotOpened = "&Test | closed | none |  |  | shut | 1 beep | 80 Warning: KVR Reader 0 "
                           "(COM5) did not open.  Please correct and retry.";

// A flood at a reply to `floodAt` is met by Go if that is a command, else
// by Test; with no line, after Test has found the reader.
Condition flood(const char* what, const QByteArray& floodAt, bool behind, const QByteArray& bytes,
                const QString& shownByTest = kFound, const QString& firstReply = "ACK one")
{
    const bool go = floodAt.startsWith("/rawxact");
    return {what,
            kBench,
            "",
            Fault::Flood,
            go ? "&Test | closed | none | 5 | KVR Reader 0 | shut" : shownByTest,
            go ? "/rawxact one;/rawxact two" : "",
            go ? transcriptOf("/rawxact one --> " + firstReply + ";/rawxact two --> ACK two") : "",
            "",
            60,
            floodAt,
            behind,
            bytes};
}

const Condition kConditions[] = {
    {"the second reader", "KVR Reader 1 (COM12)", "--readers 2 --first-port 11", Fault::None,
     "&Open Port | KVR-SIM 2.10 | RDR-4000 v3.1 | 12 | KVR Reader 1 | open | found"},
    {"no device version", "com7", "--no-device-version --first-port 7", Fault::None,
     "&Open Port | KVR-SIM 2.10 | (none returned) | 7 | com7 | open | found"},
    {"a device name asks the driver for its port", " KVR1 ", "--readers 2 --first-port 8",
     Fault::None, "&Open Port | KVR-SIM 2.10 | RDR-4000 v3.1 | 9 |  KVR1  | open | found"},
    {"a silent reader", kBench, "--silent", Fault::None, kNoReader + " | open | 1 beep"},
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
     "&Open Port | Cannot open device.  (Err #8002 Invalid port number) |  |  |  | shut | 1 beep"},
    {"the port held elsewhere", kBench, "--readers 1", Fault::Held,
     "&Open Port | Cannot open device.  (Err #8005 Port already open) |  |  |  | shut | 1 beep"},
    {"the driver killed while the port settles", kBench, "--readers 1", Fault::KilledOpen,
     kNoReader + " | shut | 1 beep"},
    {"the port closed at /ver", kBench, "--close-after 1", Fault::None,
     kNoReader + " | shut | 1 beep"},
    {"the port closed at /get dev_version", kBench, "--close-after 2", Fault::None,
     "&Open Port | KVR-SIM 2.10 | (none returned) | 5 | KVR Reader 0 | shut | found"},
    {"Go, the driver stopped", kBench, "", Fault::Stopped, kNotOpened, "/rawxact never"},
    {"Go, the port held elsewhere", kBench, "--readers 1", Fault::Held, kNotOpened,
     "/rawxact never"},
    // Killed once it has the first line, whose reply it holds back; a longer
    // tick lets the dialogues' held-back replies come in time.
    {"Go, the driver killed at the first line", kBench, "--delay 300", Fault::KilledAtLine,
     "&Test | closed | none | 5 | KVR Reader 0 | shut", "/rawxact one;/rawsend two;/rawxact three",
     transcriptOf("/rawxact one -->  NO RESPONSE!!!!;/rawsend two;/rawxact three -->  NO "
                  "RESPONSE!!!!"),
     "COM5: /rawxact one", 20},
    // The run does not look at its second dialogue's outcome: every line goes nowhere.
    {"Go, the port closed at the second dialogue's /ver", kBench, "--close-after 3", Fault::None,
     "&Test | closed | none | 5 |  | shut | 1 beep", "/rawxact again",
     transcriptOf("/rawxact again -->  NO RESPONSE!!!!")},
    {"Go, the port closed at the second of four /rawsend lines", kBench, "--close-after 6",
     Fault::None, "&Test | closed | none | 5 | KVR Reader 0 | shut",
     "/rawsend a;/rawsend b;/rawsend c;/rawsend d;/rawxact e",
     transcriptOf("/rawsend a;/rawsend b;/rawsend c;/rawsend d;/rawxact e -->  NO RESPONSE!!!!"),
     "COM5: /rawsend a;COM5: /rawsend b"},
    // The program's own tick: a flood comes inside the reply's 3-s wait. Bytes
    // right behind a reply can join its reading, as on a real line: the reply
    // keeps its place and its text, and the next reading is untouched.
    flood("1 MiB of random bytes while idle", "", false, kRandom),
    flood("10,000 unsolicited replies while idle", "", false, unsolicited(true)),
    flood("1 MiB ahead of the /ver reply", "/ver", false, kRandom),
    flood("1 MiB right behind the /ver reply", "/ver", true, kRandom,
          "&Open Port | KVR-SIM 2.10*RDR-4000 v3.1 | 5 | KVR Reader 0 | open | found"),
    flood("1 MiB ahead of a /rawxact reply", "/rawxact one", false, kRandom),
    flood("10,000 unsolicited replies ahead of a /rawxact reply", "/rawxact one", false,
          unsolicited(false)),
    flood("1 MiB right behind a /rawxact reply", "/rawxact one", true, kRandom, "", "ACK one*"),
};

// After each condition Test and Go work again once a sound driver runs.
TEST(TestAndGo, ShowWhatTheReaderAndTheDriverDo)
{
    for (const Condition& c : kConditions) {
        SCOPED_TRACE(std::string(c.what) + ": " + c.selector.toStdString());
        ProgramWindow bench;
        frmMain& window = *bench.window;
        window.MSComm1->setPortLocator(SerialLink::systemName);
        window.Combo2->setEditText(c.selector);
        window.Timer1->setInterval(c.tick);
        if (c.fault == Fault::Stopped) {
            ASSERT_TRUE(SimulatedDriver({}).ready());
        }
        DriverLog log;
        std::optional<SimulatedDriver> driver;
        if (!c.driver.isEmpty()) {
            ASSERT_TRUE(
                driver.emplace(c.driver.split(' ') + QStringList{"--log", log.path()}).ready());
        }
        MSComm elsewhere(nullptr);
        elsewhere.setCommPort(5);
        if (c.fault == Fault::Held) {
            ASSERT_FALSE(elsewhere.setPortOpen(true));
        }
        FloodingReader flooding({{"/ver", "/ver KVR-SIM 2.10\r\n"},
                                 {"/get dev_version", "/get dev_version value: RDR-4000 v3.1\n"},
                                 {"/rawxact one", "/rawxact:ACK one\r\n"},
                                 {"/rawxact two", "/rawxact:ACK two\r\n"}});
        if (c.fault == Fault::Flood) {
            window.MSComm1->setPortLocator([&flooding](int) { return flooding.path(); });
            flooding.sendWith(c.floodAt, c.bytes, c.behind);
        }
        std::optional<DriverDeviceLink> device;
        if (c.fault == Fault::SilentDevice) {
            device.emplace("Silent");
        }
        QTimer killer;
        QObject::connect(&killer, &QTimer::timeout, [&] {
            if (c.fault == Fault::KilledOpen ? window.MSComm1->PortOpen()
                                             : !log.commands().isEmpty()) {
                driver->kill();
                killer.stop();
            }
        });
        if (c.fault == Fault::KilledOpen || c.fault == Fault::KilledAtLine) {
            killer.start(1);
        }

        c.run.isEmpty() ? window.btnOpen->click() : go(window, c.run);
        if (c.fault == Fault::Flood && c.floodAt.isEmpty()) {
            // The last words are a raw reply: once the window has it, it has taken everything.
            flooding.send(c.bytes + "/rawxact:taken\r\n");
            const SteadyClock clock;
            processEventsUntil(clock, clock.now() + 60s,
                               [&] { return window.sRawReply.endsWith("taken"); });
            EXPECT_TRUE(window.sRawReply.endsWith("taken"));
        }
        EXPECT_TRUE(matches(shown(bench), c.shown)) << shown(bench).left(300).toStdString();
        EXPECT_EQ(log.commands().join(';'), c.received);
        EXPECT_TRUE(c.transcript.isEmpty() || matches(window.txtCommandList->text(), c.transcript))
            << window.txtCommandList->text().left(300).toStdString();
        EXPECT_TRUE(!device || device->pty.read(14).startsWith("/get port_name"));

        elsewhere.setPortOpen(false);
        driver.emplace(QStringList{"--readers", "1"});
        ASSERT_TRUE(driver->ready());
        bench.desktop.messages.clear();
        bench.desktop.beeps = 0;
        window.MSComm1->setPortLocator(SerialLink::systemName);
        window.Timer1->setInterval(5);
        window.Combo2->setEditText(kBench);
        window.btnOpen->click();
        EXPECT_EQ(shown(bench), kFound);
        go(window, "/rawxact again");
        EXPECT_EQ(window.txtCommandList->text(), transcriptOf("/rawxact again --> ACK again"));
        EXPECT_EQ(shown(bench), "&Test | closed | none | 5 | KVR Reader 0 | shut");
    }
}

// A raw reply during the dialogue goes to its own place; a device version
// after the dialogue is still shown, but leaves the button where it is; a
// driver version while no dialogue waits changes nothing.
TEST(OpenDialogue, LateRepliesAfterADialogueWithoutReader)
{
    ProgramWindow bench;
    frmMain& window = *bench.window;
    ScriptedReader reader({{"/ver", "/rawxact:  late answer\r\n"}});
    window.MSComm1->setPortLocator([&reader](int) { return reader.path(); });
    window.btnOpen->click();
    EXPECT_EQ(window.sRawReply, "late answer");
    EXPECT_EQ(shown(bench), kNoReader + " | open | 1 beep");

    reader.send("/get dev_version value: RDR\n");
    EXPECT_TRUE(QTest::qWaitFor([&] { return window.lblDevice->text() == "RDR"; }, 5000));
    EXPECT_EQ(window.txtCurrName->text(), "Bench (COM5)");
    EXPECT_FALSE(window.btnOpen->isHidden());
    reader.send("/ver 9.99\r\n");
    QTest::qWait(200);
    EXPECT_EQ(window.txtDeviceDriver->text(), "Port opened but did not detect reader");
}

// Timer1 ticks by the real clock (60 ms here, as in the program). The window
// handles events while the driver's device is asked: it answers after a
// second, from the test's own event loop. The port then settles for two
// ticks counted from a fresh start of Timer1 (the wait ends on the third),
// however long that took, and a reader that never gives its device
// version is waited for 100 ticks; the upper bound only catches a wait that
// counts its ticks twice.
TEST(OpenDialogue, WaitsFollowTheRealClock)
{
    ProgramWindow bench;
    frmMain& window = *bench.window;
    window.Timer1->setInterval(60);
    DriverDeviceLink device("Late");
    ScriptedReader reader({{"/ver", "/ver 1.02\r\n"}});
    window.MSComm1->setPortLocator([&reader](int) { return reader.path(); });
    QElapsedTimer clock;
    clock.start();
    std::map<QByteArray, qint64> received;
    reader.whenReceived = [&](const QByteArray& line) { received[line] = clock.elapsed(); };
    // The port number, painted at once, is the last thing before the port opens.
    qint64 portShown = -1;
    PaintWatch portPainted(window.lblCurrPort, [&] {
        portShown =
            portShown < 0 && window.lblCurrPort->text() == "12" ? clock.elapsed() : portShown;
    });
    // The port number stands at characters 28 to 30 of the device's answer.
    QTimer::singleShot(1000, &window, [&device] {
        device.pty.write(QByteArray("Port").leftJustified(27, ' ') + "12 (COM12)\r\n");
    });
    window.Combo2->setEditText("Late");
    window.btnOpen->click();
    const qint64 deviceVersionWait = clock.elapsed() - received["/get dev_version"];
    EXPECT_EQ(shown(bench), "&Open Port | 1.02 | (none returned) | 12 | Late | open | found");
    ASSERT_GE(portShown, 1000);
    EXPECT_GE(received["/ver"] - portShown, 175) << "the port settled for less than 2 + 1 ticks";
    EXPECT_GE(deviceVersionWait, 6000);
    EXPECT_LT(deviceVersionWait, 11000);
}

} // namespace
