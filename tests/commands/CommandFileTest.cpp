#include "commands/CommandFileReader.h"
#include "commands/WorkbookReader.h"
#include "support/Fixtures.h"
#include "support/QtPrinters.h"

#include <QStringList>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {

using Outcome = CommandFileRead::Outcome;

QStringList linesOf(const CommandFileRead& read)
{
    QStringList lines;
    for (const CommandEntry& entry : read.list.entries) {
        lines << entry.line;
    }
    return lines;
}

QStringList read(const QString& fixture)
{
    const CommandFileRead result = readCommandFile(madeFixture(fixture));
    EXPECT_EQ(result.outcome, Outcome::Read) << result.message.toStdString();
    return linesOf(result);
}

TEST(CommandFile, ATextCodeColumnKeepsNRAndCRows)
{
    const CommandFileRead result = readCommandFile(madeFixture("text-codes.xls"));
    ASSERT_EQ(result.outcome, Outcome::Read);
    EXPECT_EQ(linesOf(result),
              (QStringList{"/rawxact /read status", "/rawsend /write 1", " Comment:Bench 4"}));
    ASSERT_EQ(result.list.entries.size(), 3u);
    EXPECT_TRUE(result.list.entries[0].waitReply);
    EXPECT_FALSE(result.list.entries[1].waitReply);
    EXPECT_FALSE(result.list.entries[2].waitReply);
    EXPECT_FALSE(result.list.needsSerialNumber);
}

TEST(CommandFile, ANumericCodeColumnMapsZeroOneAndTheRest)
{
    EXPECT_EQ(read("numeric-codes.xls"),
              (QStringList{"/rawxact /read status", "/rawsend /write 1",
                           " Comment:two is a comment", " Comment:an empty code is a comment"}));
}

TEST(CommandFile, TheCodeColumnTypeFollowsTheMajorityOfTheFirstEightRows)
{
    EXPECT_EQ(read("majority-text.xls"),
              (QStringList{"/rawsend a", "/rawxact c", " Comment:e", "/rawsend g", "/rawxact h"}));
    EXPECT_EQ(read("majority-tie.xls"),
              (QStringList{" Comment:a", "/rawxact b", " Comment:c", "/rawsend d", " Comment:e",
                           "/rawxact f", " Comment:g", "/rawsend h"}));
    EXPECT_EQ(read("majority-first-eight.xls"),
              (QStringList{"/rawxact a", "/rawsend b", "/rawxact c", " Comment:d", " Comment:e",
                           " Comment:f", " Comment:g", "/rawsend h", " Comment:i", " Comment:j",
                           " Comment:k"}));
}

TEST(CommandFile, CommandTextRules)
{
    // Rows without command text or without a text code are skipped; later rows are read.
    EXPECT_EQ(read("empty-command-skipped.xls"),
              (QStringList{"/rawsend first", " Comment:after the gaps"}));
    // One leading double quote goes; a lone one stays.
    EXPECT_EQ(read("quotes.xls"), (QStringList{"/rawsend ABC", "/rawsend \"", "/rawsend A\"B"}));
    EXPECT_EQ(
        read("numbers-in-commands.xls"),
        (QStringList{"/rawsend 3", "/rawsend 2.5", "/rawsend 0.1", "/rawsend 100000000000000000000",
                     "/rawsend -7", "/rawsend 12345678901", "/rawsend 2026-12-07"}));
    // Booleans are "TRUE" or "FALSE" in column B; in a numeric code column
    // they are neither 0 nor 1, so comments; they do not count as text codes.
    EXPECT_EQ(read("booleans.xls"), (QStringList{"/rawsend a", "/rawxact b", " Comment:c",
                                                 "/rawxact TRUE", "/rawsend FALSE", " Comment:d"}));
    EXPECT_EQ(read("line-break-in-comment.xls"),
              (QStringList{" Comment:two\nlines", "/rawsend plain"}));
    EXPECT_EQ(read("non-ascii.xls"), (QStringList{QString::fromUtf8(" Comment:Grüße, Zoë – 你好"),
                                                  QString::fromUtf8("/rawsend straße {{sn}} rest"),
                                                  QString::fromUtf8("/rawxact ŒUVRE")}));
}

TEST(CommandFile, APlaceholderOnACommandRowAsksForASerialNumber)
{
    const CommandFileRead skipped = readCommandFile(madeFixture("serial-on-skipped-row.xls"));
    EXPECT_TRUE(skipped.list.needsSerialNumber);
    EXPECT_EQ(linesOf(skipped), (QStringList{" Comment:comment {{SN}}", "/rawsend plain"}));
    EXPECT_FALSE(readCommandFile(madeFixture("serial-in-comment.xls")).list.needsSerialNumber);
    EXPECT_TRUE(readCommandFile(madeFixture("non-ascii.xls")).list.needsSerialNumber);
}

TEST(CommandFile, ListsOfCommentsOrOfNothing)
{
    EXPECT_EQ(read("comments-only.xls"),
              (QStringList{" Comment:one", " Comment:two", " Comment:three"}));
    EXPECT_EQ(read("no-accepted-rows.xls"), QStringList());
}

TEST(CommandFile, AtMost999DataRowsAreRead)
{
    const QStringList full = read("rows-999.xls");
    ASSERT_EQ(full.size(), 999);
    EXPECT_EQ(full.front(), "/rawsend line 2");
    EXPECT_EQ(full.back(), " Comment:line 1000");
    const QStringList longer = read("rows-past-1000.xls");
    ASSERT_EQ(longer.size(), 999);
    EXPECT_EQ(longer.back(), "/rawsend line 1000");
}

TEST(CommandFile, WorkbooksSavedByASpreadsheetApplication)
{
    const CommandFileRead text = readCommandFile(keptFixture("libreoffice-text-codes.xls"));
    EXPECT_EQ(linesOf(text),
              (QStringList{" Comment:Set up the reader for bench 4", "/rawsend /write mode 2",
                           "/rawxact /read status", "/rawxact {{SN}}",
                           "/rawsend /write serial {{sn}} now", "/rawsend quoted text",
                           QString::fromUtf8(" Comment:Done: Grüße an Zoë")}));
    EXPECT_TRUE(text.list.needsSerialNumber);
    const CommandFileRead numeric = readCommandFile(keptFixture("libreoffice-numeric-codes.xls"));
    EXPECT_EQ(
        linesOf(numeric),
        (QStringList{"/rawxact /read version", "/rawsend /write 7", " Comment:A comment row",
                     " Comment:Empty code is a comment too", "/rawxact 3.25", "/rawsend 42"}));
}

TEST(CommandFile, AFirstRowWithoutCommandTextIsRefused)
{
    const CommandFileRead result = readCommandFile(madeFixture("no-command-names.xls"));
    EXPECT_EQ(result.outcome, Outcome::NoCommandNames);
    EXPECT_EQ(result.message, "No command names found in the Commands.XLS file.");
}

TEST(CommandFile, FilesThatAreNotReadableWorkbooksSayWhy)
{
    const std::pair<QString, QString> cases[] = {
        {keptFixture("damaged-crashes-freexl.xls"),
         "the workbook is damaged (a record is cut short)"},
        {madeFixture("empty.xls"), "the file is empty"},
        {madeFixture("text.xls"), "it is not an Excel 97-2003 workbook (.xls)"},
        {madeFixture("renamed-xlsx.xls"), "it is an Excel 2007 or later workbook (.xlsx)"},
        {madeFixture("truncated.xls"), "the workbook is damaged"},
        {madeFixture("no-sheet.xls"), "the workbook has no worksheet"},
        {madeFixture("header-only.xls"), "it has no rows below the header row"},
        {madeFixture("line-break-lf.xls"), "row 5 holds a line break in its command."},
        {madeFixture("line-break-cr.xls"), "row 2 holds a line break in its command."},
    };
    for (const auto& [path, reason] : cases) {
        const CommandFileRead result = readCommandFile(path);
        EXPECT_EQ(result.outcome, Outcome::Unreadable) << path.toStdString();
        EXPECT_TRUE(result.message.startsWith("Cannot read the command file " + path + ": "))
            << result.message.toStdString();
        EXPECT_TRUE(result.message.contains(reason)) << result.message.toStdString();
    }
}

TEST(CommandFile, AReaderThatHangsIsStoppedAtTheTimeLimit)
{
    // Opening a pipe that nobody writes to blocks the helper for ever.
    QTemporaryDir folder;
    const QString pipe = folder.filePath("pipe.xls");
    ASSERT_EQ(mkfifo(pipe.toLocal8Bit().constData(), 0600), 0);
    const auto result = readCommandRange(pipe, std::chrono::milliseconds(300));
    ASSERT_TRUE(std::holds_alternative<QString>(result));
    EXPECT_EQ(std::get<QString>(result), "reading it took longer than 0.3 seconds");
    // The next read gets a fresh helper.
    EXPECT_EQ(read("text-codes.xls").size(), 3);
}

// The workbook that crashed the spreadsheet library the program once used.
TEST(CommandFile, AWorkbookThatCrashedTheOldReaderSpoilsNoLaterRead)
{
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(readCommandFile(keptFixture("damaged-crashes-freexl.xls")).outcome,
                  Outcome::Unreadable);
        EXPECT_EQ(read("numeric-codes.xls").size(), 4);
    }
}

// Cells as the spreadsheet stored them: error values are empty cells, and
// texts of any length are read, however the file splits them.
TEST(CommandFile, ErrorValuesAreEmptyAndLongTextsAreWhole)
{
    const QStringList lines = read("reader-cases.xls");
    ASSERT_EQ(lines.size(), 3);
    EXPECT_EQ(lines[0], "/rawsend " + QString(20000, u'x') + "end");
    EXPECT_EQ(lines[1],
              "/rawsend " + QString("ab").repeated(5000) +
                  QString::fromUtf8("\u0152\u00dc\u20ac\u2014\u4f60\u597d").repeated(2000));
    EXPECT_EQ(lines[2], " Comment:" + QString(32767, QChar(0xE9)));
}

} // namespace
