#include "platform/IniEncoding.h"

#ifndef _WIN32
#include "platform/Utf16.h"

#include <array>

namespace platform {
namespace {

struct Mark {
    IniEncoding encoding;
    std::string_view bytes;
};

constexpr std::array<Mark, 3> kMarks{{{IniEncoding::Utf8WithMark, "\xEF\xBB\xBF"},
                                      {IniEncoding::Utf16LE, "\xFF\xFE"},
                                      {IniEncoding::Utf16BE, "\xFE\xFF"}}};

bool isHighSurrogate(char16_t unit)
{
    return unit >= 0xD800 && unit < 0xDC00;
}
bool isLowSurrogate(char16_t unit)
{
    return unit >= 0xDC00 && unit < 0xE000;
}

// UTF-16 units of the bytes in the order given; nothing when they are not whole UTF-16.
std::optional<std::u16string> utf16Units(std::string_view bytes, bool littleEndian)
{
    if (bytes.size() % 2 != 0) {
        return std::nullopt;
    }
    std::u16string units(bytes.size() / 2, u'\0');
    for (std::size_t i = 0; i < units.size(); ++i) {
        const auto low = static_cast<unsigned char>(bytes[2 * i + (littleEndian ? 0 : 1)]);
        const auto high = static_cast<unsigned char>(bytes[2 * i + (littleEndian ? 1 : 0)]);
        units[i] = static_cast<char16_t>(low | (high << 8));
    }
    for (std::size_t i = 0; i < units.size(); ++i) {
        const bool paired = i + 1 < units.size() && isLowSurrogate(units[i + 1]);
        if (isLowSurrogate(units[i]) || (isHighSurrogate(units[i]) && !paired)) {
            return std::nullopt;
        }
        i += isHighSurrogate(units[i]) ? 1 : 0;
    }
    return units;
}

} // namespace

std::optional<IniFileText> decodeIniFile(std::string_view bytes)
{
    for (const Mark& mark : kMarks) {
        if (!bytes.starts_with(mark.bytes)) {
            continue;
        }
        const std::string_view rest = bytes.substr(mark.bytes.size());
        if (mark.encoding == IniEncoding::Utf8WithMark) {
            return IniFileText{mark.encoding, std::string(rest)};
        }
        const auto units = utf16Units(rest, mark.encoding == IniEncoding::Utf16LE);
        return units ? std::optional(IniFileText{mark.encoding, utf8FromUtf16(*units)})
                     : std::nullopt;
    }
    return IniFileText{IniEncoding::Bytes, std::string(bytes)};
}

std::optional<std::string> encodeIniFile(const IniFileText& file)
{
    if (file.encoding == IniEncoding::Bytes) {
        return file.text;
    }
    std::string bytes;
    for (const Mark& mark : kMarks) {
        bytes = mark.encoding == file.encoding ? std::string(mark.bytes) : bytes;
    }
    if (file.encoding == IniEncoding::Utf8WithMark) {
        return bytes + file.text;
    }
    const std::u16string units = utf16FromUtf8(file.text);
    if (utf8FromUtf16(units) != file.text) {
        return std::nullopt;
    }
    const bool littleEndian = file.encoding == IniEncoding::Utf16LE;
    for (const char16_t unit : units) {
        const char low = static_cast<char>(unit & 0xFF);
        const char high = static_cast<char>(unit >> 8);
        bytes += littleEndian ? low : high;
        bytes += littleEndian ? high : low;
    }
    return bytes;
}

} // namespace platform
#endif
