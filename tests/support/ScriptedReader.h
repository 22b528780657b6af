#pragma once

#include "support/Pty.h"

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QSocketNotifier>

#include <functional>
#include <unistd.h>

// A reader behind a pseudo-terminal that answers each command line with the reply the test gave for
// it (nothing for a command it does not know), and keeps every line it received.
class ScriptedReader {
public:
    explicit ScriptedReader(QMap<QByteArray, QByteArray> replies)
        : replies_(std::move(replies))
        , notifier_(pty_.master(), QSocketNotifier::Read)
    {
        QObject::connect(&notifier_, &QSocketNotifier::activated, [this] { receive(); });
    }

    QString path() const { return pty_.slavePath(); }
    const QList<QByteArray>& received() const { return received_; }
    void send(const QByteArray& bytes) { pty_.write(bytes); }
    // Runs after each line received and answered, so that a test can act at
    // that point of the program's dialogue rather than after a time.
    std::function<void(const QByteArray& line)> whenReceived;

private:
    void receive()
    {
        char buffer[512];
        const ssize_t got = ::read(pty_.master(), buffer, sizeof buffer);
        if (got <= 0) {
            return;
        }
        pending_.append(buffer, got);
        for (qsizetype end; (end = pending_.indexOf('\n')) >= 0;) {
            const QByteArray line = pending_.left(end);
            pending_.remove(0, end + 1);
            received_ << line;
            if (replies_.contains(line)) {
                pty_.write(replies_.value(line));
            }
            if (whenReceived) {
                whenReceived(line);
            }
        }
    }

    Pty pty_;
    QMap<QByteArray, QByteArray> replies_;
    QSocketNotifier notifier_;
    QByteArray pending_;
    QList<QByteArray> received_;
};
