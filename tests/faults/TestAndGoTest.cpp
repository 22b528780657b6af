#include "app/TerminationSignals.h"
#include "support/WindowTests.h"
#include "ui/ModalWindows.h"
#include "ui/frmAbout.h"

#include <QRegularExpression>

#include <algorithm>
#include <sys/wait.h>

namespace {

using namespace std::chrono_literals;
using Replies = QMap<QByteArray, QByteArray>;

QString transcriptOf(const QString& lines)
{
    const QString rule(45, u'=');
    return "Sending Commands:\r\n" + rule +
           "\r\n Sending: " + lines.split(';').join("\r\n Sending: ") + "\r\n" + rule + "\r\nDone";
}

// A window as Main makes it, destroyed when closed, on a reader answering `replies`; a run loaded.
struct ProgramWindow {
    explicit ProgramWindow(Replies replies)
        : reader(std::move(replies))
    {
        window->setAttribute(Qt::WA_DeleteOnClose);
        ui().Timer1()->setInterval(5);
        ui().MSComm1()->setPortLocator([this](int) { return reader.path(); });
        ui().Combo2()->setEditText("Bench (COM5)");
        loadCommandList(*window, {{"/rawxact first", true}, {"/rawsend second", false}}, false);
        window->show();
    }
    ~ProgramWindow() { delete window; }
    WindowAccess ui() const { return access(*window); }

    ScriptedReader reader;
    ManualClock clock;
    ClockDriver clockDriver{clock, 100ms};
    TempProgram program;
    RecordingDesktop desktop;
    QPointer<frmMain> window = new frmMain(desktop, clock, program.file());
};

// The driver's device "Silent" in the KVR folder, played by the test on a pseudo-terminal.
struct DriverDeviceLink {
    DriverDeviceLink()
    {
        QDir().mkpath(QFileInfo(link).absolutePath());
        EXPECT_TRUE(QFile::link(pty.slavePath(), link));
    }
    ~DriverDeviceLink() { QFile::remove(link); }

    const QString link = qEnvironmentVariable("XDG_RUNTIME_DIR") + "/kvr/devices/Silent";
    Pty pty;
};

QString shown(const ProgramWindow& bench)
{
    const WindowAccess w = bench.ui();
    QStringList parts{w.btnOpen()->text(), w.txtDeviceDriver()->text(), w.lblDevice()->text()};
    parts << w.lblCurrPort()->text() << w.txtCurrName()->text()
          << (w.MSComm1()->PortOpen() ? "open" : "shut") << (w.bReaderFound() ? "found" : "-")
          << QStringLiteral("%1 beep").arg(bench.desktop.beeps);
    for (const auto& [text, style, title] : bench.desktop.messages) {
        parts << QStringLiteral("%1 %2: %3").arg(style).arg(title, text);
    }
    return parts.join(" | ");
}

void go(const WindowAccess& w, const QString& lines)
{
    QList<std::pair<QString, bool>> entries;
    for (const QString& line : lines.split(';')) {
        entries.append({line, line.startsWith("/rawxact")});
    }
    loadCommandList(w.window, entries, false);
    w.btnSend()->click();
}

// Another process holds port 5 through the serial component's lock, stopped until it is killed.
pid_t holdPortElsewhere()
{
    const pid_t child = fork();
    if (child == 0) {
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        MSComm port(nullptr);
        port.setCommPort(5);
        _exit(port.setPortOpen(true) ? 1 : raise(SIGSTOP));
    }
    int status = 0;
    EXPECT_TRUE(waitpid(child, &status, WUNTRACED) == child && WIFSTOPPED(status))
        << "the other process holds no port";
    return child;
}

enum class Fault { None, Stopped, KilledOpen, KilledAtLine, Held, SilentDevice };
struct Condition {
    const char* what;
    QString selector;
    QString driver; // kvr-sim's options; none: no driver runs
    QString shown;
    Fault fault = Fault::None;
    QString run = {};
    QString transcript = {};
    QString received = {}; // the lines of the run the driver received
    int tick = 5;
};

const QString kBench = "KVR Reader 0 (COM5)";
const QString kNoReader = "&Open Port | Port opened but did not detect reader |  | 5 | ";
const QString kLost = kNoReader + " | shut | - | 1 beep";
const QString kRefused = "&Open Port |  |  |  |  | shut | - | 1 beep | 48 Error: ";
const QString kNotLegal = " is not a legal virtual com port.";
const QString kFound =
    "&Open Port | KVR-SIM 2.10 | RDR-4000 v3.1 | 5 | KVR Reader 0 | open | found | 0 beep";
const QString kNotOpened = "&Test | closed | none |  |  | shut | - | 1 beep | 80 Warning: KVR "
                           "Reader 0 (COM5) did not open.  Please correct and retry.";
const QString kCannotOpen = "&Open Port | Cannot open device.  (Err #";
const QString kRan = "&Test | closed | none | 5 | KVR Reader 0 | shut | - | 0 beep";
const QString kNoResponse = " -->  NO RESPONSE!!!!";

const Condition kConditions[] = {
    {"the second reader", "KVR Reader 1 (COM12)", "--readers 2 --first-port 11",
     "&Open Port | KVR-SIM 2.10 | RDR-4000 v3.1 | 12 | KVR Reader 1 | open | found | 0 beep"},
    {"no device version", "com7", "--no-device-version --first-port 7",
     "&Open Port | KVR-SIM 2.10 | (none returned) | 7 | com7 | open | found | 0 beep"},
    {"a device name asks the driver for its port", " KVR1 ", "--readers 2 --first-port 8",
     "&Open Port | KVR-SIM 2.10 | RDR-4000 v3.1 | 9 |  KVR1  | open | found | 0 beep"},
    {"a silent reader", kBench, "--silent", kNoReader + " | open | - | 1 beep"},
    {"no port", "COM4", "", kRefused + "\"COM4\"" + kNotLegal},
    {"no port", "MyCOMport", "", kRefused + "\"MyCOMport\"" + kNotLegal},
    {"no port", "  Old (COM3)  ", "", kRefused + "\"Old (COM3)\"" + kNotLegal},
    {"no device", "NoSuchDevice", "", kRefused + "Unable to open the device"},
    {"a silent device", "Silent", "", kRefused + "Could not get port number!", Fault::SilentDevice},
    {"the driver stopped", kBench, "",
     kCannotOpen + "8002 Invalid port number) |  |  |  | shut | - | 1 beep", Fault::Stopped},
    {"the port held by another process", kBench, "--readers 1",
     kCannotOpen + "8005 Port already open) |  |  |  | shut | - | 1 beep", Fault::Held},
    {"the driver killed while the port settles", kBench, "--readers 1", kLost, Fault::KilledOpen},
    {"the port closed at /ver", kBench, "--close-after 1", kLost},
    {"the port closed at /get dev_version", kBench, "--close-after 2",
     "&Open Port | KVR-SIM 2.10 | (none returned) | 5 | KVR Reader 0 | shut | found | 0 beep"},
    {"Go, the driver stopped", kBench, "", kNotOpened, Fault::Stopped, "/rawxact never"},
    // Killed once it has the first line, its reply held back; a longer tick waits for the replies.
    {"Go, the driver killed at the first line", kBench, "--delay 300", kRan, Fault::KilledAtLine,
     "/rawxact one;/rawsend two;/rawxact three",
     transcriptOf("/rawxact one" + kNoResponse + ";/rawsend two;/rawxact three" + kNoResponse),
     "COM5: /rawxact one", 20},
    // The run does not look at its second dialogue's outcome: every line goes nowhere.
    {"Go, the port closed at the second dialogue's /ver", kBench, "--close-after 3",
     "&Test | closed | none | 5 |  | shut | - | 1 beep", Fault::None, "/rawxact again",
     transcriptOf("/rawxact again" + kNoResponse)},
    {"Go, the port closed at the second of four /rawsend lines", kBench, "--close-after 6", kRan,
     Fault::None, "/rawsend a;/rawsend b;/rawsend c;/rawsend d;/rawxact e",
     transcriptOf("/rawsend a;/rawsend b;/rawsend c;/rawsend d;/rawxact e" + kNoResponse),
     "COM5: /rawsend a;COM5: /rawsend b"},
};

void PrintTo(const Condition& c, std::ostream* out)
{
    *out << c.what << ": " << c.selector.toStdString();
}

// A case's name from a row's words: run together, each capitalised ("no port" is NoPort).
std::string caseName(const char* words)
{
    QString name;
    for (const QString& word :
         QString(words).split(QRegularExpression("[^A-Za-z0-9]"), Qt::SkipEmptyParts)) {
        name += word[0].toUpper() + word.mid(1);
    }
    return name.toStdString();
}

// After each condition Test and Go work again once a sound driver runs.
class TestAndGo : public testing::TestWithParam<Condition> {};
TEST_P(TestAndGo, ShowWhatTheReaderAndTheDriverDo)
{
    const Condition& c = GetParam();
    ProgramWindow bench({});
    const WindowAccess w = bench.ui();
    w.MSComm1()->setPortLocator(SerialLink::systemName);
    w.Combo2()->setEditText(c.selector);
    w.Timer1()->setInterval(c.tick);
    // A stopped driver: one that ran and ended, taking its ports and records along.
    ASSERT_TRUE(c.fault != Fault::Stopped || SimulatedDriver({}).ready());
    DriverLog log;
    std::optional<SimulatedDriver> driver;
    if (!c.driver.isEmpty()) {
        ASSERT_TRUE(driver.emplace(c.driver.split(' ') + QStringList{"--log", log.path()}).ready());
    }
    const pid_t holder = c.fault == Fault::Held ? holdPortElsewhere() : 0;
    const auto device =
        c.fault == Fault::SilentDevice ? std::make_unique<DriverDeviceLink>() : nullptr;
    QTimer killer;
    QObject::connect(&killer, &QTimer::timeout, [&] {
        if ((c.fault == Fault::KilledOpen && w.MSComm1()->PortOpen()) ||
            (c.fault == Fault::KilledAtLine && !log.commands().isEmpty())) {
            driver->kill();
            killer.stop();
        }
    });
    killer.start(1);

    c.run.isEmpty() ? w.btnOpen()->click() : go(w, c.run);
    EXPECT_TRUE(shown(bench) == c.shown) << shown(bench).left(300).toStdString();
    EXPECT_EQ(log.commands().join(';'), c.received);
    EXPECT_TRUE(c.transcript.isEmpty() || w.txtCommandList()->text() == c.transcript)
        << w.txtCommandList()->text().left(300).toStdString();
    EXPECT_TRUE(!device || device->pty.read(14).startsWith("/get port_name"));

    if (holder > 0) {
        kill(holder, SIGKILL);
        waitpid(holder, nullptr, 0);
    }
    ASSERT_TRUE(driver.emplace(QStringList{"--readers", "1"}).ready());
    bench.desktop = {};
    w.Timer1()->setInterval(5);
    w.Combo2()->setEditText(kBench);
    w.btnOpen()->click();
    EXPECT_EQ(shown(bench), kFound);
    go(w, "/rawxact again");
    EXPECT_EQ(w.txtCommandList()->text(), transcriptOf("/rawxact again --> ACK again"));
    EXPECT_EQ(shown(bench), kRan);
}

// Rows of the same words ("no port") are told apart by their place in the table.
INSTANTIATE_TEST_SUITE_P(EachCondition, TestAndGo, testing::ValuesIn(kConditions),
                         [](const testing::TestParamInfo<Condition>& row) {
                             return caseName(row.param.what) + "_" + std::to_string(row.index);
                         });

// A device version after a dialogue that found no reader is shown but leaves Test's button there.
TEST(OpenDialogue, ALateDeviceVersionLeavesTheButton)
{
    ProgramWindow bench({});
    bench.ui().btnOpen()->click();
    bench.reader.send("/get dev_version value: RDR\n");
    EXPECT_TRUE(QTest::qWaitFor([&] { return bench.ui().lblDevice()->text() == "RDR"; }, 5000));
    EXPECT_FALSE(bench.ui().btnOpen()->isHidden());
}

// `typed` and Enter as the user types them: press and release come through the event loop.
void typeEnter(QWidget* box, const QString& typed = {})
{
    QTest::keyClicks(box, typed);
    for (const auto type : {QEvent::KeyPress, QEvent::KeyRelease}) {
        QCoreApplication::postEvent(box, new QKeyEvent(type, Qt::Key_Return, Qt::NoModifier));
    }
}

struct Action {
    const char* name;
    bool closes;
    void (*deliver)(ProgramWindow&);
};

const Action kActions[] = {
    {"File, Open", false,
     [](auto& bench) {
         bench.desktop.filesToChoose = {madeFixture("rows-999.xls")};
         bench.ui().mnuFileOpen()->trigger();
     }},
    // An About that opens is closed again once it shows.
    {"Help, About", false,
     [](ProgramWindow& bench) {
         const auto abouts = [&bench] { return bench.window->findChildren<frmAbout*>().size(); };
         QTimer::singleShot(50ms, bench.window, [&bench, abouts, before = abouts()] {
             if (abouts() > before) {
                 bench.desktop.programsStarted << "About shown";
                 QApplication::activeModalWidget()->close();
             }
         });
         bench.ui().mnuHelpAbout()->trigger();
     }},
    {"Help, Show Help", false, [](auto& bench) { bench.ui().mnuShowHelp()->trigger(); }},
    {"File, Run Records", false, [](auto& bench) { bench.ui().mnuFileRunRecords()->trigger(); }},
    {"Test", false, [](auto& bench) { bench.ui().btnOpen()->click(); }},
    {"Enter in the port list", false,
     [](auto& bench) { typeEnter(bench.ui().Combo2()->lineEdit()); }},
    // Typing enables Go again while Test runs (a run keeps it disabled).
    {"Go", false,
     [](auto& bench) {
         QTest::keyClicks(bench.ui().txtSerialNumber(), "7");
         bench.ui().btnSend()->click();
     }},
    {"Enter in the serial-number box", false,
     [](auto& bench) { typeEnter(bench.ui().txtSerialNumber(), "7"); }},
    {"File, Exit", true, [](auto& bench) { bench.ui().mnuFileExit()->trigger(); }},
    {"Exit", true, [](auto& bench) { bench.ui().btnExit()->click(); }},
    {"the window's close button", true, [](auto& bench) { bench.window->close(); }},
    {"a termination signal", true, [](auto&) { ASSERT_EQ(raise(SIGTERM), 0); }},
};

enum class Setup { None, KeysHeld, DriverDevice, SilentReader, About };
// Where the action comes: once the reader has received `closedAt` (all it gets if the window closes
// there), else at the first wait of Test or Go, in Go's warning box, or while About is up. Only the
// closing actions come at every wait, the others at one wait of each kind.
struct BusyState {
    const char* name;
    bool go;
    Setup setup;
    bool everyAction;
    bool portOpen;
    QByteArray closedAt;
};

const Replies kAnswering{{"/ver", "/ver 1.0\r\n"},
                         {"/get dev_version", "/get dev_version value: RDR\n"}};
const QByteArray kTest = "/ver;/get dev_version";
const QByteArray kRun = kTest + ";" + kTest + ";/rawxact first;/rawsend second";

const BusyState kStates[] = {
    {"Test, the keys that started it held", false, Setup::KeysHeld, false, false, ""},
    {"Test, while the port settles", false, Setup::None, false, true, ""},
    {"Test, asking the driver's device", false, Setup::DriverDevice, false, false, ""},
    {"Test, at /ver", false, Setup::None, true, true, "/ver"},
    {"Test, at /get dev_version", false, Setup::None, false, true, kTest},
    {"Go, at the first /ver", true, Setup::None, true, true, "/ver"},
    {"Go, at the second /ver", true, Setup::None, false, true, kTest + ";/ver"},
    {"Go, waiting for a reply", true, Setup::None, true, true,
     kTest + ";" + kTest + ";/rawxact first"},
    {"Go, its warning up", true, Setup::SilentReader, false, true, "/ver"},
    {"About up", false, Setup::About, true, false, ""},
};

// As docs/architecture.md's table says: of the other actions only Show Help and Run Records run; a
// close closes except while a dialog of the program's own is up, a termination request always. The
// work runs to its end or gives up at once: the reader gets nothing more, the settings are stored
// only by the close, and the window is gone once the event loop has control again.
class WhileTheWindowIsBusy : public testing::TestWithParam<std::pair<BusyState, Action>> {};
TEST_P(WhileTheWindowIsBusy, EveryActionDoesWhatTheTableSays)
{
    const auto& [state, action] = GetParam();
    const bool signal = QString(action.name) == "a termination signal";
    ProgramWindow bench(state.setup == Setup::SilentReader ? Replies() : kAnswering);
    closeOnTerminationSignals(bench.window);
    Busy busyWhenActed = Busy::Idle;
    const auto act = [&] {
        busyWhenActed = bench.window->busy();
        action.deliver(bench);
        // Anything stored after a close is a second store.
        if (bench.window && !bench.window->isVisible()) {
            QFile::remove(bench.program.settingsFile());
        }
    };
    // The reply to "/rawxact first" comes once the action has been handled.
    bench.reader.whenReceived = [&](const QByteArray& line) {
        if (state.setup == Setup::None && bench.reader.received().join(';') == state.closedAt) {
            QTimer::singleShot(0, act);
        }
        if (line == "/rawxact first") {
            QTimer::singleShot(100ms, [&] {
                if (bench.window && bench.window->isVisible()) {
                    bench.reader.send("/rawxact first done\r\n");
                }
            });
        }
    };
    // The warning box is a modal loop: the action comes from within it.
    bench.desktop.whileMessageShown = [&](const RecordingDesktop::Message& message) {
        if (message.title == "Warning") {
            QEventLoop box;
            QTimer::singleShot(0, &box, [&] {
                act();
                box.quit();
            });
            box.exec();
            EXPECT_FALSE(bench.window.isNull()) << "destroyed while its handler runs";
        }
    };
    std::optional<DriverDeviceLink> device;
    if (state.setup == Setup::DriverDevice) {
        device.emplace();
        bench.ui().Combo2()->setEditText("Silent");
    } else if (state.setup == Setup::KeysHeld) {
        QTest::keyPress(bench.window, Qt::Key_Alt);
    }
    // Clicked from an event loop, which the window's deletion after a close waits for.
    QEventLoop clicking;
    QTimer::singleShot(0, &clicking, [&] {
        if (state.closedAt.isEmpty()) {
            QTimer::singleShot(state.setup == Setup::About ? 50ms : 0ms, act);
        }
        if (state.setup == Setup::About) {
            QTimer::singleShot(300ms, [] { modal::closeAll(); });
            bench.ui().mnuHelpAbout()->trigger();
        } else {
            (state.go ? bench.ui().btnSend() : bench.ui().btnOpen())->click();
        }
        clicking.quit();
    });
    clicking.exec();
    // Keys posted and the windows' deletion are handled; an About left open is closed.
    QTest::qWait(100);
    modal::closeAll();
    QTest::qWait(20);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

    EXPECT_NE(busyWhenActed, Busy::Idle);
    const QByteArray received = bench.reader.received().join(';');
    ASSERT_EQ(bench.window.isNull(), action.closes && (signal || state.setup != Setup::About));
    if (bench.window.isNull()) {
        // A termination request closes from the event loop, once the wait has looked.
        EXPECT_TRUE(signal ? received.startsWith(state.closedAt) &&
                                 !received.contains("/rawsend second")
                           : received == state.closedAt)
            << received.toStdString();
        const bool toldPortOpen = std::ranges::any_of(bench.desktop.messages, [](const auto& m) {
            return m.title == "Bench (COM5) is open";
        });
        EXPECT_TRUE(signal || toldPortOpen == state.portOpen);
        EXPECT_TRUE(signal || !QFile::exists(bench.program.settingsFile()));
        EXPECT_TRUE(!device || device->pty.read(14).startsWith("/get port_name"));
        return;
    }
    EXPECT_EQ(received, state.go ? kRun : state.setup == Setup::About ? "" : kTest);
    // Of the others only the outside programs run: the help viewer and the file manager.
    const bool outside = QStringList{"Help, Show Help", "File, Run Records"}.contains(action.name);
    EXPECT_EQ(bench.desktop.fileRequests.size() + bench.desktop.programsStarted.size() +
                  bench.desktop.foldersOpened.size(),
              outside ? 1u : 0u);
    EXPECT_EQ(bench.window->busy(), Busy::Idle);
    EXPECT_TRUE(!state.go || bench.ui().txtCommandList()->text() ==
                                 transcriptOf("/rawxact first --> first done;/rawsend second"));
}

std::vector<std::pair<BusyState, Action>> busyCases()
{
    std::vector<std::pair<BusyState, Action>> cases;
    for (const BusyState& state : kStates) {
        for (const Action& action : kActions) {
            if (state.everyAction || action.closes) {
                cases.emplace_back(state, action);
            }
        }
    }
    return cases;
}

void PrintTo(const std::pair<BusyState, Action>& busyCase, std::ostream* out)
{
    *out << busyCase.second.name << " while " << busyCase.first.name;
}

INSTANTIATE_TEST_SUITE_P(EachActionAtEachWait, WhileTheWindowIsBusy, testing::ValuesIn(busyCases()),
                         [](const testing::TestParamInfo<std::pair<BusyState, Action>>& row) {
                             return caseName(row.param.second.name) + "_While" +
                                    caseName(row.param.first.name);
                         });

} // namespace
