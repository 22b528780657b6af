#pragma once

#include <string>
#include <string_view>

namespace platform {

// UTF-16 code units as UTF-8; a surrogate that pairs with nothing becomes U+FFFD.
std::string utf8FromUtf16(std::u16string_view units);

// The same for UTF-16 little-endian bytes; an odd last byte is dropped.
std::string utf8FromUtf16Bytes(std::string_view bytes);

} // namespace platform
