#include "platform/Utf16.h"

#include <utility>

namespace platform {
namespace {

// Writes `c` at `out` in one to four bytes; returns the end.
char* putUtf8(char* out, char32_t c)
{
    const int following = c < 0x80 ? 0 : c < 0x800 ? 1 : c < 0x10000 ? 2 : 3;
    constexpr unsigned char kLead[] = {0, 0xC0, 0xE0, 0xF0};
    *out++ = static_cast<char>(kLead[following] | (c >> (6 * following)));
    for (int k = following - 1; k >= 0; --k) {
        *out++ = static_cast<char>(0x80 | ((c >> (6 * k)) & 0x3F));
    }
    return out;
}

// Writes `units` at `out` as UTF-8; `out` has room for three bytes a unit (a
// pair of them becomes four). Returns the end.
char* putUtf8(char* out, std::u16string_view units)
{
    for (std::size_t i = 0; i < units.size(); ++i) {
        char32_t c = units[i];
        if (c >= 0xD800 && c < 0xDC00 && i + 1 < units.size() && units[i + 1] >= 0xDC00 &&
            units[i + 1] < 0xE000) {
            c = 0x10000 + ((c - 0xD800) << 10) + (units[i + 1] - 0xDC00);
            ++i;
        } else if (c >= 0xD800 && c < 0xE000) {
            c = 0xFFFD;
        }
        out = putUtf8(out, c);
    }
    return out;
}

// The character of the UTF-8 sequence at `text[i]` and its length in bytes;
// U+FFFD and 1 where no well-formed sequence begins.
std::pair<char32_t, std::size_t> characterAt(std::string_view text, std::size_t i)
{
    const auto byte = [&text](std::size_t k) { return static_cast<unsigned char>(text[k]); };
    const unsigned char lead = byte(i);
    const std::size_t length = lead < 0x80   ? 1
                               : lead < 0xC2 ? 0
                               : lead < 0xE0 ? 2
                               : lead < 0xF0 ? 3
                               : lead < 0xF5 ? 4
                                             : 0;
    constexpr std::pair<char32_t, std::size_t> kNone{0xFFFD, 1};
    if (length == 0 || i + length > text.size()) {
        return kNone;
    }
    char32_t c = length == 1 ? lead : lead & (0x7F >> length);
    for (std::size_t k = 1; k < length; ++k) {
        if ((byte(i + k) & 0xC0) != 0x80) {
            return kNone;
        }
        c = (c << 6) | (byte(i + k) & 0x3F);
    }
    constexpr char32_t kLeast[] = {0, 0, 0x80, 0x800, 0x10000};
    const bool surrogate = c >= 0xD800 && c < 0xE000;
    return c < kLeast[length] || surrogate || c > 0x10FFFF ? kNone : std::pair{c, length};
}

} // namespace

std::u16string utf16FromUtf8(std::string_view text)
{
    std::u16string units;
    units.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        const auto [c, length] = characterAt(text, i);
        if (c < 0x10000) {
            units += static_cast<char16_t>(c);
        } else {
            units += static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
            units += static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
        }
        i += length;
    }
    return units;
}

std::string utf8FromUtf16(std::u16string_view units)
{
    // Most texts are short: put together on the stack, such a text gets a
    // string of its exact size, up to 15 bytes held without an allocation.
    constexpr std::size_t kShort = 64;
    if (units.size() <= kShort) {
        char bytes[3 * kShort];
        return std::string(bytes, putUtf8(bytes, units));
    }
    std::string out(3 * units.size(), '\0');
    out.resize(static_cast<std::size_t>(putUtf8(out.data(), units) - out.data()));
    return out;
}

std::u16string utf16FromBytes(std::string_view bytes, bool littleEndian)
{
    std::u16string units(bytes.size() / 2, u'\0');
    for (std::size_t i = 0; i < units.size(); ++i) {
        const auto low = static_cast<unsigned char>(bytes[2 * i + (littleEndian ? 0 : 1)]);
        const auto high = static_cast<unsigned char>(bytes[2 * i + (littleEndian ? 1 : 0)]);
        units[i] = static_cast<char16_t>(low | (high << 8));
    }
    return units;
}

#ifdef _WIN32
std::wstring wideFromUtf8(std::string_view text)
{
    const std::u16string units = utf16FromUtf8(text);
    return std::wstring(units.begin(), units.end());
}

std::string utf8FromWide(std::wstring_view text)
{
    return utf8FromUtf16(
        std::u16string_view(reinterpret_cast<const char16_t*>(text.data()), text.size()));
}
#endif

} // namespace platform
