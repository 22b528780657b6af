// The workbook helper's answer as the program takes it: a frame gathered from the pieces the pipe
// hands over, and the command file its cells make.

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
    // The answer, and the bytes as one without its frame (which reach the cells more often).
    commandFileFrom(path, rangeFromAnswer(answer.value_or("")));
    commandFileFrom(path, rangeFromAnswer(stream));
    return 0;
}
