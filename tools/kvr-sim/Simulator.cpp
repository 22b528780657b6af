#include "Simulator.h"

#include "platform/Descriptors.h"

#include <algorithm>
#include <cerrno>
#include <poll.h>
#include <unistd.h>
#include <vector>

namespace kvrsim {
namespace {

// Shorter than the quiet pause after which the program takes a reading as whole,
// as the gaps of a slow serial line are.
constexpr std::chrono::milliseconds kPieceGap(10);
const std::string kNoise = "~noise~\r\n";

} // namespace

Simulator::Simulator(const Options& options, const ReplyTable& table, int logFd)
    : options_(options)
    , table_(table)
    , logFd_(logFd)
{
}

std::optional<std::string> Simulator::addPort(std::string name, int number, bool device)
{
    // One that fails stays closed, and so out of play.
    Port& port = ports_.emplace_back(std::move(name), number, device);
    return port.pty.open() ? std::optional(port.pty.slavePath()) : std::nullopt;
}

bool Simulator::run(int signalFd)
{
    nextNoise_ = Clock::now() + std::chrono::milliseconds(options_.noiseMs);
    std::vector<pollfd> fds;
    for (;;) {
        // fds[i + 1] is ports_[i]; poll passes over a closed one's -1.
        fds.assign(1, pollfd{signalFd, POLLIN, 0});
        for (const Port& port : ports_) {
            const short events = port.blocked ? POLLIN | POLLOUT : POLLIN;
            fds.push_back(pollfd{port.pty.master(), events, 0});
        }
        const auto wait =
            std::chrono::ceil<std::chrono::milliseconds>(nextDeadline() - Clock::now());
        const int timeout = static_cast<int>(std::clamp<long long>(wait.count(), 0, 60000));
        if (poll(fds.data(), fds.size(), timeout) < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        if (fds[0].revents != 0) {
            return true;
        }
        const Clock::time_point now = Clock::now();
        for (std::size_t i = 0; i < ports_.size(); ++i) {
            if (fds[i + 1].revents & POLLOUT) {
                ports_[i].blocked = false;
            }
            if (fds[i + 1].revents & (POLLIN | POLLHUP | POLLERR)) {
                receive(ports_[i], now);
            }
        }
        for (Port& port : ports_) {
            send(port, now);
        }
        if (options_.noiseMs > 0 && now >= nextNoise_) {
            makeNoise(now);
        }
    }
}

void Simulator::receive(Port& port, Clock::time_point now)
{
    char buffer[4096];
    const ssize_t got = read(port.pty.master(), buffer, sizeof buffer);
    if (got < 0 && (errno == EAGAIN || errno == EINTR)) {
        return;
    }
    if (got <= 0) {
        port.pty.close();
        return;
    }
    port.input.append(buffer, static_cast<std::size_t>(got));
    std::size_t end = 0;
    while (port.pty.isOpen() && (end = port.input.find('\n')) != std::string::npos) {
        const std::string line = port.input.substr(0, end);
        port.input.erase(0, end + 1);
        answer(port, line, now);
    }
}

void Simulator::answer(Port& port, const std::string& line, Clock::time_point now)
{
    if (port.device) {
        if (const std::optional<std::string> reply = deviceReply(line, port.number)) {
            port.out.push_back({*reply, now, reply->size()});
        }
        return;
    }
    ++port.lines;
    if (logFd_ >= 0) {
        platform::writeAll(logFd_, port.name + ": " + line + "\n");
    }
    if (options_.closeAfter > 0 && port.lines >= options_.closeAfter) {
        port.pty.close();
        return;
    }
    if (options_.silent) {
        return;
    }
    if (const std::optional<std::string> reply = readerReply(line, options_, table_)) {
        const std::size_t pieceSize =
            options_.pieceSize > 0 ? static_cast<std::size_t>(options_.pieceSize) : reply->size();
        port.out.push_back({*reply, now + std::chrono::milliseconds(options_.delayMs), pieceSize});
    }
}

// Writes what is due, a piece at a time; a message goes out whole before the next starts.
void Simulator::send(Port& port, Clock::time_point now)
{
    while (port.pty.isOpen() && !port.blocked && !port.out.empty()) {
        Outgoing& front = port.out.front();
        if (front.due > now) {
            return;
        }
        if (port.sent == port.pieceEnd) {
            port.pieceEnd = std::min(front.bytes.size(), port.sent + front.pieceSize);
        }
        const ssize_t written =
            write(port.pty.master(), front.bytes.data() + port.sent, port.pieceEnd - port.sent);
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written < 0 && errno == EAGAIN) {
            port.blocked = true;
            return;
        }
        if (written < 0) {
            port.pty.close();
            return;
        }
        port.sent += static_cast<std::size_t>(written);
        if (port.sent < port.pieceEnd) {
            port.blocked = true;
        } else if (port.sent == front.bytes.size()) {
            port.out.pop_front();
            port.sent = 0;
            port.pieceEnd = 0;
        } else {
            front.due = now + kPieceGap;
        }
    }
}

// Noise goes out between messages only, and not to a port that cannot take
// it, so that it neither splits a reply nor piles up.
void Simulator::makeNoise(Clock::time_point now)
{
    const std::chrono::milliseconds period(options_.noiseMs);
    nextNoise_ += period;
    // After a stall the noise keeps its period rather than catching up.
    if (nextNoise_ <= now) {
        nextNoise_ = now + period;
    }
    for (Port& port : ports_) {
        if (!port.device && port.pty.isOpen() && !port.blocked && port.pieceEnd == 0) {
            port.out.push_front({kNoise, now, kNoise.size()});
            send(port, now);
        }
    }
}

// When the next reply, piece or noise is due; far off when nothing is.
Simulator::Clock::time_point Simulator::nextDeadline() const
{
    Clock::time_point next = Clock::now() + std::chrono::hours(1);
    if (options_.noiseMs > 0) {
        next = std::min(next, nextNoise_);
    }
    for (const Port& port : ports_) {
        if (port.pty.isOpen() && !port.blocked && !port.out.empty()) {
            next = std::min(next, port.out.front().due);
        }
    }
    return next;
}

} // namespace kvrsim
