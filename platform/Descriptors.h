#pragma once

#ifndef _WIN32
#include <optional>
#include <string>
#include <string_view>

namespace platform {

// Writes all of `bytes` to the file descriptor, through interruptions and
// short writes. False when the descriptor refuses them.
bool writeAll(int fd, std::string_view bytes);

// Reads the descriptor to its end; nothing on a read error.
std::optional<std::string> readAll(int fd);

} // namespace platform
#endif
