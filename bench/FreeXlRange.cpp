#include "bench/FreeXlRange.h"

#include <algorithm>
#include <freexl.h>

namespace {

std::string textOf(const FreeXL_CellValue& value)
{
    switch (value.type) {
    case FREEXL_CELL_INT:
        return std::to_string(value.value.int_value);
    case FREEXL_CELL_DOUBLE:
        return std::to_string(value.value.double_value);
    case FREEXL_CELL_TEXT:
    case FREEXL_CELL_SST_TEXT:
    case FREEXL_CELL_DATE:
    case FREEXL_CELL_DATETIME:
    case FREEXL_CELL_TIME:
        return value.value.text_value ? value.value.text_value : "";
    default:
        return {};
    }
}

std::optional<std::vector<std::string>> cellsOfOpened(const void* handle, unsigned lastRow)
{
    unsigned sheets = 0;
    unsigned rows = 0;
    unsigned short columns = 0;
    if (freexl_get_info(handle, FREEXL_BIFF_SHEET_COUNT, &sheets) != FREEXL_OK || sheets == 0 ||
        freexl_select_active_worksheet(handle, 0) != FREEXL_OK ||
        freexl_worksheet_dimensions(handle, &rows, &columns) != FREEXL_OK) {
        return std::nullopt;
    }
    std::vector<std::string> cells;
    for (unsigned row = 0; row < std::min(rows, lastRow); ++row) {
        for (unsigned short column = 0; column < std::min<unsigned short>(columns, 2); ++column) {
            FreeXL_CellValue value{};
            if (freexl_get_cell_value(handle, row, column, &value) != FREEXL_OK) {
                return std::nullopt;
            }
            cells.push_back(textOf(value));
        }
    }
    return cells;
}

} // namespace

std::optional<std::vector<std::string>> freeXlCells(const char* path, unsigned lastRow)
{
    const void* handle = nullptr;
    const int opened = freexl_open(path, &handle);
    auto cells = opened == FREEXL_OK ? cellsOfOpened(handle, lastRow) : std::nullopt;
    // The handle is closed also after a failed open, which may have allocated it.
    if (handle) {
        freexl_close(handle);
    }
    return cells;
}
