#pragma once

#include "commands/CellProtocol.h"

// Reads the cells of columns A and B, rows 1 to `lastRow`, of the first
// worksheet of an .xls workbook with FreeXL. Every FreeXL result is checked;
// a failure gives a Range with an error that says what is wrong with the file.
// FreeXL itself is not safe on every damaged file; only the benchmark calls
// this, as the reference the program's own reader is measured against.
cells::Range readFirstSheetRange(const char* path, unsigned lastRow);
