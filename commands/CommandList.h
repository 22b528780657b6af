#pragma once

#include "workbook/XlsReader.h"

#include <QString>

#include <span>
#include <variant>
#include <vector>

// One prepared line of a command file: "/rawsend " + text, "/rawxact " + text
// (whose reply is awaited) or " Comment:" + text.
struct CommandEntry {
    QString line;
    bool waitReply = false;

    friend bool operator==(const CommandEntry&, const CommandEntry&) = default;
};

// A command file is read in range A1:B1000: a header row, then up to 999 commands.
constexpr unsigned kRangeRows = 1000;
constexpr std::size_t kCommandRows = kRangeRows - 1;

struct CommandList {
    std::vector<CommandEntry> entries;
    // A command row (not a comment) holds "{{SN}}".
    bool needsSerialNumber = false;
};

// A code column is text when text cells are the majority among the non-empty
// code cells of the first eight data rows (a tie is numeric); with none at all it is text.
// An error value counts as an empty cell.
bool codeColumnIsText(std::span<const workbook::Row> dataRows);

// A cell as text, as a spreadsheet's General format shows it: text and dates
// unchanged, numbers with at most 15 significant digits ("0.1", "12345678901",
// "1E+20", "1.23456789012346E+19"), booleans as "TRUE" or "FALSE", an error
// value as nothing.
QString cellText(const workbook::Value& cell);

// Why the data rows make no command list.
struct NoCommandNames {}; // the first data row has no command text
struct LineBreakInCommand {
    int row; // the sheet's row number (the header is row 1)
};

// The command list of the data rows (the rows below the header), in sheet
// order, or why there is none. The protocol is one command a line: a command
// row whose text holds a line break (CR or LF) would send a second command
// nobody wrote, so the file is refused; a comment may hold one.
std::variant<CommandList, NoCommandNames, LineBreakInCommand>
commandListFrom(std::span<const workbook::Row> dataRows);
