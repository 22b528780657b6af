#pragma once

#include <QDateTime>
#include <QString>

// How a run of the command list ended.
enum class RunOutcome {
    Complete,       // every line sent, every awaited reply came
    NoReader,       // Go's check of the port found no reader: nothing was sent
    RepliesMissing, // every line sent, some awaited replies never came
    PortLost,       // the port went away during the run
    WindowClosed,   // the window was closed during the run
};

// What the record of one run of Go holds.
struct RunRecord {
    QDateTime started;
    QDateTime ended;
    QString serialNumber; // as sent; empty when the list asks for none
    QString portEntry;    // the port list's text
    QString portNumber;   // as the window shows it; empty when no port was opened
    QString driverVersion;
    QString readerVersion;
    QString commandFile;
    QString commandFileSha256; // lower-case hex
    int linesSent = 0;
    int repliesAwaited = 0;
    int repliesMissing = 0;
    RunOutcome outcome = RunOutcome::Complete;
    QString computer;
    QString programVersion;
    QString transcriptFile; // the name of the transcript's file beside runs.csv
};

// The outcome as the record names it: one fixed word an end.
QString outcomeWord(RunOutcome outcome);

// The header and one record as rows of runs.csv: RFC 4180, each row ended by CR LF, a field
// quoted when it holds a comma, a quote or a line break.
QString csvHeader();
QString csvRow(const RunRecord& record);

// The transcript's file name: the start time (local) and the serial number, e.g.
// "20261208-101500-0000000000000042.txt"; characters no file system takes in a name become "_".
QString transcriptFileName(const QDateTime& started, const QString& serialNumber);
