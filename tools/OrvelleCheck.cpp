// orvelle-check: checks a command file before going to the bench (see kUsage).
//
// Exit status: 0 when the file was read, 1 when the program would refuse it,
// 2 when the file is missing or the command line is wrong.

#include "commands/CommandFilePath.h"
#include "commands/CommandFileReader.h"
#include "commands/SerialNumber.h"

#include <QCoreApplication>
#include <QStringList>

#include <cstdio>

namespace {

const char* const kUsage =
    "usage: orvelle-check [--serial SN] FILE\n"
    "  FILE          prints the preview of the command file, as Orvelle shows it\n"
    "  --serial SN   prints each command line as it would be sent with serial number SN;\n"
    "                the lines go out in Windows-1252, and a character that code page\n"
    "                cannot hold shows as the \"?\" sent in its place (printed in UTF-8)\n";

void print(std::FILE* to, const QString& text)
{
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, static_cast<std::size_t>(bytes.size()), to);
}

int usageError(const QString& problem)
{
    print(stderr, QStringLiteral("orvelle-check: %1\n").arg(problem));
    std::fputs(kUsage, stderr);
    return 2;
}

// The lines of the list as they go out on the port; comments are not sent.
QString linesAsSent(const CommandList& list, const QString& typedSerial)
{
    const QString serial = list.needsSerialNumber ? serialNumberOfRun(typedSerial) : QString();
    QString out;
    for (const CommandEntry& entry : list.entries) {
        if (!entry.line.startsWith(QStringLiteral(" Comment:"))) {
            out += lineAsSent(entry.line, serial) + u'\n';
        }
    }
    return out;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments().mid(1);
    if (args == QStringList{QStringLiteral("--help")}) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    const bool withSerial = args.size() == 3 && args[0] == QStringLiteral("--serial");
    if (args.size() != 1 && !withSerial) {
        return usageError(QStringLiteral("expected a command file"));
    }
    if (withSerial && args[1].size() > 16) {
        return usageError(QStringLiteral("a serial number has at most 16 characters"));
    }
    const QString file = args.back();
    if (!FileExists(file)) {
        print(stderr, QStringLiteral("orvelle-check: no such command file: %1\n").arg(file));
        return 2;
    }
    const CommandFileRead read = readCommandFile(file);
    if (read.outcome != CommandFileRead::Outcome::Read) {
        print(stderr, read.message + u'\n');
        return 1;
    }
    print(stdout,
          withSerial ? linesAsSent(read.list, args[1]) : commandPreview(file, read.list.entries));
    return 0;
}
