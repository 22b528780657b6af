#pragma once

#include "commands/CellProtocol.h"

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

struct CommandList {
    std::vector<CommandEntry> entries;
    // A command row (not a comment) holds "{{SN}}".
    bool needsSerialNumber = false;
};

// A code column is text when text cells are the majority among the non-empty
// code cells of the first eight data rows (a tie is numeric); with none at all it is text.
bool codeColumnIsText(std::span<const cells::Row> dataRows);

// A cell as text: text and dates unchanged, whole numbers without a decimal
// point, other numbers in their shortest exact form with a ".", booleans as
// "TRUE" or "FALSE".
QString cellText(const cells::Cell& cell);

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
commandListFrom(std::span<const cells::Row> dataRows);
