#include "device/MSComm.h"
#include "device/ReplyRecognition.h"
#include "support/Pty.h"
#include "support/QtPrinters.h"

#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

namespace {

// A reading ends at a line feed or after 25 ms without a byte, and is taken
// whole; each raises OnComm once and is read once, as the main window reads
// it. A handler that waits in an event loop of its own (as in a message box)
// while the next reply comes is not interrupted by OnComm, but followed.
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
    const struct {
        QList<QByteArray> pieces;
        int gapMs;
        QStringList readings;
    } cases[] = {
        {{"/ver 1.02\r\n"}, 0, {"/ver 1.02\r\n"}},
        {{"/get dev_", "version value:", "   2.10\r", "\n"},
         2,
         {"/get dev_version value:   2.10\r\n"}},
        {{"/write ok"}, 0, {"/write ok"}},
        {{"one\n", "two"}, 15, {"one\n", "two"}},
        {{"one\ntw", "o\n"}, 2, {"one\ntwo\n"}},
        {{"first\n"}, 0, {"first\n", "second\n"}},
    };
    for (const auto& [pieces, gapMs, expected] : cases) {
        SCOPED_TRACE(expected.join('|').toStdString());
        readings.clear();
        for (const QByteArray& piece : pieces) {
            pty.write(piece);
            QTest::qWait(gapMs);
        }
        // Generous: it only keeps a broken component from holding up the tests.
        ASSERT_TRUE(QTest::qWaitFor([&] { return readings.size() >= expected.size(); }, 5000));
        QTest::qWait(100);
        EXPECT_EQ(readings, expected);
    }
    comm.setPortOpen(false);
    EXPECT_FALSE(comm.PortOpen());
}

// Keywords in exact case, "/rawxact" before "/ver" before "dev_version"; the
// last two count only while the open dialogue waits.
TEST(ReplyRecognition, EveryKindOfReply)
{
    using namespace reply;
    const struct {
        const char* text;
        bool detecting;
        Meaning meaning;
    } cases[] = {
        {"", true, NoData{}},
        {"", false, NoData{}},
        {"/rawxact:  ACK 01\r\n", false, RawAnswer{"ACK 01"}},
        {"/ver /rawxact:ACK 01\r\n", true, RawAnswer{"ACK 01"}},
        // The one character after the keyword is passed over, whatever it is.
        {"/rawxactXACK 01", true, RawAnswer{"ACK 01"}},
        {"/rawxact ", true, RawAnswer{""}},
        {"/RAWXACT:ACK\r\n", false, Ignored{}},
        {"/ver 1.02\r\n", true, DriverVersion{"1.02"}},
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
