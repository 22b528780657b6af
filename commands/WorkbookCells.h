#pragma once

#include "commands/CellProtocol.h"

#include <string>

// The cells of columns A and B, rows 1 to `lastRow`, of the first worksheet
// of the .xls workbook at `path`, read with our own workbook reader; or a
// Range with an error that says what is wrong with the file. An error value
// in a cell reads as an empty cell.
cells::Range cellsOfWorkbook(const std::string& path, unsigned lastRow);
