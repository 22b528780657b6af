// Mutated workbooks through the program's own way of reading a command file:
// the helper beside this program reads each in a forked child (where a crash
// stays). Coverage guides only the program's side; xls_reader fuzzes the reader.

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
    const QString path = QString::fromStdString(file);
    const auto started = std::chrono::steady_clock::now();
    CommandRange range = readCommandRange(path);
    // At most A1:B1000 or a one-line reason, in 5 s and a moment to stop a helper that ran over.
    FUZZ_CHECK(std::chrono::steady_clock::now() - started <= std::chrono::seconds(6));
    if (const auto* reason = std::get_if<QString>(&range)) {
        // A failed read spoils no later one: the sample, a header and eight commands.
        const CommandRange sample = readCommandRange(QStringLiteral(ORVELLE_SAMPLE_COMMANDS));
        FUZZ_CHECK(!reason->isEmpty() && !reason->contains(u'\n') &&
                   std::get<std::vector<cells::Row>>(sample).size() == 9);
    } else {
        FUZZ_CHECK(std::get<std::vector<cells::Row>>(range).size() <= 1000);
    }
    const CommandFileRead read = commandFileFrom(path, std::move(range));
    FUZZ_CHECK((read.outcome == CommandFileRead::Outcome::Read) == read.message.isEmpty());
    return 0;
}
