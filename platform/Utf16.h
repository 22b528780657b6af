#pragma once

#include <string>
#include <string_view>

namespace platform {

// UTF-16 code units as UTF-8; a surrogate that pairs with nothing becomes U+FFFD.
std::string utf8FromUtf16(std::u16string_view units);

// The UTF-16 code units of `bytes`, each low byte first or high byte first; an
// odd last byte is dropped.
std::u16string utf16FromBytes(std::string_view bytes, bool littleEndian);

// UTF-8 as UTF-16 code units; a byte that begins no character becomes U+FFFD.
std::u16string utf16FromUtf8(std::string_view text);

#ifdef _WIN32
// Text for the Windows "W" calls: the platform layer's strings are UTF-8, so
// that paths and command lines keep characters beyond the ANSI code page.
std::wstring wideFromUtf8(std::string_view text);
std::string utf8FromWide(std::wstring_view text);
#endif

} // namespace platform
