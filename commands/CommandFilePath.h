#pragma once

#include <QString>

// The path under which a stored command-file path is opened. On Linux a "\"
// in a relative path is a folder separator, so that paths stored on Windows
// (".\Commands.xls") still work; texts keep showing the path as stored.
QString openablePath(const QString& stored);

// True when something exists at `path` (hidden files included); whether it
// can be read as a command file is the reader's to say.
bool FileExists(const QString& path);
