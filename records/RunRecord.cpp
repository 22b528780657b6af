#include "records/RunRecord.h"

#include <QStringList>

namespace {

// Time stamps in local time with their offset from UTC, to the second.
QString isoLocal(const QDateTime& time)
{
    return time.toOffsetFromUtc(time.offsetFromUtc()).toString(Qt::ISODate);
}

// By hand: Qt writes no CSV, and RFC 4180's quoting is these few lines.
QString csvField(QString field)
{
    if (field.contains(u',') || field.contains(u'"') || field.contains(u'\r') ||
        field.contains(u'\n')) {
        field.replace(QStringLiteral("\""), QStringLiteral("\"\""));
        return u'"' + field + u'"';
    }
    return field;
}

QString csvLine(const QStringList& fields)
{
    QStringList quoted;
    for (const QString& field : fields) {
        quoted << csvField(field);
    }
    return quoted.join(u',') + QStringLiteral("\r\n");
}

} // namespace

QString outcomeWord(RunOutcome outcome)
{
    switch (outcome) {
    case RunOutcome::Complete:
        return QStringLiteral("complete");
    case RunOutcome::NoReader:
        return QStringLiteral("no-reader");
    case RunOutcome::RepliesMissing:
        return QStringLiteral("replies-missing");
    case RunOutcome::PortLost:
        return QStringLiteral("port-lost");
    case RunOutcome::WindowClosed:
        return QStringLiteral("window-closed");
    }
    return {};
}

QString csvHeader()
{
    return csvLine({"Started", "Ended", "Serial number", "Port", "Port number", "Driver version",
                    "Reader version", "Command file", "Command file SHA-256", "Lines sent",
                    "Replies awaited", "Replies missing", "Outcome", "Computer", "Program version",
                    "Transcript"});
}

QString csvRow(const RunRecord& r)
{
    return csvLine({isoLocal(r.started), isoLocal(r.ended), r.serialNumber, r.portEntry,
                    r.portNumber, r.driverVersion, r.readerVersion, r.commandFile,
                    r.commandFileSha256, QString::number(r.linesSent),
                    QString::number(r.repliesAwaited), QString::number(r.repliesMissing),
                    outcomeWord(r.outcome), r.computer, r.programVersion, r.transcriptFile});
}

QString transcriptFileName(const QDateTime& started, const QString& serialNumber)
{
    QString serial = serialNumber;
    for (QChar& c : serial) {
        if (c < u' ' || QStringLiteral("\\/:*?\"<>|").contains(c)) {
            c = u'_';
        }
    }
    return started.toString(QStringLiteral("yyyyMMdd-HHmmss")) +
           (serial.isEmpty() ? QString() : u'-' + serial) + QStringLiteral(".txt");
}
