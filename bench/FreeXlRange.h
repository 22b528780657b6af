#pragma once

#include <optional>
#include <string>
#include <vector>

// Columns A and B, rows 1 to `lastRow`, of the first worksheet of an .xls
// workbook read with FreeXL, each cell as text (numbers in FreeXL's own
// form); nothing when FreeXL refuses the file. FreeXL is not safe on every
// damaged file: only the benchmark calls this, as the bare reference read.
std::optional<std::vector<std::string>> freeXlCells(const char* path, unsigned lastRow);
