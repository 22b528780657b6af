#include "commands/CommandFileReader.h"
#include "support/WindowTests.h"

#include <QJsonDocument>
#include <QJsonObject>

#include <sys/stat.h>

namespace {

// Every workbook fixtures/make_fixtures.py makes, read one after another, gives
// what the script says: its lines (a reply awaited after exactly the "/rawxact" ones) and whether
// it asks for a serial number, or its refusal.
TEST(CommandFile, EveryWorkbookGivesItsLinesOrTheReasonItIsRefused)
{
    QFile file(madeFixture("expected.json"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QJsonObject expectations = QJsonDocument::fromJson(file.readAll()).object();
    ASSERT_EQ(expectations.size(), QDir(madeFixture("")).entryList({"*.xls"}).size());
    for (auto it = expectations.begin(); it != expectations.end(); ++it) {
        const QString path = madeFixture(it.key());
        SCOPED_TRACE(path.toStdString());
        const QJsonObject expected = it->toObject();
        const CommandFileRead read = readCommandFile(path);
        const QString refusal = expected["refused"].toString().replace("{path}", path);
        EXPECT_EQ(read.outcome == CommandFileRead::Outcome::Read, refusal.isEmpty());
        EXPECT_TRUE(read.message.startsWith(refusal)) << read.message.toStdString();
        QStringList lines;
        for (const CommandEntry& entry : read.list.entries) {
            EXPECT_EQ(entry.waitReply, entry.line.startsWith("/rawxact "));
            lines << entry.line;
        }
        EXPECT_EQ(lines, expected["lines"].toVariant().toStringList());
        EXPECT_EQ(read.list.needsSerialNumber, expected["serial"].toBool());
    }
}

// A path of any bytes is read and named as it is. Anything but a regular file, and a file larger
// than a command file can be, is refused before it is opened: a pipe nobody writes to would block.
TEST(CommandFile, AnOddPathIsReadAndWhatIsNoCommandFileRefusedUnopened)
{
    QTemporaryDir folder;
    const QString oddName = folder.filePath("odd\nname %2.xls");
    ASSERT_TRUE(QFile::copy(madeFixture("text-codes.xls"), oddName));
    EXPECT_EQ(readCommandFile(oddName).list.entries.size(), 3u);
    const QString pipe = folder.filePath("pipe.xls");
    ASSERT_EQ(mkfifo(pipe.toLocal8Bit().constData(), 0600), 0);
    QFile large(folder.filePath("100%2 %1.xls"));
    ASSERT_TRUE(large.open(QIODevice::WriteOnly) && large.resize(kLargestCommandFile + 1));
    QFile largest(folder.filePath("largest.xls")); // read: what it holds is no workbook
    ASSERT_TRUE(largest.open(QIODevice::WriteOnly) && largest.resize(kLargestCommandFile));
    const std::pair<QString, QString> refusals[] = {
        {pipe, "it is not a file but a device or a pipe."},
        {"/dev/zero", "it is not a file but a device or a pipe."},
        {folder.path(), "it is a folder, not a file."},
        {large.fileName(), "it is larger than a command file can be (32 MiB)."},
        {largest.fileName(), "it is not an Excel 97-2003 workbook (.xls)."},
    };
    for (const auto& [path, reason] : refusals) {
        EXPECT_EQ(readCommandFile(path).message,
                  "Cannot read the command file " + path + ": " + reason);
    }
}

// orvelle-check run in the workbook's folder, so that what it prints does not depend on where the
// tree lies: its arguments, exit code, and the file of expected/ with its output or its errors.
TEST(OrvelleCheck, PrintsThePreviewOrTheLinesAsSentOrWhyNot)
{
    const std::tuple<QString, int, QString> runs[]{
        {"libreoffice-text-codes.xls", 0, "libreoffice-text-codes.txt"},
        {"libreoffice-numeric-codes.xls", 0, "libreoffice-numeric-codes.txt"},
        {"serial.xls", 0, "serial.txt"},
        // Formulas are their last results; the first worksheet is read though hidden.
        {"libreoffice-formulas.xls", 0, "libreoffice-formulas.txt"},
        {"libreoffice-hidden-first.xls", 0, "libreoffice-hidden-first.txt"},
        {"--serial 42 libreoffice-text-codes.xls", 0, "libreoffice-text-codes-42.txt"},
        // The lines as the port's code page carries them: "Œ" goes out, "Ω" is a "?".
        {"--serial Ω7 non-ascii.xls", 0, "non-ascii-7.txt"},
        {"no-command-names.xls", 1, "No command names found in the Commands.XLS file.\n"},
        {"damaged-crashes-freexl.xls", 1,
         "Cannot read the command file damaged-crashes-freexl.xls"},
        {"no-such-file.xls", 2, "orvelle-check: no such command file: no-such-file.xls\n"},
        {"--serial 12345678901234567 serial.xls", 2, "orvelle-check: a serial number has at most"},
    };
    for (const auto& [line, exitCode, expected] : runs) {
        SCOPED_TRACE(line.toStdString());
        const QStringList args = line.split(' ');
        QProcess tool;
        tool.setWorkingDirectory(QFile::exists(madeFixture(args.back())) ? madeFixture("")
                                                                         : keptFixture(""));
        tool.start(QCoreApplication::applicationDirPath() + "/orvelle-check", args);
        EXPECT_TRUE(tool.waitForFinished(10000));
        EXPECT_EQ(tool.exitCode(), exitCode);
        QFile out(ORVELLE_EXPECTED_OUTPUT "/" + expected);
        EXPECT_EQ(out.open(QIODevice::ReadOnly), exitCode == 0);
        EXPECT_EQ(tool.readAllStandardOutput(), out.isOpen() ? out.readAll() : "");
        const QString errors = tool.readAllStandardError();
        EXPECT_EQ(errors.left(exitCode == 0 ? errors.size() : expected.size()),
                  exitCode == 0 ? QString() : expected);
    }
}

} // namespace
