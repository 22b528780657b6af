#include "commands/CommandFileReader.h"

#include "commands/CommandFilePath.h"
#include "ui/VersionTexts.h"

#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>

namespace {

const QString kNewLine = QStringLiteral("\r\n");

CommandFileRead refused(const QString& path, const QString& reason)
{
    CommandFileRead read;
    read.message = QStringLiteral("Cannot read the command file %1: %2.").arg(path, reason);
    return read;
}

// What the first sheet's cells come to.
CommandFileRead commandFileFrom(const QString& path, const workbook::Sheet& sheet)
{
    // Row 1 is the header, never data.
    if (sheet.rows.size() < 2) {
        return refused(path, QStringLiteral("it has no rows below the header row"));
    }
    auto list = commandListFrom(std::span(sheet.rows).subspan(1));
    CommandFileRead read;
    if (std::holds_alternative<NoCommandNames>(list)) {
        read.outcome = CommandFileRead::Outcome::NoCommandNames;
        read.message = QStringLiteral("No command names found in the Commands.XLS file.");
        return read;
    }
    if (const auto* lineBreak = std::get_if<LineBreakInCommand>(&list)) {
        return refused(
            path, QStringLiteral("row %1 holds a line break in its command").arg(lineBreak->row));
    }
    read.outcome = CommandFileRead::Outcome::Read;
    read.list = std::move(std::get<CommandList>(list));
    return read;
}

} // namespace

CommandFileRead readCommandFile(const QString& path)
{
    // A pipe or a device would block the window or never end: only a
    // regular file of sensible size is opened at all.
    const QFileInfo info(openablePath(path));
    const auto tooLarge = [&path] {
        return refused(path, QStringLiteral("it is larger than a command file can be (%1 MiB)")
                                 .arg(kLargestCommandFile >> 20));
    };
    if (info.isDir()) {
        return refused(path, QStringLiteral("it is a folder, not a file"));
    }
    if (!info.isFile()) {
        return refused(path, QStringLiteral("it is not a file but a device or a pipe"));
    }
    if (info.size() > kLargestCommandFile) {
        return tooLarge();
    }
    QFile file(info.filePath());
    if (!file.open(QIODevice::ReadOnly)) {
        return refused(path, QStringLiteral("it cannot be opened for reading"));
    }
    // One byte past the size seen tells a file that has grown since; a buffer
    // of the limit's size would cost more than the read.
    const QByteArray bytes = file.read(std::min(file.size(), kLargestCommandFile) + 1);
    if (bytes.size() > kLargestCommandFile) {
        return tooLarge();
    }
    const auto sheet = workbook::readFirstSheet(
        std::string_view(bytes.constData(), std::size_t(bytes.size())), kRangeRows);
    if (const auto* failure = std::get_if<workbook::Failure>(&sheet)) {
        return refused(path, QString::fromStdString(failure->reason));
    }
    CommandFileRead read = commandFileFrom(path, std::get<workbook::Sheet>(sheet));
    read.sha256 =
        QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex());
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
