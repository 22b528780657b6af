// Text from the port and the driver through the receive handler's reply
// recognition, and the port numbers taken out of the port selector's text and
// out of the driver device's answer.

#include "commands/StripCtrlChars.h"
#include "commands/TextRules.h"
#include "device/PortSelection.h"
#include "device/ReplyRecognition.h"
#include "fuzz/Check.h"

#include <algorithm>
#include <fuzzer/FuzzedDataProvider.h>
#include <limits>

namespace {

constexpr int kLargestPortNumber = 1'000'000;
constexpr std::size_t kLargestDeviceAnswer = 2000;

bool onlyBlanks(QStringView text)
{
    return std::all_of(text.begin(), text.end(), [](QChar c) { return c == u' '; });
}

// `text` is what follows `from` in the reply once blanks are skipped and
// control characters removed.
void checkTextAfter(const QString& reply, qsizetype from, const QString& text)
{
    const QString rest = Module1::StripCtrlChars(reply.mid(from));
    FUZZ_CHECK(rest.endsWith(text));
    FUZZ_CHECK(onlyBlanks(QStringView(rest).first(rest.size() - text.size())));
    FUZZ_CHECK(Module1::StripCtrlChars(text) == text);
}

// The driver's version is that text without blanks at its ends: one of
// nothing but blanks and control characters is empty.
void checkVersionAfter(const QString& reply, qsizetype from, const QString& version)
{
    FUZZ_CHECK(trimmedBlanks(Module1::StripCtrlChars(reply.mid(from))) == version);
    FUZZ_CHECK(!version.startsWith(u' ') && !version.endsWith(u' '));
}

void checkRecognition(const QString& reply, bool detecting)
{
    const reply::Meaning meaning = reply::recognise(reply, detecting);
    FUZZ_CHECK(reply.isEmpty() == std::holds_alternative<reply::NoData>(meaning));
    if (reply.isEmpty()) {
        return;
    }
    if (const qsizetype at = reply.indexOf(u"/rawxact"); at >= 0) {
        // Taken whether or not the open dialogue waits.
        const auto* raw = std::get_if<reply::RawAnswer>(&meaning);
        FUZZ_CHECK(raw);
        checkTextAfter(reply, at + 9, raw->text);
        FUZZ_CHECK(reply::recognise(reply, !detecting) == meaning);
        return;
    }
    if (!detecting) {
        FUZZ_CHECK(std::holds_alternative<reply::Ignored>(meaning));
        return;
    }
    if (const qsizetype at = reply.indexOf(u"/ver"); at >= 0) {
        const auto* driver = std::get_if<reply::DriverVersion>(&meaning);
        FUZZ_CHECK(driver);
        checkVersionAfter(reply, at + 4, driver->text);
        return;
    }
    if (!reply.contains(u"dev_version")) {
        FUZZ_CHECK(std::holds_alternative<reply::Ignored>(meaning));
        return;
    }
    const auto* device = std::get_if<reply::DeviceVersion>(&meaning);
    FUZZ_CHECK(device);
    FUZZ_CHECK(device->text.has_value() == (reply.size() > 24));
    if (device->text) {
        FUZZ_CHECK(device->text->size() == reply.size() - 25);
        FUZZ_CHECK(reply.mid(24).startsWith(*device->text));
    }
}

void checkReplyTextFrom(const QString& reply, qsizetype start)
{
    const QString text = replyTextFrom(reply, start);
    if (start >= reply.size()) {
        FUZZ_CHECK(text.isEmpty());
        return;
    }
    const qsizetype from = reply.size() - text.size();
    FUZZ_CHECK(from >= start && QStringView(reply).sliced(from) == text);
    FUZZ_CHECK(onlyBlanks(QStringView(reply).sliced(start, from - start)));
    // Blanks are skipped, but never past the last character.
    FUZZ_CHECK(!text.isEmpty());
    FUZZ_CHECK(text.front() != u' ' || text.size() == 1);
}

void checkSelector(const QString& selector)
{
    const int port = selectorPortNumber(selector);
    FUZZ_CHECK(port >= 0 && port <= kLargestPortNumber);
    const ComMarks marks = comMarks(selector);
    FUZZ_CHECK(marks.openParenCom < 0 || (marks.com >= 0 && marks.com <= marks.openParenCom + 1));
    const QString name = deviceName(selector);
    FUZZ_CHECK(selector.startsWith(name));
    FUZZ_CHECK(marks.openParenCom < 2 ? name == selector : name.size() == marks.openParenCom - 1);
}

// A selector line as the discovery makes it: "description (COM<n>)".
void checkListedSelector(const QString& description, qint64 number, const QString& after)
{
    if (upperCase(description).contains(u"COM")) {
        return;
    }
    const QString selector =
        description + QStringLiteral(" (COM") + QString::number(number) + u')' + after;
    FUZZ_CHECK(selectorPortNumber(selector) == std::min<qint64>(number, kLargestPortNumber));
    FUZZ_CHECK(deviceName(selector) == (description.size() + 1 >= 2 ? description : selector));
}

void checkDeviceAnswer(const std::string& bytes)
{
    // The dialogue reads at most 2000 bytes and takes them in the system code page.
    const QString answer =
        QString::fromLocal8Bit(bytes.substr(0, kLargestDeviceAnswer).c_str(),
                               qsizetype(std::min(bytes.size(), kLargestDeviceAnswer)));
    const std::optional<int> port = devicePortNumber(answer);
    FUZZ_CHECK(port.has_value() == answer.contains(u"COM"));
    if (port) {
        // Three characters hold at most three digits.
        FUZZ_CHECK(*port >= 0 && *port <= 999);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzedDataProvider in(data, size);
    const bool detecting = in.ConsumeBool();
    const auto start = in.ConsumeIntegralInRange<qsizetype>(0, 80);
    const auto number = in.ConsumeIntegralInRange<qint64>(0, std::numeric_limits<qint32>::max());
    const std::string first = in.ConsumeRandomLengthString(200);
    const std::string second = in.ConsumeRemainingBytesAsString();

    // The serial component hands over received bytes one character each.
    const QString reply = QString::fromLatin1(first.data(), qsizetype(first.size()));
    checkRecognition(reply, detecting);
    checkReplyTextFrom(reply, start);

    // Selector lines come from the registry or the keyboard: any text.
    const QString selector = QString::fromUtf8(second.data(), qsizetype(second.size()));
    checkSelector(selector);
    checkSelector(reply);
    checkListedSelector(QString::fromUtf8(first.data(), qsizetype(first.size())), number, selector);

    checkDeviceAnswer(first);
    checkDeviceAnswer(second);
    return 0;
}
