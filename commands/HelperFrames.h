#pragma once

#include <cstdio>
#include <optional>
#include <string>
#include <string_view>

// How the program and the workbook helper talk: the program sends a request,
// "read", the length of the path in bytes, a line feed and the path; the
// helper answers with "frame", the length of the answer, a line feed and the
// answer (in the format of CellProtocol.h). Lengths make any byte safe in a path.
namespace helperframes {

std::string request(std::string_view path);

// Reads one request from `in`; false at the end of the input or on a request out of form.
bool readRequest(std::FILE* in, std::string& path);

std::string answerFrame(std::string_view answer);

// The answer in `received` once the whole frame has arrived; nothing while
// it is incomplete. `malformed` is set when `received` cannot become a frame.
std::optional<std::string_view> completeAnswer(std::string_view received, bool& malformed);

} // namespace helperframes
