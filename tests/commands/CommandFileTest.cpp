#include "commands/CommandFileReader.h"
#include "commands/HelperFrames.h"
#include "commands/WorkbookReader.h"
#include "platform/Processor.h"
#include "support/Fixtures.h"
#include "support/QtPrinters.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sched.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Every workbook fixtures/make_fixtures.py makes, read one after another by the one helper, gives
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

// A helper's answer is taken once its frame is whole, and refused ("!") as soon as it cannot become
// one, wherever the pipe cuts it; "" while more is awaited.
TEST(HelperFrames, AnAnswerIsTakenWholeAndOnlyInItsFrame)
{
    const std::string overlong = "frame " + std::string(21, '0') + "3";
    const std::pair<std::string, std::string> cases[] = {
        {"frame 3\nabc", "abc"},  {"frame 3\nab", ""},   {"fra", ""},
        {"frame 3\nabcd", "!"},   {"answer3\nabc", "!"}, {overlong, "!"},
        {overlong + "\nabc", "!"}};
    for (const auto& [received, outcome] : cases) {
        bool malformed = false;
        const auto answer = helperframes::completeAnswer(received, malformed);
        EXPECT_EQ(malformed ? "!" : std::string(answer.value_or("")), outcome) << received;
    }
}

// Rows past A1:B1000 are not the file's: a helper's answer with more is out of form, as is one with
// more than a number in a number cell; cells from elsewhere are cut there.
TEST(CommandFile, RowsPastTheRangeAreNotTheFiles)
{
    using cells::Cell;
    const std::vector<cells::Row> rows(
        2999, {Cell{Cell::Kind::Text, "R", 0}, Cell{Cell::Kind::Text, "/read", 0}});
    EXPECT_EQ(commandFileFrom("list.xls", rows).list.entries.size(), 999u);
    for (const std::size_t size : {std::size_t{1000}, std::size_t{1001}, std::size_t{2999}}) {
        const cells::Range range{std::vector(rows.begin(), rows.begin() + size), {}};
        EXPECT_EQ(cells::decode(cells::encode(range)).has_value(), size == 1000) << size;
    }
    for (const char* number : {"5", "5x"}) {
        const std::string answer =
            std::string("orvelle-cells 1\nrows 1\nD ") + number + "\nN\nend\n";
        EXPECT_EQ(cells::decode(answer).has_value(), number[1] == '\0') << number;
    }
}

// A path of any bytes reaches the helper and is named as it is, and a read it hangs on (a pipe
// nobody writes to) is given up at the time limit without spoiling the next.
TEST(CommandFile, AnOddPathIsReadAndAHangingReadStopped)
{
    QTemporaryDir folder;
    const QString oddName = folder.filePath("odd\nname %2.xls");
    ASSERT_TRUE(QFile::copy(madeFixture("text-codes.xls"), oddName));
    EXPECT_EQ(readCommandFile(oddName).list.entries.size(), 3u);
    const QString refused = folder.filePath("100%2 %1.xls");
    ASSERT_TRUE(QFile::copy(madeFixture("line-break-cr.xls"), refused));
    EXPECT_EQ(readCommandFile(refused).message, "Cannot read the command file " + refused +
                                                    ": row 2 holds a line break in its command.");
    const QString pipe = folder.filePath("pipe.xls");
    ASSERT_EQ(mkfifo(pipe.toLocal8Bit().constData(), 0600), 0);
    EXPECT_EQ(std::get<QString>(readCommandRange(pipe, std::chrono::milliseconds(300))),
              "reading it took longer than 0.3 seconds");
    EXPECT_EQ(readCommandFile(oddName).list.entries.size(), 3u);
}

// The helper reads while the program waits for it: on one processor, the program's, so that no
// idle one has to wake for it. A helper without a process id leaves the program itself free.
TEST(CommandFile, TheHelperReadsOnTheProgramsProcessorAlone)
{
    cpu_set_t before;
    cpu_set_t after;
    ASSERT_EQ(sched_getaffinity(0, sizeof before, &before), 0);
    platform::keepOnThisProcessor(0);
    ASSERT_EQ(sched_getaffinity(0, sizeof after, &after), 0);
    EXPECT_TRUE(CPU_EQUAL(&before, &after));
    ASSERT_EQ(readCommandFile(madeFixture("text-codes.xls")).list.entries.size(), 3u);
    pid_t helper = 0;
    for (const QString& process : QDir("/proc").entryList(QDir::Dirs)) {
        QFile stat("/proc/" + process + "/stat"); // pid (name) state parent ...
        const QList<QByteArray> fields =
            stat.open(QIODevice::ReadOnly) ? stat.readAll().split(' ') : QList<QByteArray>();
        if (fields.size() > 3 && fields[1] == "(orvelle-xls-rea)" &&
            fields[3].toInt() == getpid()) {
            helper = process.toInt();
        }
    }
    cpu_set_t allowed;
    ASSERT_NE(helper, 0);
    ASSERT_EQ(sched_getaffinity(helper, sizeof allowed, &allowed), 0);
    EXPECT_EQ(CPU_COUNT(&allowed), 1);
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
