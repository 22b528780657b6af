#include "support/Fixtures.h"
#include "support/QtPrinters.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

#include <gtest/gtest.h>

namespace {

struct ToolRun {
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

// Runs orvelle-check in the folder of `file`, naming the file without its
// folder, so that its output does not depend on where the tree lies.
ToolRun check(const QStringList& options, const QString& file)
{
    QProcess tool;
    tool.setWorkingDirectory(QFileInfo(file).absolutePath());
    tool.start(QCoreApplication::applicationDirPath() + "/orvelle-check",
               options + QStringList{QFileInfo(file).fileName()});
    EXPECT_TRUE(tool.waitForFinished(10000));
    return {tool.exitCode(), tool.readAllStandardOutput(), tool.readAllStandardError()};
}

QByteArray expected(const QString& name)
{
    QFile file(QStringLiteral(ORVELLE_EXPECTED_OUTPUT "/") + name);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << name.toStdString();
    return file.readAll();
}

TEST(OrvelleCheck, PrintsThePreviewByteForByte)
{
    for (const auto& [fixture, output] :
         {std::pair{keptFixture("libreoffice-text-codes.xls"), "libreoffice-text-codes.txt"},
          std::pair{keptFixture("libreoffice-numeric-codes.xls"), "libreoffice-numeric-codes.txt"},
          std::pair{madeFixture("serial.xls"), "serial.txt"},
          // Formulas are their last results; the first worksheet is read though hidden.
          std::pair{keptFixture("libreoffice-formulas.xls"), "libreoffice-formulas.txt"},
          std::pair{keptFixture("libreoffice-hidden-first.xls"), "libreoffice-hidden-first.txt"}}) {
        const ToolRun run = check({}, fixture);
        EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
        EXPECT_EQ(run.out, expected(output)) << output;
    }
}

TEST(OrvelleCheck, PrintsTheLinesAsSentForASerialNumber)
{
    ToolRun run = check({"--serial", "123"}, madeFixture("serial.xls"));
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.out, expected("serial-123.txt"));
    run = check({"--serial", "42"}, keptFixture("libreoffice-text-codes.xls"));
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.out, expected("libreoffice-text-codes-42.txt"));
    // The lines as the port's code page carries them: "Œ" goes out, "Ω" is a "?".
    run = check({"--serial", QString::fromUtf8("\u03a97")}, madeFixture("non-ascii.xls"));
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(QString::fromUtf8(run.out),
              QString::fromUtf8("/rawsend stra\u00dfe 00000000000000?7\n/rawxact \u0152UVRE\n"));
}

TEST(OrvelleCheck, RefusedMissingAndWronglyCalled)
{
    ToolRun run = check({}, madeFixture("no-command-names.xls"));
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, "No command names found in the Commands.XLS file.\n");

    run = check({}, keptFixture("damaged-crashes-freexl.xls"));
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.err.startsWith("Cannot read the command file damaged-crashes-freexl.xls: "));

    run = check({}, madeFixture("no-such-file.xls"));
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_EQ(run.err, "orvelle-check: no such command file: no-such-file.xls\n");

    run = check({"--serial", "12345678901234567"}, madeFixture("serial.xls"));
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_TRUE(run.err.contains("at most 16 characters"));
}

} // namespace
