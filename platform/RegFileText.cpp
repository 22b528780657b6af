#include "platform/RegFileText.h"

#include "platform/NameText.h"
#include "platform/Utf16.h"

#include <charconv>

namespace platform {
namespace {

std::string asUtf8(std::string_view file)
{
    if (file.starts_with("\xFF\xFE")) {
        return utf8FromUtf16(utf16FromBytes(file.substr(2), true));
    }
    if (file.starts_with("\xEF\xBB\xBF")) {
        file.remove_prefix(3);
    }
    return std::string(file);
}

// Lines are split at LF alone, so a CR counts as a blank too.
constexpr std::string_view kBlanks = " \t\r";

// A quoted text at the start of `text`, with \\ and \" unescaped; `text` is
// left after the closing quote.
std::optional<std::string> quoted(std::string_view& text)
{
    if (!text.starts_with('"')) {
        return std::nullopt;
    }
    std::string out;
    for (std::size_t i = 1; i < text.size(); ++i) {
        if (text[i] == '"') {
            text.remove_prefix(i + 1);
            return out;
        }
        i += text[i] == '\\' && i + 1 < text.size() ? 1 : 0;
        out += text[i];
    }
    return std::nullopt;
}

// One to eight hex digits and nothing else.
std::optional<std::uint32_t> hexNumber(std::string_view text)
{
    std::uint32_t number = 0;
    const char* end = text.data() + text.size();
    const auto read = std::from_chars(text.data(), end, number, 16);
    return text.size() <= 8 && read.ec == std::errc() && read.ptr == end ? std::optional(number)
                                                                         : std::nullopt;
}

std::optional<std::vector<unsigned char>> hexBytes(std::string_view text)
{
    std::vector<unsigned char> bytes;
    while (!(text = trimmed(text, kBlanks)).empty()) {
        const std::size_t comma = std::min(text.find(','), text.size());
        const std::string_view pair = trimmed(text.substr(0, comma), kBlanks);
        const auto byte = pair.size() <= 2 ? hexNumber(pair) : std::nullopt;
        if (!byte) {
            return std::nullopt;
        }
        bytes.push_back(static_cast<unsigned char>(*byte));
        text.remove_prefix(std::min(comma + 1, text.size()));
    }
    return bytes;
}

// The value written after "=".
std::optional<RegistryValue> valueOf(std::string_view text)
{
    text = trimmed(text, kBlanks);
    if (const auto text1 = quoted(text)) {
        if (!trimmed(text, kBlanks).empty()) {
            return std::nullopt;
        }
        return RegistryValue{1, {text1->c_str(), text1->c_str() + text1->size() + 1}};
    }
    if (text.starts_with("dword:")) {
        const auto number = hexNumber(text.substr(6));
        if (!number) {
            return std::nullopt;
        }
        const auto byte = [&number](int shift) {
            return static_cast<unsigned char>(*number >> shift);
        };
        return RegistryValue{4, {byte(0), byte(8), byte(16), byte(24)}};
    }
    std::optional<std::uint32_t> type;
    if (text.starts_with("hex:")) {
        type = 3;
        text.remove_prefix(4);
    } else if (const std::size_t close = text.find("):");
               text.starts_with("hex(") && close != std::string_view::npos) {
        type = hexNumber(text.substr(4, close - 4));
        text.remove_prefix(close + 2);
    }
    auto bytes = type ? hexBytes(text) : std::nullopt;
    if (!bytes) {
        return std::nullopt;
    }
    // Text types are exported in UTF-16; a query in the system code page gives them as text.
    const bool textType = type == 1u || type == 2u || type == 7u;
    if (textType && bytes->size() % 2 == 0) {
        const std::string utf8 = utf8FromUtf16(utf16FromBytes(
            std::string_view(reinterpret_cast<const char*>(bytes->data()), bytes->size()), true));
        bytes->assign(utf8.begin(), utf8.end());
    }
    return RegistryValue{*type, std::move(*bytes)};
}

} // namespace

std::optional<RegistryValue> findRegValue(std::string_view file, std::string_view fullKeyPath,
                                          std::string_view name)
{
    const std::string text = asUtf8(file);
    std::optional<RegistryValue> found;
    bool inKey = false;
    for (std::size_t start = 0; start < text.size();) {
        // One logical line: a line ending in "\" goes on in the next.
        std::string line;
        for (bool goesOn = true; goesOn;) {
            const std::size_t end = std::min(text.find('\n', start), text.size());
            const std::string_view part =
                trimmed(std::string_view(text).substr(start, end - start), kBlanks);
            start = end + 1;
            goesOn = part.ends_with('\\') && start < text.size();
            line += goesOn ? part.substr(0, part.size() - 1) : part;
        }
        std::string_view rest(line);
        if (rest.starts_with('[')) {
            const std::size_t close = rest.rfind(']');
            inKey =
                close != std::string_view::npos && sameName(rest.substr(1, close - 1), fullKeyPath);
            continue;
        }
        if (!inKey) {
            continue;
        }
        const bool isDefault = rest.starts_with('@');
        rest.remove_prefix(isDefault ? 1 : 0);
        const auto valueName = isDefault ? std::optional<std::string>("") : quoted(rest);
        rest = trimmed(rest, kBlanks);
        if (!valueName || !rest.starts_with('=') || !sameName(*valueName, name)) {
            continue;
        }
        rest.remove_prefix(1);
        // "=-" deletes the value; a later line may set it again.
        if (trimmed(rest, kBlanks) == "-") {
            found.reset();
        } else if (auto value = valueOf(rest)) {
            found = std::move(value);
        }
    }
    return found;
}

} // namespace platform
