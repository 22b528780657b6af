// Text from the port and the driver through the receive handler's reply
// recognition; port numbers out of any selector text and device answer.

#include "commands/StripCtrlChars.h"
#include "commands/TextRules.h"
#include "device/PortSelection.h"
#include "device/ReplyRecognition.h"
#include "fuzz/Check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzedDataProvider in(data, size);
    const bool detecting = in.ConsumeBool();
    const std::string first = in.ConsumeRandomLengthString(200);
    const std::string rest = in.ConsumeRemainingBytesAsString();
    // Received bytes come one character each. A "/rawxact" answer counts whether
    // or not the open dialogue waits; texts are one line, a version unpadded.
    const QString reply = QString::fromLatin1(first);
    const reply::Meaning meaning = reply::recognise(reply, detecting);
    const auto* answer = std::get_if<reply::RawAnswer>(&meaning);
    const auto* driver = std::get_if<reply::DriverVersion>(&meaning);
    FUZZ_CHECK(reply.isEmpty() == std::holds_alternative<reply::NoData>(meaning) &&
               (!answer || (Module1::StripCtrlChars(answer->text) == answer->text &&
                            reply::recognise(reply, !detecting) == meaning)) &&
               (!driver || trimmedBlanks(Module1::StripCtrlChars(driver->text)) == driver->text));
    for (const std::string& bytes : {first, rest}) {
        // Selector text comes from the registry or the keyboard.
        const QString selector = QString::fromStdString(bytes);
        FUZZ_CHECK(selectorPortNumber(selector) >= 0 && selectorPortNumber(selector) <= 1'000'000 &&
                   selector.startsWith(deviceName(selector)));
        // The driver device's answer: at most 2000 bytes in the system code page; three digits.
        const QString device = QString::fromLocal8Bit(bytes.substr(0, 2000));
        const auto port = devicePortNumber(device);
        FUZZ_CHECK(port.value_or(0) >= 0 && port.value_or(0) <= 999 &&
                   port.has_value() == device.contains(u"COM"));
    }
    return 0;
}
