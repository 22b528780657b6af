#pragma once

#include <string>

namespace platform {

// Starts an outside program from a command line (UTF-8) and does not wait for it.
// The program name runs up to the first blank; everything after that blank is
// handed over unchanged as one argument, so a path holding blanks needs no quotes.
// Returns false when the program cannot be started.
bool startProgram(const std::string& commandLine);

#ifndef _WIN32
// Whether a program of that name can be run from a folder of the PATH.
bool isOnPath(const std::string& name);
#endif

} // namespace platform
