#pragma once

#include <string>

// A pseudo-terminal in raw mode that stands for one port: the simulator plays
// the master side, the program opens the slave side by its path.
namespace kvrsim {

class RawPty {
public:
    RawPty() = default;
    ~RawPty() { close(); }
    RawPty(const RawPty&) = delete;
    RawPty& operator=(const RawPty&) = delete;

    // Opens a new pair; false when the system has none to give.
    bool open();
    // Closes both sides: the program then reads the end of the port.
    void close();

    bool isOpen() const { return master_ >= 0; }
    // Non-blocking, so that a full port never holds up the others.
    int master() const { return master_; }
    const std::string& slavePath() const { return slavePath_; }

private:
    int master_ = -1;
    // Held open so that the master sees no hang-up while the program has the
    // port closed, and so that the raw settings stay between its openings.
    int slave_ = -1;
    std::string slavePath_;
};

} // namespace kvrsim
