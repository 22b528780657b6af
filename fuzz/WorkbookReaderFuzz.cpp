// Mutated workbooks through the program's own way of reading a command file:
// the workbook helper beside this program reads each in a forked child and
// answers in frames. Whatever the file holds, the program gets the cells or a
// reason, in time, and a crash would stay in the helper's child.
//
// The reader runs in another process here, so coverage only guides the
// mutations through the program's side of the exchange; xls_reader fuzzes the
// reader itself.

#include "commands/CommandFileReader.h"
#include "commands/WorkbookReader.h"
#include "fuzz/Check.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace {

constexpr std::chrono::milliseconds kLimit(5000);
// Stopping a helper that ran out of time may take a moment more.
constexpr qint64 kSlackMs = 1000;
constexpr std::size_t kLastRow = 1000;

std::string workbookPath()
{
    static const std::string path = [] {
        std::string folder = std::filesystem::temp_directory_path() / "orvelle-fuzz-XXXXXX";
        FUZZ_CHECK(mkdtemp(folder.data()));
        return folder + "/Commands.xls";
    }();
    return path;
}

// A reason the program gives for a file it cannot read: never empty, and one
// line, as it goes into a message.
void checkReason(const QString& reason)
{
    FUZZ_CHECK(!reason.isEmpty());
    FUZZ_CHECK(!reason.contains(u'\n'));
}

// A read that failed spoils no later one: the sample command file, a header
// and eight commands, still reads whole.
void checkNextReadWorks()
{
    const CommandRange sample = readCommandRange(QStringLiteral(ORVELLE_SAMPLE_COMMANDS), kLimit);
    const auto* rows = std::get_if<std::vector<cells::Row>>(&sample);
    FUZZ_CHECK(rows && rows->size() == 9);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    // Reports of faults in the helper's children go nowhere: symbolizing each
    // would take longer than the read. This process has read its sanitizer
    // options already; only the helper sees these.
    for (const char* name : {"ASAN_OPTIONS", "UBSAN_OPTIONS"}) {
        const char* options = std::getenv(name);
        setenv(name, (std::string(options ? options : "") + ":symbolize=0").c_str(), 1);
    }
    // The reader finds its helper beside the running program.
    new QCoreApplication(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string path = workbookPath();
    std::ofstream(path, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(data), std::streamsize(size));
    const QString file = QString::fromStdString(path);

    QElapsedTimer timer;
    timer.start();
    CommandRange range = readCommandRange(file, kLimit);
    FUZZ_CHECK(timer.elapsed() <= kLimit.count() + kSlackMs);

    if (const auto* reason = std::get_if<QString>(&range)) {
        checkReason(*reason);
        checkNextReadWorks();
    } else {
        FUZZ_CHECK(std::get<std::vector<cells::Row>>(range).size() <= kLastRow);
    }
    const CommandFileRead read = commandFileFrom(file, std::move(range));
    FUZZ_CHECK((read.outcome == CommandFileRead::Outcome::Read) == read.message.isEmpty());
    return 0;
}
