#include "commands/CommandFileReader.h"

#include "commands/CommandFilePath.h"
#include "ui/VersionTexts.h"

#include <QFileInfo>

namespace {

const QString kNewLine = QStringLiteral("\r\n");

} // namespace

CommandFileRead readCommandFile(const QString& path, CommandFileSource& source)
{
    // The workbook reader runs in a process of its own, started in some folder
    // of its own: a relative path is the program's, so it goes out whole.
    return commandFileFrom(path, source.cellsOf(QFileInfo(openablePath(path)).absoluteFilePath()));
}

CommandFileRead readCommandFile(const QString& path)
{
    HelperCommandFileSource helper;
    return readCommandFile(path, helper);
}

CommandFileRead commandFileFrom(const QString& path, CommandRange range)
{
    CommandFileRead read;
    if (auto* reason = std::get_if<QString>(&range)) {
        read.message = QStringLiteral("Cannot read the command file %1: %2.").arg(path, *reason);
        return read;
    }
    auto& rows = std::get<std::vector<cells::Row>>(range);
    // Rows past the range are not the command file's, whatever gave them.
    if (rows.size() > cells::kRangeRows) {
        rows.resize(cells::kRangeRows);
    }
    // Row 1 is the header, never data.
    if (rows.size() < 2) {
        read.message = QStringLiteral("Cannot read the command file %1: it has no rows below the "
                                      "header row.")
                           .arg(path);
        return read;
    }
    auto list = commandListFrom(std::span(rows).subspan(1));
    if (std::holds_alternative<NoCommandNames>(list)) {
        read.outcome = CommandFileRead::Outcome::NoCommandNames;
        read.message = QStringLiteral("No command names found in the Commands.XLS file.");
        return read;
    }
    if (const auto* lineBreak = std::get_if<LineBreakInCommand>(&list)) {
        read.message =
            QStringLiteral("Cannot read the command file %1: row %2 holds a line break in its "
                           "command.")
                .arg(path, QString::number(lineBreak->row));
        return read;
    }
    read.outcome = CommandFileRead::Outcome::Read;
    read.list = std::move(std::get<CommandList>(list));
    return read;
}

QString commandPreview(const QString& sCmdFile, const std::vector<CommandEntry>& entries)
{
    const qsizetype width = sCmdFile.size() + 10;
    const QString dashes = QString(width, u'-') + kNewLine;
    QString preview = QStringLiteral("Filename: ") + sCmdFile + kNewLine + kNewLine +
                      QString(width, u'=') + kNewLine + QStringLiteral("Preview of commands:") +
                      kNewLine + dashes;
    qsizetype size = preview.size() + 2 * dashes.size() + 16;
    for (const CommandEntry& entry : entries) {
        size += entry.line.size() + kNewLine.size();
    }
    preview.reserve(size);
    for (const CommandEntry& entry : entries) {
        preview += entry.line;
        preview += kNewLine;
    }
    return preview + dashes + QStringLiteral("End of list") + kNewLine;
}

QString cleanedCommandFile(const QString& sCmdFile)
{
    QString cleaned = sCmdFile;
    while (cleaned.startsWith(u' ')) {
        cleaned.remove(0, 1);
    }
    while (cleaned.endsWith(u' ')) {
        cleaned.chop(1);
    }
    while (!cleaned.isEmpty() && cleaned.back().unicode() < 32) {
        cleaned.chop(1);
    }
    return cleaned;
}

QString commandFileTitle(const QString& sCmdFile)
{
    QString path = sCmdFile;
    while (path.endsWith(u' ')) {
        path.chop(1);
    }
    return QStringLiteral("Orvelle ") + versionNumber() + QStringLiteral(" [") + path +
           QStringLiteral("]");
}
