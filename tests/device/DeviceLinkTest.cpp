#include "device/PortSelection.h"
#include "device/ReplyRecognition.h"
#include "support/DriverRecords.h"
#include "support/WindowTests.h"

#include <QSignalSpy>

namespace {

// A main window made by the test, not shown: a settings file of its own, a desktop that records.
template <typename TestClock = const SteadyClock> struct LoneWindow {
    TempProgram program;
    RecordingDesktop desktop;
    TestClock clock;
    frmMain window{desktop, clock, program.file()};
    const WindowAccess ui = access(window);
};

// The port list a start builds from the driver's records: the first layout that has a reader 0,
// readers up to the first gap and at most 32, "Not Found" for a missing port, sorted without regard
// to case, the first selected. Records are given as "A0 Zeta COM5": layout and reader, its
// description and port ("-" for none). Without readers the user is told where the drivers come
// from, and the port buttons are off.
TEST(Discovery, ThePortListFromTheDriversRecords)
{
    QString forty;
    QStringList first32;
    for (int n = 0; n < 40; ++n) {
        const QString reader = QStringLiteral("R%1").arg(n, 2, 10, QChar('0'));
        forty += QStringLiteral("A%1 %2 COM%3;").arg(n).arg(reader).arg(n + 5);
        first32 << reader + QStringLiteral(" (COM%1)").arg(n + 5);
    }
    const std::pair<QString, QStringList> cases[] = {
        {"C0 C COM9;B0 B COM7;A0 A COM5", {"A (COM5)"}},
        {"C0 C COM9;B0 B COM7;B1 b COM8", {"B (COM7)", "b (COM8)"}},
        {"C0 R0 COM5;C1 R1 COM6;C3 R3 COM8", {"R0 (COM5)", "R1 (COM6)"}},
        {forty, first32.mid(0, 32)},
        {"A0 Zeta COM5;A1 alpha COM6;A2 Beta -",
         {"alpha (COM6)", "Beta (Not Found)", "Zeta (COM5)"}},
        {"", {}},
    };
    for (const auto& [records, expected] : cases) {
        SCOPED_TRACE(records.left(40).toStdString());
        DriverRecords written;
        for (const QString& record : records.split(';', Qt::SkipEmptyParts)) {
            const QStringList parts = record.split(' ');
            written.add(DriverRecords::Layout(parts[0][0].unicode() - 'A'), parts[0].mid(1).toInt(),
                        parts[1], parts[2] == "-" ? "" : parts[2]);
        }
        if (!records.isEmpty()) {
            written.write();
        }
        LoneWindow lone;
        lone.ui.txtCommandList()->setText("the preview\r\n");
        lone.window.DiscoverDrivers();
        QStringList listed;
        for (int i = 0; i < lone.ui.Combo2()->count(); ++i) {
            listed << lone.ui.Combo2()->itemText(i);
        }
        EXPECT_EQ(listed, expected);
        EXPECT_EQ(lone.ui.Combo2()->currentText(), expected.value(0));
        QStringList messages;
        for (const auto& [text, style, title] : lone.desktop.messages) {
            messages << QString("%1 %2: %3").arg(style).arg(title, text.section("\r\n", 0, 0));
        }
        if (!expected.isEmpty()) {
            EXPECT_EQ(messages, QStringList());
            continue;
        }
        EXPECT_EQ(
            messages,
            (QStringList{"0 Orvelle: No KVR Drivers Found!  Please install at least one driver.",
                         "16 No KVR Drivers Loaded!: This program requires the Vorlan KVR "
                         "Drivers to run."}));
        EXPECT_TRUE(lone.desktop.messages[1].text.contains(
            "\r\nor go to https://drivers.example.com/kvr\r\n"));
        EXPECT_EQ(lone.ui.txtCommandList()->text(),
                  "URL for the KVR Drivers:\r\nhttps://drivers.example.com/kvr\r\n" +
                      QString(53, u'=') + "\r\n\r\nthe preview\r\n");
        EXPECT_FALSE(lone.ui.btnSend()->isEnabled() || lone.ui.btnOpen()->isEnabled());
    }
}

// The port's number from after the selector's "(COM", else from its fourth character, blanks
// skipped; the reader's name before the blank in front of "(COM"; the driver device's number from
// its answer's 28th character, given that the answer holds "COM".
TEST(PortSelection, NumbersAndNamesFromTheirPlaces)
{
    const std::tuple<QString, int, QString, qsizetype> selectors[] = {
        {"KVR Reader 0 (COM5)", 5, "KVR Reader 0", 13},
        {"(com12)x", 12, "(com12)x", 0},
        {"A (COM7)", 7, "A", 2},
        {"A(COM7)", 7, "A(COM7)", 1},
        {"COM 12", 12, "COM 12", -1},
        {"com7", 7, "com7", -1},
        {"MyCOMport", 0, "MyCOMport", -1},
        {"X (COM)9", 0, "X", 2},
        {"B (COM99999999999)", 1'000'000, "B", 2}};
    for (const auto& [selector, number, name, mark] : selectors) {
        EXPECT_EQ(std::tuple(selectorPortNumber(selector), deviceName(selector),
                             comMarks(selector).openParenCom),
                  std::tuple(number, name, mark))
            << selector.toStdString();
    }
    const QString answer = "/get port_name value:      ";
    EXPECT_EQ(devicePortNumber(answer + "123 (COM123)\r\n"), 123);
    EXPECT_EQ(devicePortNumber(answer + " 4567 (COM4567)"), 45);
    EXPECT_EQ(devicePortNumber(answer + "5"), std::nullopt);
    EXPECT_EQ(replyTextFrom("/ver   ", 4), " ") << "never past the last character";
    EXPECT_EQ(replyTextFrom("/ver  1 ", 4), "1 ");
}

// Each wait of the open dialogue lasts its ticks of Timer1 and one more that finds none left: 2
// while the port settles, 50 for the reply to /ver, 100 for the one to /get dev_version. The test
// ticks by hand, counting by how many lines the reader has received, and not while a reply comes.
TEST(OpenDialogue, EachWaitLastsItsTicks)
{
    for (const bool answersVer : {false, true}) {
        SCOPED_TRACE(answersVer ? "the reader answers /ver" : "a silent reader");
        ScriptedReader reader({{"/ver", answersVer ? "/ver 1.0\r\n" : ""}}); // "": no answer
        LoneWindow lone;
        lone.ui.MSComm1()->setPortLocator([&reader](int) { return reader.path(); });
        lone.ui.Combo2()->setEditText("Bench (COM5)");
        lone.ui.Timer1()->setInterval(std::numeric_limits<int>::max());
        int ticks[3] = {};
        QTimer ticker;
        ticker.callOnTimeout([&] {
            const qsizetype lines = std::min<qsizetype>(reader.received().size(), 2);
            if (!answersVer || lines != 1) {
                lone.window.Timer1_Timer();
                ++ticks[lines];
            }
        });
        ticker.start(5);
        lone.ui.btnOpen()->click();
        EXPECT_EQ(answersVer ? ticks[2] : ticks[0] + ticks[1], answersVer ? 101 : 3 + 51);
    }
}

// The waits timed by the clock, which the test moves 100 ms at a time: at most 2 s for the keys
// that started the work to come up (Alt held here), 20 s for the reply to a "/rawxact" line.
TEST(Waits, KeysAtMostTwoSecondsAReplyTwentyOnTheClock)
{
    using namespace std::chrono_literals;
    ScriptedReader reader(
        {{"/ver", "/ver 1.0\r\n"}, {"/get dev_version", "/get dev_version value: RDR\n"}});
    LoneWindow<ManualClock> lone;
    const WindowAccess& ui = lone.ui;
    ui.MSComm1()->setPortLocator([&reader](int) { return reader.path(); });
    ui.Combo2()->setEditText("Bench (COM5)");
    ui.Timer1()->setInterval(5);
    loadCommandList(lone.window, {{"/rawxact unanswered", true}}, false);
    const Clock::time_point started = lone.clock.now();
    Clock::time_point sent;
    reader.whenReceived = [&](const QByteArray& line) {
        sent = line.startsWith("/rawxact") ? lone.clock.now() : sent;
    };
    std::chrono::steady_clock::duration keys{};
    QTimer mover;
    mover.callOnTimeout([&] {
        lone.clock.advance(100ms);
        keys = keys == 0ms && ui.btnOpen()->text() != "&Test" ? lone.clock.now() - started : keys;
    });
    mover.start(1);
    QTest::keyPress(&lone.window, Qt::Key_Alt);
    ui.btnSend()->click();
    // The run's end after the reply's wait takes no turn of the event loop: the clock stands.
    const std::chrono::steady_clock::duration reply = lone.clock.now() - sent;
    EXPECT_TRUE(ui.txtCommandList()->text().contains(" NO RESPONSE!!!!"));
    EXPECT_TRUE(keys >= 2s && keys <= 2100ms) << keys / 1ms << " ms";
    EXPECT_TRUE(reply >= 19900ms && reply <= 20100ms) << reply / 1ms << " ms";
}

// A reading ends at a line feed or after 25 ms without a byte, and is taken whole; each raises
// OnComm once and is read once. A handler waiting in an event loop of its own (a message box) while
// the next reply comes is not interrupted by OnComm, but followed.
TEST(SerialComponent, SendsLinesAndGathersWhatComesIntoReadings)
{
    Pty pty;
    MSComm comm(nullptr);
    comm.setPortLocator([&pty](int) { return pty.slavePath(); });
    comm.setCommPort(7);
    ASSERT_FALSE(comm.setPortOpen(true));
    comm.setOutput("/ver\n");
    EXPECT_EQ(pty.read(5), "/ver\n");
    // What an opening received and nobody read is not the next opening's.
    QSignalSpy unread(&comm, &MSComm::OnComm);
    pty.write("left\n");
    ASSERT_TRUE(unread.wait(5000));
    comm.setPortOpen(false);
    ASSERT_FALSE(comm.setPortOpen(true));
    QStringList readings;
    int depth = 0;
    QObject::connect(&comm, &MSComm::OnComm, &comm, [&] {
        EXPECT_EQ(comm.CommEvent(), MSComm::comEvReceive);
        EXPECT_EQ(++depth, 1) << "OnComm raised inside a running handler";
        readings << comm.Input();
        EXPECT_EQ(comm.Input(), "") << "read twice";
        if (readings.last() == "first\n") {
            pty.write("second\n");
            QTest::qWait(200);
        }
        --depth;
    });
    // Pieces written `gapMs` apart, and the readings they make, '|' between them.
    const std::tuple<QByteArray, int, QString> cases[] = {
        {"/ver 1.02\r\n", 0, "/ver 1.02\r\n"},
        {"/get dev_|version value:|   2.10\r|\n", 2, "/get dev_version value:   2.10\r\n"},
        {"/write ok", 0, "/write ok"},
        {"one\n|two", 15, "one\n|two"},
        {"one\ntw|o\n", 2, "one\ntwo\n"},
        {"first\n", 0, "first\n|second\n"},
    };
    for (const auto& [pieces, gapMs, expected] : cases) {
        SCOPED_TRACE(expected.toStdString());
        readings.clear();
        for (const QByteArray& piece : pieces.split('|')) {
            pty.write(piece);
            QTest::qWait(gapMs);
        }
        // Generous: it only keeps a broken component from holding up the tests.
        ASSERT_TRUE(
            QTest::qWaitFor([&] { return readings.size() >= expected.count('|') + 1; }, 5000));
        QTest::qWait(100);
        EXPECT_EQ(readings.join('|'), expected);
    }
}

// Keywords in exact case, "/rawxact" before "/ver" before "dev_version"; the last two count only
// while the open dialogue waits.
TEST(ReplyRecognition, EveryKindOfReply)
{
    using namespace reply;
    const std::tuple<const char*, bool, Meaning> cases[] = {
        {"", true, NoData{}},
        {"", false, NoData{}},
        {"/rawxact:  ACK 01\r\n", false, RawAnswer{"ACK 01"}},
        {"/ver /rawxact:ACK 01\r\n", true, RawAnswer{"ACK 01"}},
        // The one character after the keyword is passed over, whatever it is.
        {"/rawxactXACK 01", true, RawAnswer{"ACK 01"}},
        {"/rawxact ", true, RawAnswer{""}},
        {"/RAWXACT:ACK\r\n", false, Ignored{}},
        {"/ver 1.02\r\n", false, Ignored{}},
        {"/ver 1.02 dev_version 9\r\n", true, DriverVersion{"1.02 dev_version 9"}},
        // Blanks at the ends are dropped, also those that stood between control characters.
        {"/ver 1.02 \x01\r\n", true, DriverVersion{"1.02"}},
        {"/ver   ", true, DriverVersion{""}},
        {"/ver \x01 \r\n", true, DriverVersion{""}},
        {"/ver\t \r\n", true, DriverVersion{""}},
        {"/write ok\r\n", true, Ignored{}},
        // The device version runs from character 25 to the last but one.
        {"/get dev_version value:   2.10\r\n", true, DeviceVersion{"  2.10\r"}},
        {"/get dev_version value: \n", true, DeviceVersion{""}},
        {"/get dev_version value: ", true, DeviceVersion{}},
        {"/get dev_version value:   2.10\r\n", false, Ignored{}},
    };
    for (const auto& [text, detecting, meaning] : cases) {
        EXPECT_EQ(recognise(text, detecting), meaning)
            << '"' << text << (detecting ? "\" while detecting" : "\" while not detecting");
    }
}

} // namespace
