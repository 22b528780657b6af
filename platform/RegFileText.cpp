#include "platform/RegFileText.h"

#include "platform/Utf16.h"

#include <algorithm>
#include <cctype>

namespace platform {
namespace {

std::string asUtf8(std::string_view file)
{
    if (file.substr(0, 2) == "\xFF\xFE") {
        return utf8FromUtf16(utf16FromBytes(file.substr(2), true));
    }
    if (file.substr(0, 3) == "\xEF\xBB\xBF") {
        file.remove_prefix(3);
    }
    return std::string(file);
}

std::string_view trimmed(std::string_view text)
{
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r'; };
    while (!text.empty() && blank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && blank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

bool sameName(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

// A quoted text at the start of `text`, with \\ and \" unescaped; `text` is
// left after the closing quote.
std::optional<std::string> quoted(std::string_view& text)
{
    if (text.empty() || text.front() != '"') {
        return std::nullopt;
    }
    std::string out;
    for (std::size_t i = 1; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 1 < text.size()) {
            out += text[++i];
        } else if (text[i] == '"') {
            text.remove_prefix(i + 1);
            return out;
        } else {
            out += text[i];
        }
    }
    return std::nullopt;
}

std::optional<std::uint32_t> hexNumber(std::string_view text)
{
    // Taken as unsigned char: isxdigit is undefined for the negative chars of bytes past ASCII.
    if (text.empty() || text.size() > 8 ||
        !std::all_of(text.begin(), text.end(),
                     [](unsigned char c) { return std::isxdigit(c) != 0; })) {
        return std::nullopt;
    }
    return static_cast<std::uint32_t>(std::stoul(std::string(text), nullptr, 16));
}

std::optional<std::vector<unsigned char>> hexBytes(std::string_view text)
{
    std::vector<unsigned char> bytes;
    while (!(text = trimmed(text)).empty()) {
        const std::size_t comma = std::min(text.find(','), text.size());
        const std::string_view pair = trimmed(text.substr(0, comma));
        const auto byte = pair.size() <= 2 ? hexNumber(pair) : std::nullopt;
        if (!byte) {
            return std::nullopt;
        }
        bytes.push_back(static_cast<unsigned char>(*byte));
        text.remove_prefix(std::min(comma + 1, text.size()));
    }
    return bytes;
}

std::vector<unsigned char> textData(const std::string& text)
{
    std::vector<unsigned char> data(text.begin(), text.end());
    data.push_back(0);
    return data;
}

// The value written after "=".
std::optional<RegistryValue> valueOf(std::string_view text)
{
    text = trimmed(text);
    if (const auto text1 = quoted(text)) {
        return trimmed(text).empty() ? std::optional(RegistryValue{1, textData(*text1)})
                                     : std::nullopt;
    }
    if (text.substr(0, 6) == "dword:") {
        const auto number = hexNumber(text.substr(6));
        if (!number) {
            return std::nullopt;
        }
        RegistryValue value{4, {}};
        for (int shift = 0; shift < 32; shift += 8) {
            value.data.push_back(static_cast<unsigned char>(*number >> shift));
        }
        return value;
    }
    std::uint32_t type = 3;
    if (text.substr(0, 4) == "hex(") {
        const std::size_t close = text.find("):");
        const auto number =
            close == std::string_view::npos ? std::nullopt : hexNumber(text.substr(4, close - 4));
        if (!number) {
            return std::nullopt;
        }
        type = *number;
        text.remove_prefix(close + 2);
    } else if (text.substr(0, 4) == "hex:") {
        text.remove_prefix(4);
    } else {
        return std::nullopt;
    }
    auto bytes = hexBytes(text);
    if (!bytes) {
        return std::nullopt;
    }
    // Text types are exported in UTF-16; a query in the system code page gives them as text.
    const bool textType = type == 1 || type == 2 || type == 7;
    if (textType && bytes->size() % 2 == 0) {
        const std::string utf8 = utf8FromUtf16(utf16FromBytes(
            std::string_view(reinterpret_cast<const char*>(bytes->data()), bytes->size()), true));
        bytes->assign(utf8.begin(), utf8.end());
    }
    return RegistryValue{type, std::move(*bytes)};
}

} // namespace

std::optional<RegistryValue> findRegValue(std::string_view file, std::string_view fullKeyPath,
                                          std::string_view name)
{
    const std::string text = asUtf8(file);
    std::optional<RegistryValue> found;
    bool inKey = false;
    std::size_t start = 0;
    while (start < text.size()) {
        // One logical line: a line ending in "\" goes on in the next.
        std::string line;
        for (;;) {
            const std::size_t end = std::min(text.find('\n', start), text.size());
            const std::string_view part =
                trimmed(std::string_view(text).substr(start, end - start));
            start = end + 1;
            if (!part.empty() && part.back() == '\\' && start < text.size()) {
                line += part.substr(0, part.size() - 1);
                continue;
            }
            line += part;
            break;
        }
        std::string_view rest(line);
        if (!rest.empty() && rest.front() == '[') {
            const std::size_t close = rest.rfind(']');
            inKey =
                close != std::string_view::npos && sameName(rest.substr(1, close - 1), fullKeyPath);
            continue;
        }
        if (!inKey) {
            continue;
        }
        std::string valueName;
        if (!rest.empty() && rest.front() == '@') {
            rest.remove_prefix(1);
        } else if (const auto quotedName = quoted(rest)) {
            valueName = *quotedName;
        } else {
            continue;
        }
        rest = trimmed(rest);
        if (rest.empty() || rest.front() != '=' || !sameName(valueName, name)) {
            continue;
        }
        rest.remove_prefix(1);
        // "=-" deletes the value; a later line may set it again.
        if (trimmed(rest) == "-") {
            found.reset();
        } else if (auto value = valueOf(rest)) {
            found = std::move(value);
        }
    }
    return found;
}

} // namespace platform
