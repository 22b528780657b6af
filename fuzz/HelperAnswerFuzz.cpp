// The workbook helper's answer as the program takes it: a frame gathered from the pieces the pipe
// hands over, its cells and the command file they make.

#include "commands/CommandFileReader.h"
#include "commands/HelperFrames.h"
#include "fuzz/Check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzedDataProvider in(data, size);
    const QString path = QString::fromStdString(in.ConsumeRandomLengthString(24));
    const std::string stream = in.ConsumeRandomLengthString();
    // Wherever the pipe cuts, the program ends as the whole stream says (bytes behind a whole
    // frame put it out of form), holding nothing for a first line past "frame " and 20 digits.
    bool wholeMalformed = false, malformed = false;
    helperframes::completeAnswer(stream, wholeMalformed);
    std::optional<std::string_view> answer;
    for (std::size_t arrived = 0;;
         arrived += in.ConsumeIntegralInRange<std::size_t>(1, stream.size() - arrived)) {
        const std::string_view received = std::string_view(stream).substr(0, arrived);
        if ((answer = helperframes::completeAnswer(received, malformed)) || malformed ||
            arrived == stream.size()) {
            FUZZ_CHECK(arrived == stream.size() || wholeMalformed);
            break;
        }
        FUZZ_CHECK(arrived <= 26 || received.find('\n') != received.npos);
    }
    // The answer, and the bytes as one without its frame: a command list or a message, one naming
    // the file when the file is at fault; cells read are written back in a form that reads the
    // same.
    for (const std::string_view bytes : {answer.value_or(""), std::string_view(stream)}) {
        const CommandFileRead read = commandFileFrom(path, rangeFromAnswer(bytes));
        FUZZ_CHECK(
            (read.outcome == CommandFileRead::Outcome::Read) == read.message.isEmpty() &&
            (read.outcome == CommandFileRead::Outcome::Unreadable) ==
                read.message.startsWith(QStringLiteral("Cannot read the command file ") + path));
        const auto decoded = cells::decode(bytes);
        const auto again = decoded ? cells::decode(cells::encode(*decoded)) : decoded;
        FUZZ_CHECK(!decoded || (again && again->error == decoded->error &&
                                sameRows(again->rows, decoded->rows)));
    }
    return 0;
}
