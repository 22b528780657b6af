#pragma once

#include "workbook/CompoundFile.h"

#include <array>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

// Reads the cells of an Excel 97-2003 workbook (.xls, BIFF8) as the
// spreadsheet stored them: a formula's cell is its last result, booleans and
// error values keep their kind. Plain C++; the file's bytes are untrusted.
namespace workbook {

struct Value {
    enum class Kind { Empty, Text, Number, Date, Boolean, Error };

    Kind kind = Kind::Empty;
    std::string text;  // UTF-8, for Text; "2026-12-07" (and a time) for Date
    double number = 0; // for Number and Date; 1 or 0 for Boolean; the code for Error

    friend bool operator==(const Value&, const Value&) = default;
};

// Columns A and B of one row.
using Row = std::array<Value, 2>;

// Rows 1 to `lastRow` of columns A and B of the first worksheet in workbook
// order (hidden or not), as far as the sheet holds cells in any column; or
// why the file cannot be read.
std::variant<std::vector<Row>, Failure> readFirstSheet(std::string_view file, unsigned lastRow);

} // namespace workbook
