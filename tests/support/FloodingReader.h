#pragma once

#include "support/Pty.h"

#include <QByteArray>
#include <QList>
#include <QMap>

#include <atomic>
#include <mutex>
#include <thread>

// A reader behind a pseudo-terminal served by a thread of its own, so that it
// writes as fast as the line takes it however busy the program's event loop
// is. It answers command lines from a table, and sends what a test queues:
// at once, or ahead of the answer to a given line.
class FloodingReader {
public:
    explicit FloodingReader(QMap<QByteArray, QByteArray> replies);
    ~FloodingReader();
    FloodingReader(const FloodingReader&) = delete;
    FloodingReader& operator=(const FloodingReader&) = delete;

    QString path() const { return pty_.slavePath(); }

    // `bytes` go out after what is queued; the program's port must be open.
    void send(const QByteArray& bytes);
    // `bytes` go out when `line` next comes, ahead of its answer (or `after` it).
    void sendWith(const QByteArray& line, const QByteArray& bytes, bool after = false);
    // Everything queued has been written; the program may not have read it yet.
    bool allSent() const;
    QList<QByteArray> received() const;

private:
    void serve();
    void receive();
    void writeSome();

    Pty pty_;
    const QMap<QByteArray, QByteArray> replies_;
    mutable std::mutex mutex_;
    QMap<QByteArray, QByteArray> before_;
    QMap<QByteArray, QByteArray> after_;
    QByteArray out_;
    qsizetype sent_ = 0; // of out_
    QByteArray pending_;
    QList<QByteArray> received_;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};
