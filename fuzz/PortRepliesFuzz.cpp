// Text from the port through reply recognition (an empty reading is no data), and port numbers
// out of any selector text and driver device answer, in their ranges.

#include "device/PortSelection.h"
#include "device/ReplyRecognition.h"
#include "fuzz/Check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzedDataProvider in(data, size);
    const bool detecting = in.ConsumeBool();
    const std::string first = in.ConsumeRandomLengthString(200);
    const std::string rest = in.ConsumeRemainingBytesAsString();
    const QString reply = QString::fromLatin1(first); // received bytes come one character each
    FUZZ_CHECK(reply.isEmpty() ==
               std::holds_alternative<reply::NoData>(reply::recognise(reply, detecting)));
    for (const std::string& bytes : {first, rest}) {
        const int selected = selectorPortNumber(QString::fromStdString(bytes));
        // The driver device's answer: at most 2000 bytes in the system code page.
        const auto port = devicePortNumber(QString::fromLocal8Bit(bytes.substr(0, 2000)));
        FUZZ_CHECK(selected >= 0 && selected <= 1'000'000 && port.value_or(0) >= 0 &&
                   port.value_or(0) <= 999);
    }
    return 0;
}
