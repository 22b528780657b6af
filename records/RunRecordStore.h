#pragma once

#include "records/RunRecord.h"

#include <optional>

// The records folder: `configured` when given (a relative path counts from `base`), else
// Orvelle/Runs in the user's data folder ($XDG_DATA_HOME, else ~/.local/share; %LOCALAPPDATA% on
// Windows).
QString runRecordsFolder(const QString& configured, const QString& base);

// Keeps the record of a run in `folder`, made when missing: the transcript in a file of its own
// (a number added to its name when a run of the same second and serial number has that name), and
// the record's row appended to runs.csv, which starts with a byte-order mark and the header. Rows
// go in whole or not at all, also when a writer was killed mid-row, and programs sharing the
// folder take turns. Returns why, when either could not be written.
std::optional<QString> saveRunRecord(const QString& folder, RunRecord record,
                                     const QString& transcript);
