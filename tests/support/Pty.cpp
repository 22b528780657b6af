#include "support/Pty.h"

#include <QElapsedTimer>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <unistd.h>

Pty::Pty()
{
    master_ = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    EXPECT_GE(master_, 0);
    EXPECT_EQ(grantpt(master_), 0);
    EXPECT_EQ(unlockpt(master_), 0);
    slavePath_ = QString::fromLocal8Bit(ptsname(master_));
}

Pty::~Pty()
{
    if (master_ >= 0) {
        close(master_);
    }
}

void Pty::write(const QByteArray& bytes)
{
    ASSERT_EQ(::write(master_, bytes.constData(), bytes.size()), bytes.size());
}

QByteArray Pty::read(int count)
{
    QByteArray bytes;
    QElapsedTimer timer;
    timer.start();
    while (bytes.size() < count && timer.elapsed() < 2000) {
        pollfd ready{master_, POLLIN, 0};
        if (poll(&ready, 1, 100) > 0) {
            char buffer[256];
            const ssize_t got = ::read(master_, buffer, sizeof buffer);
            if (got > 0) {
                bytes.append(buffer, got);
            }
        }
    }
    return bytes;
}
