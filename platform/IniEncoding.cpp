#include "platform/IniEncoding.h"

#ifndef _WIN32
#include "platform/Utf16.h"

namespace platform {
namespace {

// Each encoding's byte-order mark, in the order of IniEncoding.
constexpr std::string_view kMarks[] = {"", "\xEF\xBB\xBF", "\xFF\xFE", "\xFE\xFF"};

std::string_view markOf(IniEncoding encoding)
{
    return kMarks[static_cast<int>(encoding)];
}

} // namespace

std::optional<IniFileText> decodeIniFile(std::string_view bytes)
{
    for (const IniEncoding encoding :
         {IniEncoding::Utf8WithMark, IniEncoding::Utf16LE, IniEncoding::Utf16BE}) {
        if (!bytes.starts_with(markOf(encoding))) {
            continue;
        }
        bytes.remove_prefix(markOf(encoding).size());
        if (encoding == IniEncoding::Utf8WithMark) {
            return IniFileText{encoding, std::string(bytes)};
        }
        const std::u16string units = utf16FromBytes(bytes, encoding == IniEncoding::Utf16LE);
        std::string text = utf8FromUtf16(units);
        // A unit cut in two or a lone surrogate would not come back from the text.
        if (bytes.size() % 2 != 0 || utf16FromUtf8(text) != units) {
            return std::nullopt;
        }
        return IniFileText{encoding, std::move(text)};
    }
    return IniFileText{IniEncoding::Bytes, std::string(bytes)};
}

std::optional<std::string> encodeIniFile(const IniFileText& file)
{
    std::string bytes(markOf(file.encoding));
    if (file.encoding == IniEncoding::Bytes || file.encoding == IniEncoding::Utf8WithMark) {
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
