#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The typed cells of a worksheet range, as the workbook helper hands them to
// the program over a pipe. Plain C++, so that the helper needs no Qt.
namespace cells {

struct Cell {
    enum class Kind : char {
        Empty = 'N',
        Text = 'T',
        Number = 'D',
        Date = 'W',    // a date, time or both, as text
        Boolean = 'B', // TRUE (number 1) or FALSE (0)
    };

    Kind kind = Kind::Empty;
    std::string text; // UTF-8, for Text and Date
    double number = 0;

    friend bool operator==(const Cell&, const Cell&) = default;
};

// Columns A and B of one row.
using Row = std::array<Cell, 2>;

// The range is A1:B1000: an answer with more rows is out of form.
constexpr std::size_t kRangeRows = 1000;

// What the helper found: the rows of the range, or why there are none.
struct Range {
    std::vector<Row> rows;
    std::optional<std::string> error;
};

// The output format: a first line "orvelle-cells 1", then either "error "
// and a message, or "rows" and their number followed by one line a cell
// ("N"; "D" and a number; "B 1" or "B 0"; "T" or "W", the length in bytes,
// a blank and the bytes), and last "end". Every line ends in a line feed.
std::string encode(const Range& range);

// Nothing when `output` is not exactly in that format (cut short, altered,
// followed by anything, or with more rows than the range holds).
std::optional<Range> decode(std::string_view output);

} // namespace cells
