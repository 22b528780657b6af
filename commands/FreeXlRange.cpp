#include "commands/FreeXlRange.h"

#include <algorithm>
#include <cstring>
#include <freexl.h>
#include <fstream>

namespace {

// Why FreeXL could not open the file, in the user's terms: the first bytes
// tell an empty file, a newer .xlsx workbook or something else from a damaged one.
std::string openError(int code, const char* path)
{
    if (code == FREEXL_FILE_NOT_FOUND) {
        return "it cannot be opened for reading";
    }
    if (code == FREEXL_INSUFFICIENT_MEMORY) {
        return "there is not enough memory to read it";
    }
    char start[8] = {};
    std::ifstream file(path, std::ios::binary);
    file.read(start, sizeof start);
    const auto got = file.gcount();
    if (got == 0) {
        return "the file is empty";
    }
    if (got >= 4 && std::memcmp(start, "PK\x03\x04", 4) == 0) {
        return "it is an Excel 2007 or later workbook (.xlsx); save it as Excel 97-2003 (.xls)";
    }
    if (got < 8 || std::memcmp(start, "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8) != 0) {
        return "it is not an Excel 97-2003 workbook (.xls)";
    }
    return "the workbook is damaged (FreeXL error " + std::to_string(code) + ")";
}

cells::Range failed(std::string message)
{
    cells::Range range;
    range.error = std::move(message);
    return range;
}

cells::Cell cellOf(const FreeXL_CellValue& value)
{
    cells::Cell cell;
    switch (value.type) {
    case FREEXL_CELL_INT:
        cell.kind = cells::Cell::Kind::Number;
        cell.number = value.value.int_value;
        break;
    case FREEXL_CELL_DOUBLE:
        cell.kind = cells::Cell::Kind::Number;
        cell.number = value.value.double_value;
        break;
    case FREEXL_CELL_TEXT:
    case FREEXL_CELL_SST_TEXT:
        cell.kind = cells::Cell::Kind::Text;
        cell.text = value.value.text_value ? value.value.text_value : "";
        break;
    case FREEXL_CELL_DATE:
    case FREEXL_CELL_DATETIME:
    case FREEXL_CELL_TIME:
        cell.kind = cells::Cell::Kind::Date;
        cell.text = value.value.text_value ? value.value.text_value : "";
        break;
    default:
        break;
    }
    return cell;
}

cells::Range readOpened(const void* handle, unsigned lastRow)
{
    unsigned sheets = 0;
    if (freexl_get_info(handle, FREEXL_BIFF_SHEET_COUNT, &sheets) != FREEXL_OK || sheets == 0) {
        return failed("the workbook has no worksheet");
    }
    if (freexl_select_active_worksheet(handle, 0) != FREEXL_OK) {
        return failed("its first worksheet cannot be read");
    }
    unsigned rows = 0;
    unsigned short columns = 0;
    if (freexl_worksheet_dimensions(handle, &rows, &columns) != FREEXL_OK) {
        return failed("the size of its first worksheet cannot be read");
    }
    // FreeXL's counts are counts, not last indices.
    cells::Range range;
    range.rows.resize(std::min(rows, lastRow));
    for (unsigned row = 0; row < range.rows.size(); ++row) {
        for (unsigned short column = 0; column < std::min<unsigned short>(columns, 2); ++column) {
            FreeXL_CellValue value{};
            const int result = freexl_get_cell_value(handle, row, column, &value);
            if (result != FREEXL_OK) {
                return failed("cell " + std::string(1, char('A' + column)) +
                              std::to_string(row + 1) + " cannot be read (FreeXL error " +
                              std::to_string(result) + ")");
            }
            range.rows[row][column] = cellOf(value);
        }
    }
    return range;
}

} // namespace

cells::Range readFirstSheetRange(const char* path, unsigned lastRow)
{
    const void* handle = nullptr;
    const int opened = freexl_open(path, &handle);
    cells::Range range =
        opened == FREEXL_OK ? readOpened(handle, lastRow) : failed(openError(opened, path));
    // The handle is closed also after a failed open, which may have allocated it.
    if (handle) {
        freexl_close(handle);
    }
    return range;
}
