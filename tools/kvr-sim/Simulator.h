#pragma once

#include "Options.h"
#include "RawPty.h"
#include "Replies.h"

#include <chrono>
#include <cstddef>
#include <deque>
#include <optional>
#include <string>

// The ports of the simulated driver and what goes on on them: lines come in,
// replies go out when they are due, in pieces when asked, and nothing ever
// waits for a port that cannot take more.
namespace kvrsim {

class Simulator {
public:
    // `logFd` < 0: no log.
    Simulator(const Options& options, const ReplyTable& table, int logFd);

    // Opens a reader's virtual COM port COM<number>, or with `device` the
    // driver's own device of that reader: the path the program opens it by,
    // or nothing when the system has no pseudo-terminal to give.
    std::optional<std::string> addPort(std::string name, int number, bool device);

    // Serves the ports until `signalFd` becomes readable: true then, false
    // when waiting on the ports failed.
    bool run(int signalFd);

private:
    using Clock = std::chrono::steady_clock;

    struct Outgoing {
        std::string bytes;
        Clock::time_point due;
        std::size_t pieceSize;
    };

    struct Port {
        std::string name;
        int number = 0;
        bool device = false;
        RawPty pty;               // once closed, the port is out of play for good
        std::string input;        // received since the last line feed
        std::deque<Outgoing> out; // in the order they go out
        std::size_t sent = 0;     // bytes of the front one written
        std::size_t pieceEnd = 0; // where its current piece ends; 0 between messages
        bool blocked = false;     // the pty has no room: wait until it has
        int lines = 0;
    };

    void receive(Port& port, Clock::time_point now);
    void answer(Port& port, const std::string& line, Clock::time_point now);
    void send(Port& port, Clock::time_point now);
    void makeNoise(Clock::time_point now);
    Clock::time_point nextDeadline() const;

    const Options& options_;
    const ReplyTable& table_;
    int logFd_;
    std::deque<Port> ports_; // a deque: a Port cannot move
    Clock::time_point nextNoise_;
};

} // namespace kvrsim
