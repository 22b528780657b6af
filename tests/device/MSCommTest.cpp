#include "device/MSComm.h"

#include "support/Pty.h"
#include "support/QtPrinters.h"
#include "support/SimulatedDriver.h"

#include <QSerialPort>
#include <QSignalSpy>
#include <QStringList>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// Generous bounds: they only keep a broken component from hanging the tests.
constexpr int kArrivalLimitMs = 2000;

class SerialComponent : public testing::Test {
protected:
    void SetUp() override
    {
        comm.setPortLocator([this](int port) { return locate(port); });
    }

    QString locate(int port) const
    {
        return port == 7 && pty ? pty->slavePath() : QStringLiteral("/nonexistent/com%1").arg(port);
    }

    void openPort7()
    {
        comm.setCommPort(7);
        ASSERT_FALSE(comm.setPortOpen(true));
    }

    // Reads the port in every OnComm, as the main window does.
    void collectReadings()
    {
        QObject::connect(&comm, &MSComm::OnComm, &comm, [this] {
            EXPECT_EQ(comm.CommEvent(), MSComm::comEvReceive);
            readings << comm.Input();
        });
    }

    bool waitForReadings(qsizetype count)
    {
        return QTest::qWaitFor([&] { return readings.size() >= count; }, kArrivalLimitMs);
    }

    std::unique_ptr<Pty> pty = std::make_unique<Pty>();
    MSComm comm{nullptr};
    QStringList readings;
};

TEST_F(SerialComponent, OpensThePortNamedByItsNumberAndSendsText)
{
    comm.setCommPort(7);
    EXPECT_EQ(comm.CommPort(), 7);
    EXPECT_FALSE(comm.PortOpen());
    ASSERT_FALSE(comm.setPortOpen(true));
    EXPECT_TRUE(comm.PortOpen());

    comm.setOutput("/ver\n");
    EXPECT_EQ(pty->read(5), "/ver\n");

    comm.setPortOpen(false);
    EXPECT_FALSE(comm.PortOpen());
}

TEST_F(SerialComponent, ReceivedTextRaisesOnCommAndIsReadOnce)
{
    openPort7();
    QSignalSpy onComm(&comm, &MSComm::OnComm);

    pty->write("/ver 1.02\r\n");
    ASSERT_TRUE(QTest::qWaitFor([&] { return !onComm.isEmpty(); }, kArrivalLimitMs));
    EXPECT_EQ(comm.CommEvent(), MSComm::comEvReceive);
    EXPECT_EQ(comm.Input(), "/ver 1.02\r\n");
    EXPECT_EQ(comm.Input(), "");
}

TEST_F(SerialComponent, AReplyWrittenInPiecesIsOneReading)
{
    openPort7();
    collectReadings();

    // Gaps well below the quiet pause: each piece comes on its own.
    for (const QByteArray piece : {"/get dev_", "version value:", "   2.10\r", "\n"}) {
        pty->write(piece);
        QTest::qWait(2);
    }
    ASSERT_TRUE(waitForReadings(1));
    QTest::qWait(100);
    EXPECT_EQ(readings, QStringList{"/get dev_version value:   2.10\r\n"});
}

TEST_F(SerialComponent, TextWithoutALineFeedIsDeliveredAfterAQuietPause)
{
    openPort7();
    collectReadings();

    pty->write("/write ok");
    ASSERT_TRUE(waitForReadings(1));
    EXPECT_EQ(readings, QStringList{"/write ok"});
}

TEST_F(SerialComponent, ALineFeedEndsAReadingWithoutWaitingForThePause)
{
    openPort7();
    collectReadings();

    pty->write("one\n");
    QTest::qWait(15);
    pty->write("two");
    ASSERT_TRUE(waitForReadings(2));
    QTest::qWait(100);
    EXPECT_EQ(readings, (QStringList{"one\n", "two"}));
}

// The handler waits in an event loop of its own (as in a message box) while
// the next reply comes: OnComm does not interrupt it, but follows it.
TEST_F(SerialComponent, WhatArrivesWhileAHandlerWaitsIsDeliveredAfterIt)
{
    openPort7();
    int depth = 0;
    int deepest = 0;
    QObject::connect(&comm, &MSComm::OnComm, &comm, [&] {
        deepest = std::max(deepest, ++depth);
        readings << comm.Input();
        if (readings.size() == 1) {
            pty->write("second\n");
            QTest::qWait(200);
        }
        --depth;
    });

    pty->write("first\n");
    ASSERT_TRUE(waitForReadings(2));
    EXPECT_EQ(readings, (QStringList{"first\n", "second\n"}));
    EXPECT_EQ(deepest, 1);
}

TEST_F(SerialComponent, OnCommIsNotRaisedWhenTheHandlerHasReadEverything)
{
    openPort7();
    QSignalSpy onComm(&comm, &MSComm::OnComm);

    pty->write("/rawxact:ACK 01\r\n");
    ASSERT_TRUE(QTest::qWaitFor([&] { return !onComm.isEmpty(); }, kArrivalLimitMs));
    EXPECT_EQ(comm.Input(), "/rawxact:ACK 01\r\n");
    QTest::qWait(100);
    EXPECT_EQ(onComm.size(), 1);
}

TEST_F(SerialComponent, AMissingPortIsAnInvalidPortNumber)
{
    comm.setCommPort(9);
    const auto error = comm.setPortOpen(true);
    ASSERT_TRUE(error);
    EXPECT_EQ(error->number, 8002);
    EXPECT_EQ(error->description, "Invalid port number");
    EXPECT_FALSE(comm.PortOpen());
}

TEST_F(SerialComponent, APortHeldByAnotherComponentIsAlreadyOpen)
{
    openPort7();
    MSComm other(nullptr);
    other.setPortLocator([this](int port) { return locate(port); });
    other.setCommPort(7);

    const auto error = other.setPortOpen(true);
    ASSERT_TRUE(error);
    EXPECT_EQ(error->number, 8005);
    EXPECT_EQ(error->description, "Port already open");
    EXPECT_FALSE(other.PortOpen());
    EXPECT_TRUE(comm.PortOpen());
}

// Another program holds the port for as long as the test keeps a pipe open.
TEST_F(SerialComponent, APortHeldByAnotherProgramIsAlreadyOpen)
{
    int opened[2];
    int release[2];
    ASSERT_EQ(pipe(opened), 0);
    ASSERT_EQ(pipe(release), 0);
    const QString path = pty->slavePath();
    const pid_t child = fork();
    if (child == 0) {
        close(release[1]);
        QSerialPort port(path);
        const char result = port.open(QIODevice::ReadWrite) ? 'y' : 'n';
        char ignored;
        _exit(write(opened[1], &result, 1) == 1 && read(release[0], &ignored, 1) >= 0 ? 0 : 1);
    }
    close(opened[1]);
    close(release[0]);
    char childOpened = 'n';
    EXPECT_EQ(read(opened[0], &childOpened, 1), 1);

    comm.setCommPort(7);
    const auto error = comm.setPortOpen(true);
    close(release[1]);
    waitpid(child, nullptr, 0);
    close(opened[0]);
    ASSERT_EQ(childOpened, 'y');
    ASSERT_TRUE(error);
    EXPECT_EQ(error->number, 8005);
    EXPECT_FALSE(comm.PortOpen());
    EXPECT_FALSE(comm.setPortOpen(true)) << "free again";
}

TEST_F(SerialComponent, APortWhoseOtherSideGoesAwayClosesOnce)
{
    openPort7();
    collectReadings();
    pty->write("last\n");
    ASSERT_TRUE(waitForReadings(1));

    pty.reset();
    EXPECT_TRUE(QTest::qWaitFor([&] { return !comm.PortOpen(); }, kArrivalLimitMs));
    QTest::qWait(100);
    EXPECT_FALSE(comm.PortOpen());
    EXPECT_EQ(readings, QStringList{"last\n"});
}

TEST(SerialComponentPorts, PortNIsTheDriversComPortN)
{
    MSComm comm(nullptr);
    comm.setCommPort(6);
    const auto noDriver = comm.setPortOpen(true);
    ASSERT_TRUE(noDriver) << "no driver, no port";
    EXPECT_EQ(noDriver->number, 8002);

    SimulatedDriver driver({"--readers", "2"});
    ASSERT_TRUE(driver.ready());
    ASSERT_FALSE(comm.setPortOpen(true));
    comm.setOutput("/ver\n");
    QString reply;
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            reply += comm.Input();
            return reply.endsWith("\r\n");
        },
        5000));
    EXPECT_TRUE(reply.startsWith("/ver ")) << reply.toStdString();
    comm.setPortOpen(false);
}

TEST(SerialComponentPorts, APortTheDriverClosesReadsClosed)
{
    SimulatedDriver driver({"--readers", "1", "--close-after", "1"});
    ASSERT_TRUE(driver.ready());
    MSComm comm(nullptr);
    QSignalSpy onComm(&comm, &MSComm::OnComm);
    comm.setCommPort(5);
    ASSERT_FALSE(comm.setPortOpen(true));

    comm.setOutput("/ver\n");
    EXPECT_TRUE(QTest::qWaitFor([&] { return !comm.PortOpen(); }, 5000));
    QTest::qWait(100);
    EXPECT_FALSE(comm.PortOpen());
    EXPECT_EQ(onComm.size(), 0);
}

} // namespace
