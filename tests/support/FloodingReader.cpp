#include "support/FloodingReader.h"

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

FloodingReader::FloodingReader(QMap<QByteArray, QByteArray> replies)
    : replies_(std::move(replies))
{
    // Never blocks: the thread always comes back to see whether it is to stop.
    fcntl(pty_.master(), F_SETFL, fcntl(pty_.master(), F_GETFL) | O_NONBLOCK);
    thread_ = std::thread([this] { serve(); });
}

FloodingReader::~FloodingReader()
{
    stop_ = true;
    thread_.join();
}

void FloodingReader::send(const QByteArray& bytes)
{
    const std::lock_guard lock(mutex_);
    out_ += bytes;
}

void FloodingReader::sendWith(const QByteArray& line, const QByteArray& bytes, bool after)
{
    const std::lock_guard lock(mutex_);
    (after ? after_ : before_)[line] += bytes;
}

bool FloodingReader::allSent() const
{
    const std::lock_guard lock(mutex_);
    return sent_ == out_.size();
}

QList<QByteArray> FloodingReader::received() const
{
    const std::lock_guard lock(mutex_);
    return received_;
}

void FloodingReader::serve()
{
    while (!stop_) {
        pollfd ready{pty_.master(), POLLIN, 0};
        if (!allSent()) {
            ready.events |= POLLOUT;
        }
        if (poll(&ready, 1, 10) <= 0) {
            continue;
        }
        if (ready.revents & POLLIN) {
            receive();
        }
        if (ready.revents & POLLOUT) {
            writeSome();
        }
    }
}

void FloodingReader::receive()
{
    char buffer[4096];
    const ssize_t got = read(pty_.master(), buffer, sizeof buffer);
    if (got <= 0) {
        return;
    }
    const std::lock_guard lock(mutex_);
    pending_.append(buffer, got);
    for (qsizetype end; (end = pending_.indexOf('\n')) >= 0;) {
        const QByteArray line = pending_.left(end);
        pending_.remove(0, end + 1);
        received_ << line;
        out_ += before_.take(line) + replies_.value(line) + after_.take(line);
    }
}

void FloodingReader::writeSome()
{
    const std::lock_guard lock(mutex_);
    const ssize_t written = write(pty_.master(), out_.constData() + sent_, out_.size() - sent_);
    if (written > 0) {
        sent_ += written;
    }
    if (sent_ == out_.size()) {
        out_.clear();
        sent_ = 0;
    }
}
