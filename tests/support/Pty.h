#pragma once

#include <QByteArray>
#include <QString>

// A pseudo-terminal pair: the program opens the slave side as its serial
// port, the test plays the other end on the master side.
class Pty {
public:
    Pty();
    ~Pty();
    Pty(const Pty&) = delete;
    Pty& operator=(const Pty&) = delete;

    QString slavePath() const { return slavePath_; }
    int master() const { return master_; }

    void write(const QByteArray& bytes);
    // Reads what the program sent until `count` bytes have come or two seconds have passed.
    QByteArray read(int count);

private:
    int master_ = -1;
    QString slavePath_;
};
