#include "device/MSComm.h"

#include "support/Pty.h"
#include "support/QtPrinters.h"

#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

namespace {

// Port 7 open on a pseudo-terminal played by the test.
class SerialComponent : public testing::Test {
protected:
    void SetUp() override
    {
        comm.setPortLocator([this](int) { return pty.slavePath(); });
        comm.setCommPort(7);
        ASSERT_FALSE(comm.setPortOpen(true));
    }

    // Generous: it only keeps a broken component from holding up the tests.
    bool waitForReadings(qsizetype count)
    {
        return QTest::qWaitFor([&] { return readings.size() >= count; }, 5000);
    }

    Pty pty;
    MSComm comm{nullptr};
    QStringList readings;
};

// A reading ends at a line feed or after 25 ms without a byte, and is taken
// whole; each raises OnComm once and is read once, as the main window reads it.
TEST_F(SerialComponent, SendsLinesAndGathersWhatComesIntoReadings)
{
    comm.setOutput("/ver\n");
    EXPECT_EQ(pty.read(5), "/ver\n");
    // What an opening received and nobody read is not the next opening's.
    QSignalSpy unread(&comm, &MSComm::OnComm);
    pty.write("left\n");
    ASSERT_TRUE(unread.wait(5000));
    comm.setPortOpen(false);
    ASSERT_FALSE(comm.setPortOpen(true));
    QObject::connect(&comm, &MSComm::OnComm, &comm, [this] {
        EXPECT_EQ(comm.CommEvent(), MSComm::comEvReceive);
        readings << comm.Input();
        EXPECT_EQ(comm.Input(), "") << "read twice";
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
    };
    for (const auto& [pieces, gapMs, expected] : cases) {
        SCOPED_TRACE(expected.join('|').toStdString());
        readings.clear();
        for (const QByteArray& piece : pieces) {
            pty.write(piece);
            QTest::qWait(gapMs);
        }
        ASSERT_TRUE(waitForReadings(expected.size()));
        QTest::qWait(100);
        EXPECT_EQ(readings, expected);
    }
    comm.setPortOpen(false);
    EXPECT_FALSE(comm.PortOpen());
}

// The handler waits in an event loop of its own (as in a message box) while
// the next reply comes: OnComm does not interrupt it, but follows it.
TEST_F(SerialComponent, WhatArrivesWhileAHandlerWaitsIsDeliveredAfterIt)
{
    int depth = 0;
    int deepest = 0;
    QObject::connect(&comm, &MSComm::OnComm, &comm, [&] {
        deepest = std::max(deepest, ++depth);
        readings << comm.Input();
        if (readings.size() == 1) {
            pty.write("second\n");
            QTest::qWait(200);
        }
        --depth;
    });
    pty.write("first\n");
    ASSERT_TRUE(waitForReadings(2));
    EXPECT_EQ(readings, (QStringList{"first\n", "second\n"}));
    EXPECT_EQ(deepest, 1);
}

} // namespace
