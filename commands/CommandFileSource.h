#pragma once

#include "commands/WorkbookReader.h"

// Where the window gets the cells of a command file: the workbook helper in
// the program; a test may give a table of cells.
class CommandFileSource {
public:
    virtual ~CommandFileSource() = default;
    // The cells of range A1:B1000 of the workbook at `absolutePath`, or why there are none.
    virtual CommandRange cellsOf(const QString& absolutePath) = 0;
};

// Reads with the workbook helper.
class HelperCommandFileSource final : public CommandFileSource {
public:
    CommandRange cellsOf(const QString& absolutePath) override
    {
        return readCommandRange(absolutePath);
    }
};
