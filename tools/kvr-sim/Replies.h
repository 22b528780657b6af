#pragma once

#include "Options.h"

#include <optional>
#include <string>
#include <utility>
#include <vector>

// What the readers and the driver's devices answer to the lines they receive.
namespace kvrsim {

// The rules of a --reply file, each a shell pattern for the data of
// "/rawxact <data>" and its answer; the first match wins.
using ReplyTable = std::vector<std::pair<std::string, std::string>>;

// Adds the rules of the file `path`, "PATTERN<TAB>ANSWER" a line, to `table`;
// false, with `error` set, when the file cannot be read or a rule has no tab.
bool loadReplies(const std::string& path, ReplyTable& table, std::string& error);

// A reader's reply to the command `line` (received without its line feed);
// nothing when it does not answer.
std::optional<std::string> readerReply(const std::string& line, const Options& options,
                                       const ReplyTable& table);

// The answer of the driver's device for port COM<port> to `line`.
std::optional<std::string> deviceReply(const std::string& line, int port);

} // namespace kvrsim
