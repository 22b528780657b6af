#pragma once

#include <optional>
#include <string>

// What kvr-sim was asked to simulate, from its command line.
namespace kvrsim {

struct Options {
    int readers = 1;
    int firstPort = 5;
    std::string name = "KVR Reader";
    char layout = 'A';
    std::string logPath;
    std::string replyPath;
    bool writeAnswers = false;

    // Faults of the driver or the reader, for tests and technicians.
    bool silent = false;
    bool noDeviceVersion = false;
    int delayMs = 0;
    int pieceSize = 0;  // 0: each reply in one write
    int closeAfter = 0; // 0: ports stay open
    int noiseMs = 0;    // 0: no noise

    bool help = false;
};

extern const char* const kUsage;

// The options, or nothing with `error` saying what is wrong with them.
std::optional<Options> parseOptions(int argc, char* argv[], std::string& error);

} // namespace kvrsim
