#pragma once

#include "workbook/CompoundFile.h"

#include <array>
#include <deque>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

// Reads the cells of an Excel 97-2003 workbook (.xls, BIFF8) as the
// spreadsheet stored them: a formula's cell is its last result, booleans and
// error values keep their kind. Plain C++; the file's bytes are untrusted.
// Besides the file, a read holds a copy of its workbook stream, small tables
// and the texts of the cells asked for; a text is decoded only when a cell
// of the range names it.
namespace workbook {

struct Value {
    enum class Kind { Empty, Text, Number, Date, Boolean, Error };

    Kind kind = Kind::Empty;
    std::string_view text; // UTF-8, for Text and Date; viewed in the Sheet's `texts`
    double number = 0;     // for Number and Date; 1 or 0 for Boolean; the code for Error

    friend bool operator==(const Value&, const Value&) = default;
};

// Columns A and B of one row.
using Row = std::array<Value, 2>;

// Rows 1 to the last row asked for that holds a cell, and the texts their values view.
struct Sheet {
    std::vector<Row> rows;
    std::deque<std::string> texts; // each text once, however many cells name it

    // Move-only: a copy's values would view the original's texts.
    Sheet() = default;
    Sheet(Sheet&&) = default;
    Sheet& operator=(Sheet&&) = default;
    Sheet(const Sheet&) = delete;
    Sheet& operator=(const Sheet&) = delete;
};

// Rows 1 to `lastRow` of columns A and B of the first worksheet in workbook
// order (hidden or not), as far as the sheet holds cells in any column; or
// why the file cannot be read.
std::variant<Sheet, Failure> readFirstSheet(std::string_view file, unsigned lastRow);

} // namespace workbook
