#include "commands/CommandFileReader.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

// The command file read through the workbook helper orvelle-xls-reader.exe
// beside this program: Windows has no fork, the helper is a child process the
// program starts, and one that found a file damaged is replaced for the next read.

namespace {

QString sample()
{
    return QStringLiteral(ORVELLE_SAMPLE_WORKBOOK);
}

TEST(WindowsCommandFile, ADamagedOrMissingFileIsRefusedAndTheNextReadWorks)
{
    const QTemporaryDir folder;
    const QString damaged = folder.filePath(QStringLiteral("damaged.xls"));
    // The sample cut short: its sectors lie past the end of the file.
    QFile whole(sample());
    QFile cut(damaged);
    ASSERT_TRUE(whole.open(QIODevice::ReadOnly) && cut.open(QIODevice::WriteOnly));
    cut.write(whole.read(1536));
    cut.close();

    const QString reads[] = {sample(), damaged, sample(),
                             folder.filePath(QStringLiteral("none.xls")), sample()};
    for (const QString& path : reads) {
        const CommandFileRead result = readCommandFile(path);
        if (path == sample()) {
            EXPECT_EQ(result.outcome, CommandFileRead::Outcome::Read)
                << result.message.toStdString();
            EXPECT_EQ(result.list.entries.size(), 8u);
        } else {
            EXPECT_EQ(result.outcome, CommandFileRead::Outcome::Unreadable) << path.toStdString();
            EXPECT_TRUE(result.message.startsWith(QStringLiteral("Cannot read the command file ")))
                << result.message.toStdString();
        }
    }
}

} // namespace
