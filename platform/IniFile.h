#pragma once

#include <cstddef>
#include <string>

namespace platform {

// Names, values and paths are UTF-8.
//
// Reads value `key` of section `section` from the INI file at `path`, the way
// the Windows profile functions do: section and key names match without regard
// to case, and blanks around names and values do not count. A missing file,
// section or key gives `defaultValue`. The result is cut to `bufferSize` - 1
// characters, as a read into a buffer of that size would be.
std::string readProfileString(const std::string& section, const std::string& key,
                              const std::string& defaultValue, std::size_t bufferSize,
                              const std::string& path);

// Sets value `key` of section `section`, creating the file, the section and
// the key as needed; the value is taken up to its first NUL. Every other line
// of the file stays as it was. The file is replaced whole or not at all, so an
// interrupted write leaves the old file or the new one, never a mix. Names or
// a value holding a line break are refused, since they would add lines of
// their own, and so are names that would not read back (IniText.h). Returns
// false when nothing was written.
bool writeProfileString(const std::string& section, const std::string& key,
                        const std::string& value, const std::string& path);

} // namespace platform
