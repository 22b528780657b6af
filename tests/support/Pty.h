#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QString>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <unistd.h>

// A pseudo-terminal pair: the program opens the slave side as its serial
// port, the test plays the other end on the master side.
class Pty {
public:
    Pty() { EXPECT_TRUE(master_ >= 0 && grantpt(master_) == 0 && unlockpt(master_) == 0); }
    ~Pty() { close(master_); }
    Pty(const Pty&) = delete;
    Pty& operator=(const Pty&) = delete;

    QString slavePath() const { return QString::fromLocal8Bit(ptsname(master_)); }
    int master() const { return master_; }

    void write(const QByteArray& bytes)
    {
        ASSERT_EQ(::write(master_, bytes.constData(), bytes.size()), bytes.size());
    }

    // Reads what the program sent until `count` bytes have come or two seconds have passed.
    QByteArray read(int count)
    {
        QByteArray bytes;
        QElapsedTimer timer;
        timer.start();
        while (bytes.size() < count && timer.elapsed() < 2000) {
            pollfd ready{master_, POLLIN, 0};
            char buffer[256];
            const ssize_t got =
                poll(&ready, 1, 100) > 0 ? ::read(master_, buffer, sizeof buffer) : 0;
            bytes.append(buffer, std::max<ssize_t>(got, 0));
        }
        return bytes;
    }

private:
    const int master_ = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
};
