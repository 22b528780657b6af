#pragma once

#include "Options.h"

#include <optional>
#include <string>
#include <utility>
#include <vector>

// What the readers and the driver's devices answer to the lines they receive.
namespace kvrsim {

// The answers to "/rawxact <data>" that a --reply file gives.
class ReplyTable {
public:
    // Takes the rules of the file `path`, "PATTERN<TAB>ANSWER" a line; false,
    // with `error` set, when the file cannot be read or a rule has no tab.
    bool load(const std::string& path, std::string& error);

    // The answer of the first rule whose shell pattern matches `data`, else "ACK <data>".
    std::string answerTo(const std::string& data) const;

private:
    std::vector<std::pair<std::string, std::string>> rules_;
};

// A reader's reply to the command `line` (received without its line feed);
// nothing when it does not answer.
std::optional<std::string> readerReply(const std::string& line, const Options& options,
                                       const ReplyTable& table);

// The answer of the driver's device for port COM<port> to `line`.
std::optional<std::string> deviceReply(const std::string& line, int port);

} // namespace kvrsim
