#include "device/MSComm.h"

#include "support/Pty.h"
#include "support/QtPrinters.h"
#include "support/SimulatedDriver.h"

#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

namespace {

class SerialComponent : public testing::Test {
protected:
    void SetUp() override
    {
        comm.setPortLocator([this](int port) {
            return port == 7 ? pty.slavePath() : QStringLiteral("/nonexistent/com%1").arg(port);
        });
    }

    Pty pty;
    MSComm comm{nullptr};
};

TEST_F(SerialComponent, OpensThePortNamedByItsNumberAndSendsText)
{
    comm.setCommPort(7);
    EXPECT_EQ(comm.CommPort(), 7);
    EXPECT_FALSE(comm.PortOpen());
    ASSERT_FALSE(comm.setPortOpen(true));
    EXPECT_TRUE(comm.PortOpen());

    comm.setOutput("/ver\n");
    EXPECT_EQ(pty.read(5), "/ver\n");

    comm.setPortOpen(false);
    EXPECT_FALSE(comm.PortOpen());
}

TEST_F(SerialComponent, ReceivedTextRaisesOnCommAndIsReadOnce)
{
    comm.setCommPort(7);
    ASSERT_FALSE(comm.setPortOpen(true));
    QSignalSpy onComm(&comm, &MSComm::OnComm);

    pty.write("/ver 1.02\r\n");
    QString received;
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            if (!onComm.isEmpty()) {
                EXPECT_EQ(comm.CommEvent(), MSComm::comEvReceive);
                received += comm.Input();
            }
            return received.size() >= 11;
        },
        2000));
    EXPECT_EQ(received, "/ver 1.02\r\n");
    EXPECT_EQ(comm.Input(), "");
}

TEST_F(SerialComponent, APortThatCannotOpenSaysWhyAndStaysClosed)
{
    comm.setCommPort(9);
    const auto error = comm.setPortOpen(true);
    ASSERT_TRUE(error);
    EXPECT_NE(error->number, 0);
    EXPECT_FALSE(error->description.isEmpty());
    EXPECT_FALSE(comm.PortOpen());
}

TEST(SerialComponentPorts, PortNIsTheDriversComPortN)
{
    MSComm comm(nullptr);
    comm.setCommPort(6);
    EXPECT_TRUE(comm.setPortOpen(true)) << "no driver, no port";

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

} // namespace
