#pragma once

// On Windows the profile functions read and write these encodings themselves.
#ifndef _WIN32
#include <optional>
#include <string>
#include <string_view>

namespace platform {

// How a settings file's bytes hold its text. The profile functions tell it by
// a byte-order mark (what Windows editors save as "Unicode" or "UTF-8"); a
// file without one holds the system's 8-bit text, taken byte for byte.
enum class IniEncoding { Bytes, Utf8WithMark, Utf16LE, Utf16BE };

struct IniFileText {
    IniEncoding encoding = IniEncoding::Bytes;
    std::string text; // UTF-8 without the mark, or the bytes themselves
};

// The text of a file's bytes. Nothing when they are not what their mark says
// (UTF-16 cut in a unit, a surrogate without its pair): such a file could not
// be written back as it was, so it is read as no file and left alone.
std::optional<IniFileText> decodeIniFile(std::string_view bytes);

// The bytes that hold `file.text` in its encoding, the mark first; nothing
// when UTF-16 cannot hold it (it is no UTF-8), as it would not read back.
std::optional<std::string> encodeIniFile(const IniFileText& file);

} // namespace platform
#endif
