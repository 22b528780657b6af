#include "commands/CellProtocol.h"

#include <charconv>

namespace cells {
namespace {

constexpr std::string_view kHeader = "orvelle-cells 1\n";

// Reads from the front of `rest`, which shrinks as it is read.
class Reader {
public:
    explicit Reader(std::string_view text)
        : rest_(text)
    {
    }

    bool literal(std::string_view expected)
    {
        if (rest_.substr(0, expected.size()) != expected) {
            return false;
        }
        rest_.remove_prefix(expected.size());
        return true;
    }

    // The text up to the next line feed, which is passed over.
    std::optional<std::string_view> line()
    {
        const std::size_t end = rest_.find('\n');
        if (end == std::string_view::npos) {
            return std::nullopt;
        }
        const std::string_view text = rest_.substr(0, end);
        rest_.remove_prefix(end + 1);
        return text;
    }

    std::optional<std::size_t> count(char terminator)
    {
        std::size_t value = 0;
        const auto result = std::from_chars(rest_.data(), rest_.data() + rest_.size(), value);
        if (result.ec != std::errc() || result.ptr == rest_.data() ||
            result.ptr == rest_.data() + rest_.size() || *result.ptr != terminator) {
            return std::nullopt;
        }
        rest_.remove_prefix(static_cast<std::size_t>(result.ptr - rest_.data()) + 1);
        return value;
    }

    std::optional<std::string_view> bytes(std::size_t size)
    {
        // Compared as it is: size + 1 would wrap round for the largest count.
        if (size >= rest_.size() || rest_[size] != '\n') {
            return std::nullopt;
        }
        const std::string_view text = rest_.substr(0, size);
        rest_.remove_prefix(size + 1);
        return text;
    }

    bool atEnd() const { return rest_.empty(); }
    char peek() const { return rest_.empty() ? '\0' : rest_.front(); }

private:
    std::string_view rest_;
};

// Reads one cell into `cell`, which is empty; false when the line is out of form.
bool readCell(Reader& in, Cell& cell)
{
    switch (in.peek()) {
    case 'N':
        return in.literal("N\n");
    case 'B':
        for (const char* truth : {"B 0\n", "B 1\n"}) {
            if (in.literal(truth)) {
                cell.kind = Cell::Kind::Boolean;
                cell.number = truth[2] == '1' ? 1 : 0;
                return true;
            }
        }
        return false;
    case 'D': {
        const auto text = in.literal("D ") ? in.line() : std::nullopt;
        if (!text || text->empty()) {
            return false;
        }
        const auto result = std::from_chars(text->data(), text->data() + text->size(), cell.number);
        cell.kind = Cell::Kind::Number;
        return result.ec == std::errc() && result.ptr == text->data() + text->size();
    }
    case 'T':
    case 'W': {
        cell.kind = static_cast<Cell::Kind>(in.peek());
        const char tag[] = {in.peek(), ' '};
        const auto size = in.literal({tag, sizeof tag}) ? in.count(' ') : std::nullopt;
        const auto text = size ? in.bytes(*size) : std::nullopt;
        if (!text) {
            return false;
        }
        cell.text.assign(*text);
        return true;
    }
    default:
        return false;
    }
}

} // namespace

std::string encode(const Range& range)
{
    std::string out(kHeader);
    if (range.error) {
        std::string message = *range.error;
        for (char& c : message) {
            c = c == '\n' ? ' ' : c;
        }
        return out + "error " + message + "\n";
    }
    char digits[64];
    const auto appendNumber = [&out, &digits](auto value) {
        out.append(digits, std::to_chars(digits, digits + sizeof digits, value).ptr);
    };
    std::size_t size = out.size() + 16;
    for (const Row& row : range.rows) {
        size += 2 * 32 + row[0].text.size() + row[1].text.size();
    }
    out.reserve(size);
    out += "rows ";
    appendNumber(range.rows.size());
    out += '\n';
    for (const Row& row : range.rows) {
        for (const Cell& cell : row) {
            out += static_cast<char>(cell.kind);
            switch (cell.kind) {
            case Cell::Kind::Empty:
                break;
            case Cell::Kind::Number:
                out += ' ';
                appendNumber(cell.number);
                break;
            case Cell::Kind::Boolean:
                out += cell.number != 0 ? " 1" : " 0";
                break;
            case Cell::Kind::Text:
            case Cell::Kind::Date:
                out += ' ';
                appendNumber(cell.text.size());
                out += ' ';
                out += cell.text;
                break;
            }
            out += '\n';
        }
    }
    out += "end\n";
    return out;
}

std::optional<Range> decode(std::string_view output)
{
    Reader in(output);
    if (!in.literal(kHeader)) {
        return std::nullopt;
    }
    Range range;
    if (in.literal("error ")) {
        const auto message = in.line();
        if (!message || !in.atEnd()) {
            return std::nullopt;
        }
        range.error = std::string(*message);
        return range;
    }
    const auto rows = in.literal("rows ") ? in.count('\n') : std::nullopt;
    if (!rows || *rows > kRangeRows) {
        return std::nullopt;
    }
    range.rows.resize(*rows);
    for (Row& row : range.rows) {
        for (Cell& cell : row) {
            if (!readCell(in, cell)) {
                return std::nullopt;
            }
        }
    }
    if (!in.literal("end\n") || !in.atEnd()) {
        return std::nullopt;
    }
    return range;
}

} // namespace cells
