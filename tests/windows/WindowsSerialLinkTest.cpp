#include "device/SerialLink.h"

#include <QEventLoop>
#include <QTimer>

#include <gtest/gtest.h>

#include <windows.h>

// The serial component's Win32 form against kvr-sim's port \\.\COM5 as Wine
// presents it (scripts/test-windows links it into the prefix).

namespace {

// What arrives within `limitMs` of writing `request`, up to a line feed.
QByteArray exchange(SerialLink& link, const QByteArray& request, int limitMs = 3000)
{
    QByteArray reply;
    QEventLoop loop;
    QObject::connect(&link, &SerialLink::bytesArrived, &loop, [&] {
        reply += link.readAll();
        if (reply.endsWith('\n')) {
            loop.quit();
        }
    });
    QTimer::singleShot(limitMs, &loop, &QEventLoop::quit);
    link.write(request);
    loop.exec();
    return reply;
}

double processCpuSeconds()
{
    FILETIME created, ended, kernel, user;
    GetProcessTimes(GetCurrentProcess(), &created, &ended, &kernel, &user);
    const auto seconds = [](FILETIME time) {
        return double(ULARGE_INTEGER{{time.dwLowDateTime, time.dwHighDateTime}}.QuadPart) / 1e7;
    };
    return seconds(kernel) + seconds(user);
}

TEST(WindowsSerialLink, ExchangesLinesAndOpensAgainAfterClosing)
{
    SerialLink link;
    for (int round = 0; round < 2; ++round) {
        const auto error = link.open(SerialLink::systemName(5));
        ASSERT_FALSE(error) << error->number << " " << error->description.toStdString();
        EXPECT_TRUE(link.isOpen());
        EXPECT_EQ(exchange(link, "/ver\n"), "/ver KVR-SIM 2.10\r\n");
        link.close();
        EXPECT_FALSE(link.isOpen());
    }
}

// Wine does not keep a second opening of a port out (Windows does, with
// ERROR_ACCESS_DENIED, which is 8005), so only a missing port is tried here.
TEST(WindowsSerialLink, AMissingPortIsAnInvalidPortNumber)
{
    const auto missing = SerialLink().open(SerialLink::systemName(9));
    ASSERT_TRUE(missing);
    EXPECT_EQ(missing->number, 8002);
    EXPECT_EQ(missing->description, QStringLiteral("Invalid port number"));
}

// The pending read waits in the system: an idle open port costs no CPU.
TEST(WindowsSerialLink, AnIdlePortDoesNotSpin)
{
    SerialLink link;
    ASSERT_FALSE(link.open(SerialLink::systemName(5)));
    const double before = processCpuSeconds();
    QEventLoop loop;
    QTimer::singleShot(2500, &loop, &QEventLoop::quit);
    loop.exec();
    EXPECT_LT(processCpuSeconds() - before, 0.5);
    EXPECT_EQ(exchange(link, "/ver\n"), "/ver KVR-SIM 2.10\r\n");
}

} // namespace
