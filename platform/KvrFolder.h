#pragma once

#include <optional>
#include <string>

// The folder in which the KVR driver (on Linux, its simulation kvr-sim) keeps
// what it provides: registry.reg (its registry records), dosdevices/com<N>
// (virtual COM port N) and devices/<name> (the driver's own devices).
//
// It is $XDG_RUNTIME_DIR/kvr when that variable names a folder, else
// /tmp/kvr-<uid>. The /tmp form counts only when it is a real folder (not a
// link) that belongs to this user and that no one else can write to, so that
// another account cannot point the program at files of its choosing.
namespace platform {

// The folder, or nothing when there is no driver folder to read.
std::optional<std::string> kvrFolder();

// Makes the folder (and its parents where they are missing) for a driver to
// fill; nothing when the /tmp form is there already but fails the checks above.
std::optional<std::string> createKvrFolder();

} // namespace platform
