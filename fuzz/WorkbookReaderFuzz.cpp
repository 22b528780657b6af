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
    static const std::string file = std::filesystem::temp_directory_path() / "Commands.xls";
    std::ofstream(file).write(reinterpret_cast<const char*>(data), std::streamsize(size));
    // A command list or a one-line reason, after which the next read is sound.
    const CommandFileRead read = readCommandFile(QString::fromStdString(file));
    FUZZ_CHECK(
        read.outcome == CommandFileRead::Outcome::Read
            ? read.message.isEmpty()
            : !read.message.isEmpty() && !read.message.contains(u'\n') &&
                  readCommandFile(QStringLiteral(ORVELLE_SAMPLE_COMMANDS)).list.entries.size() ==
                      8);
    return 0;
}
