#include "platform/IniText.h"

#include "platform/NameText.h"

#include <vector>

namespace platform {
namespace {

struct Line {
    std::string text; // without its line end
    std::string end;  // "\r\n", "\n", or for a last line "" or the "\r" of a cut CR LF
};

std::vector<Line> splitLines(const std::string& text)
{
    std::vector<Line> lines;
    for (std::size_t start = 0; start < text.size();) {
        const std::size_t newline = std::min(text.find('\n', start), text.size());
        // A CR before the LF, or one that ends the text (a CR LF cut short), is part of the end.
        const bool cr = newline > start && text[newline - 1] == '\r';
        lines.push_back({text.substr(start, newline - start - (cr ? 1 : 0)),
                         std::string(cr ? "\r" : "") + (newline < text.size() ? "\n" : "")});
        start = newline + 1;
    }
    return lines;
}

// The section a "[name]" line opens, if it is one.
std::optional<std::string_view> sectionName(std::string_view line)
{
    line = trimmed(line);
    if (!line.starts_with('[')) {
        return std::nullopt;
    }
    return trimmed(line.substr(1, line.find(']') - 1));
}

struct Entry {
    std::string_view key;
    std::string_view value;
};

std::optional<Entry> entry(std::string_view line)
{
    const std::size_t equals = line.find('=');
    if (equals == std::string_view::npos) {
        return std::nullopt;
    }
    return Entry{trimmed(line.substr(0, equals)), trimmed(line.substr(equals + 1))};
}

// Where things stand for one key: the line that holds it, or where the
// section's last entry is, or nothing when the section is missing.
struct Place {
    std::optional<std::size_t> keyLine;
    std::optional<std::size_t> sectionEnd; // the line after which a new entry goes
};

Place locate(const std::vector<Line>& lines, const std::string& sectionAsked,
             const std::string& keyAsked)
{
    // Blanks around the names asked for do not count either.
    const std::string_view section = trimmed(sectionAsked);
    const std::string_view key = trimmed(keyAsked);
    Place place;
    bool inSection = false;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (const auto name = sectionName(lines[i].text)) {
            // A section of the same name further on is not read, as the
            // system's profile functions do not read it.
            inSection = sameName(*name, section) && !place.sectionEnd;
            if (inSection) {
                place.sectionEnd = i;
            }
            continue;
        }
        const auto e = inSection ? entry(lines[i].text) : std::nullopt;
        if (e && sameName(e->key, key)) {
            place.keyLine = i;
            return place;
        }
        // New entries go after the section's last entry; blank lines and notes
        // that follow it stay with whatever comes next.
        if (e) {
            place.sectionEnd = i;
        }
    }
    return place;
}

} // namespace

std::optional<std::string> findIniValue(const std::string& text, const std::string& section,
                                        const std::string& key)
{
    const std::vector<Line> lines = splitLines(text);
    const Place place = locate(lines, section, key);
    if (!place.keyLine) {
        return std::nullopt;
    }
    return std::string(entry(lines[*place.keyLine].text)->value);
}

std::string withoutQuotes(const std::string& value)
{
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front()) {
        return value.substr(1, value.size() - 2);
    }
    return value;
}

bool fitsOnOneLine(const std::string& section, const std::string& key, const std::string& value)
{
    return (section + key + value).find_first_of("\r\n") == std::string::npos;
}

std::optional<std::string> withIniValue(const std::string& text, const std::string& section,
                                        const std::string& key, const std::string& value)
{
    // A key line that began with "[" would be read as a section line.
    if (!fitsOnOneLine(section, key, value) || section.find(']') != std::string::npos ||
        key.find('=') != std::string::npos || trimmed(key).starts_with('[')) {
        return std::nullopt;
    }
    std::vector<Line> lines = splitLines(text);
    const std::string newline = !lines.empty() && lines.front().end == "\r\n" ? "\r\n" : "\n";
    const std::string keyLine = key + "=" + value;
    // The last line gets a whole line end; a CR it ends in stays the start of a CR LF.
    if (!lines.empty() && !lines.back().end.ends_with('\n')) {
        lines.back().end = lines.back().end.empty() ? newline : "\r\n";
    }

    const Place place = locate(lines, section, key);
    if (place.keyLine) {
        lines[*place.keyLine].text = keyLine;
    } else if (place.sectionEnd) {
        lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(*place.sectionEnd) + 1,
                     {keyLine, newline});
    } else {
        if (!lines.empty()) {
            lines.push_back({"", newline});
        }
        lines.push_back({"[" + section + "]", newline});
        lines.push_back({keyLine, newline});
    }

    std::string result;
    for (const Line& line : lines) {
        result += line.text + line.end;
    }
    return result;
}

} // namespace platform
