#include "records/RunRecordStore.h"

#include "platform/FileLock.h"

#include <QDir>
#include <QSaveFile>
#include <QStandardPaths>

namespace {

const QString kRunsFile = QStringLiteral("runs.csv");
const QByteArray kRowEnd = "\r\n";
// Spreadsheets take a CSV file for UTF-8 only behind this mark.
const QByteArray kByteOrderMark = "\xEF\xBB\xBF";
// Long enough for any other bench to append its row; short enough not to keep the user waiting.
constexpr std::chrono::seconds kLockWait(5);

QString cannotWrite(const QFileDevice& file)
{
    return QStringLiteral("cannot write %1 (%2)")
        .arg(QDir::toNativeSeparators(file.fileName()), file.errorString());
}

// Where the rows that were written whole end: past the last line end outside quotes, since a
// quoted field may hold line breaks.
qint64 endOfWholeRows(const QByteArray& text)
{
    qint64 end = 0;
    bool quoted = false;
    for (qint64 i = 0; i < text.size(); ++i) {
        if (text[i] == '"') {
            quoted = !quoted;
        } else if (text[i] == '\n' && !quoted) {
            end = i + 1;
        }
    }
    return end;
}

std::optional<QString> writeTranscript(const QDir& folder, RunRecord& record,
                                       const QString& transcript)
{
    const QString name = transcriptFileName(record.started, record.serialNumber);
    record.transcriptFile = name;
    for (int n = 2; folder.exists(record.transcriptFile); ++n) {
        record.transcriptFile = name.chopped(4) + QStringLiteral("-%1.txt").arg(n);
    }
    QSaveFile file(folder.filePath(record.transcriptFile));
    const QByteArray bytes = transcript.toUtf8();
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        record.transcriptFile.clear();
        return cannotWrite(file);
    }
    return std::nullopt;
}

std::optional<QString> appendRow(QFile& runs, const RunRecord& record)
{
    // A row cut short by a writer killed mid-row goes; the rows before it stay.
    qint64 end = runs.size();
    if (end > 0 && (!runs.seek(end - kRowEnd.size()) || runs.read(kRowEnd.size()) != kRowEnd)) {
        runs.seek(0);
        end = endOfWholeRows(runs.readAll());
    }
    QByteArray bytes = end == 0 ? kByteOrderMark + csvHeader().toUtf8() : QByteArray();
    bytes += csvRow(record).toUtf8();
    // One write, so that the row is cut short only by a full disk, which is undone here.
    if (!runs.resize(end) || runs.write(bytes) != bytes.size()) {
        const QString why = cannotWrite(runs);
        runs.resize(end);
        return why;
    }
    return std::nullopt;
}

} // namespace

QString runRecordsFolder(const QString& configured, const QString& base)
{
    if (!configured.trimmed().isEmpty()) {
        return QDir::cleanPath(QDir(base).absoluteFilePath(configured.trimmed()));
    }
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           QStringLiteral("/Orvelle/Runs");
}

std::optional<QString> saveRunRecord(const QString& folder, RunRecord record,
                                     const QString& transcript)
{
    const QDir dir(folder);
    if (!dir.mkpath(QStringLiteral("."))) {
        return QStringLiteral("cannot make the folder %1").arg(QDir::toNativeSeparators(folder));
    }
    // The benches sharing the folder take turns for the transcript's name and the row.
    const QString lockFile = dir.filePath(kRunsFile + QStringLiteral(".lock"));
    const auto lock = platform::FileLock::take(lockFile.toStdString(), kLockWait);
    if (!lock) {
        return QStringLiteral("cannot lock %1 (another program holds it, or the folder allows no "
                              "locks)")
            .arg(QDir::toNativeSeparators(lockFile));
    }
    // Appending, so that rows never overwrite each other.
    QFile runs(dir.filePath(kRunsFile));
    if (!runs.open(QIODevice::ReadWrite | QIODevice::Append | QIODevice::Unbuffered)) {
        return cannotWrite(runs);
    }
    const std::optional<QString> transcriptFailed = writeTranscript(dir, record, transcript);
    const std::optional<QString> rowFailed = appendRow(runs, record);
    return transcriptFailed ? transcriptFailed : rowFailed;
}
