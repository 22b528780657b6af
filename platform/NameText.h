#pragma once

#include <algorithm>
#include <cctype>
#include <string_view>

// What the INI and the registry export readers share: names that match
// without regard to case, and blanks around names and values that do not count.
namespace platform {

inline bool sameName(std::string_view a, std::string_view b)
{
    return std::ranges::equal(
        a, b, [](unsigned char x, unsigned char y) { return std::tolower(x) == std::tolower(y); });
}

// `text` without the characters of `blanks` at either end.
inline std::string_view trimmed(std::string_view text, std::string_view blanks = " \t")
{
    const std::size_t first = text.find_first_not_of(blanks);
    return first == std::string_view::npos
               ? std::string_view()
               : text.substr(first, text.find_last_not_of(blanks) + 1 - first);
}

} // namespace platform
