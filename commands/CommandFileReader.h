#pragma once

#include "commands/CommandList.h"

#include <QString>

// What reading a command file came to.
struct CommandFileRead {
    enum class Outcome {
        Read,           // `list` holds the commands
        NoCommandNames, // the first data row has no command text
        Unreadable,     // the file cannot be read as a workbook
    };

    Outcome outcome = Outcome::Unreadable;
    CommandList list;
    QString message; // what to tell the user when nothing was read
    QString sha256;  // of the bytes read, in lower-case hex, once read
};

// The largest command file read: far beyond 999 rows of text, small enough to
// read whole in the window's process.
constexpr qint64 kLargestCommandFile = qint64{32} << 20;

// Reads the command file stored as `path` (which must exist). Anything but a
// regular file, or a file larger than kLargestCommandFile, is refused before
// it is opened.
CommandFileRead readCommandFile(const QString& path);

// The preview of a command list as the transcript pane shows it, every line
// ended by CR LF. `sCmdFile` is the path as stored, before it is cleaned.
QString commandPreview(const QString& sCmdFile, const std::vector<CommandEntry>& entries);

// The path without blanks at either end and without control characters at its end.
QString cleanedCommandFile(const QString& sCmdFile);

// The main window's title for a command file: "Orvelle 1.04.00 [path]".
QString commandFileTitle(const QString& sCmdFile);
