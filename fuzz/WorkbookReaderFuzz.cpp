// Mutated workbooks through the program's own way of reading a command file: the helper beside
// this program reads each (a crash stays with it). Coverage guides only the program's side.

#include "commands/CommandFileReader.h"
#include "fuzz/Check.h"

#include <QCoreApplication>

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    new QCoreApplication(*argc, *argv); // the reader finds its helper beside the program
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const QString file =
        QString::fromStdString(std::filesystem::temp_directory_path() / "Commands.xls");
    std::ofstream(file.toStdString())
        .write(reinterpret_cast<const char*>(data), std::streamsize(size));
    CommandRange range = readCommandRange(file);
    // A1:B1000, or a one-line reason after which the next read (of the sample: a header and eight
    // commands) is sound.
    if (const auto* reason = std::get_if<QString>(&range)) {
        const CommandRange sample = readCommandRange(QStringLiteral(ORVELLE_SAMPLE_COMMANDS));
        FUZZ_CHECK(!reason->isEmpty() && !reason->contains(u'\n') &&
                   std::get<std::vector<cells::Row>>(sample).size() == 9);
    } else {
        FUZZ_CHECK(std::get<std::vector<cells::Row>>(range).size() <= 1000);
    }
    const CommandFileRead read = commandFileFrom(file, std::move(range));
    FUZZ_CHECK((read.outcome == CommandFileRead::Outcome::Read) == read.message.isEmpty());
    return 0;
}
