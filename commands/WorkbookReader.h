#pragma once

#include "commands/CellProtocol.h"

#include <QString>

#include <chrono>
#include <string_view>
#include <variant>
#include <vector>

// The cells of a command file's range, or why they cannot be read.
using CommandRange = std::variant<std::vector<cells::Row>, QString>;

// The cells of range A1:B1000 of the first worksheet of the workbook at
// `path`, read by the helper program orvelle-xls-reader beside this program,
// or why they cannot be read. A helper that crashes, takes longer than
// `limit` or answers out of form is reported like a damaged file.
CommandRange readCommandRange(const QString& path,
                              std::chrono::milliseconds limit = std::chrono::milliseconds(5000));

// What the helper's answer (CellProtocol.h) says: the cells, the helper's
// reason, or that the answer cannot be understood.
CommandRange rangeFromAnswer(std::string_view answer);
