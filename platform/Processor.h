#pragma once

#include <cstdint>

namespace platform {

// Keeps process `pid` on the processor this thread runs on now. A helper that
// works only while its caller waits for it then takes the caller's turn, as
// the same work in the caller would, instead of waking an idle processor: on
// a machine whose idle processors sleep deeply (virtual ones above all) two
// such wake-ups cost more than reading a command file. Does nothing where it
// cannot be done.
void keepOnThisProcessor(std::int64_t pid);

} // namespace platform
