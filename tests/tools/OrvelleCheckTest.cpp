#include "support/Fixtures.h"
#include "support/QtPrinters.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>

#include <gtest/gtest.h>

namespace {

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
        {"--serial 123 serial.xls", 0, "serial-123.txt"},
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
