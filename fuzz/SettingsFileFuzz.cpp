// Arbitrary settings files through the INI store: reads and writes of any
// section and key, then the window placement read back as the main window
// reads it at start-up (GetFormPosition) and fitted to a screen.

#include "fuzz/Check.h"
#include "platform/IniFile.h"
#include "platform/IniText.h"
#include "settings/FormSettings.h"
#include "settings/NumberForm.h"

#include <cctype>
#include <climits>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <fuzzer/FuzzedDataProvider.h>
#include <sstream>

namespace {

// The program's own sections and keys, and their read buffers.
const char* const kSections[] = {"Select_Window_frmMain", "Current_Port", "File"};
const char* const kKeys[] = {"Settings", "WindowState", "Port_Num", "LastFile"};
constexpr std::size_t kNumberBuffer = 40;
constexpr std::size_t kWholeValue = 1 << 20;
const std::string kDefault = "(no value)";

std::string settingsPath()
{
    static const std::string path = [] {
        std::string folder = (std::filesystem::temp_directory_path() / "orvelle-fuzz-XXXXXX");
        FUZZ_CHECK(mkdtemp(folder.data()));
        return folder + "/Orvelle.INI";
    }();
    return path;
}

std::string fileText(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

void setFileText(const std::string& path, const std::string& text)
{
    std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
}

std::string trimmed(const std::string& text)
{
    const std::size_t first = text.find_first_not_of(" \t");
    return first == std::string::npos
               ? std::string()
               : text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

// Names are the same when they match without regard to case once blanks around them go.
bool sameName(const std::string& a, const std::string& b)
{
    const std::string x = trimmed(a);
    const std::string y = trimmed(b);
    return x.size() == y.size() && std::equal(x.begin(), x.end(), y.begin(), [](char c, char d) {
               return std::tolower(static_cast<unsigned char>(c)) ==
                      std::tolower(static_cast<unsigned char>(d));
           });
}

struct Name {
    std::string section;
    std::string key;
};

std::string readValue(const Name& name, std::size_t buffer, const std::string& path)
{
    return platform::readProfileString(name.section, name.key, kDefault, buffer, path);
}

void checkRead(const Name& name, std::size_t buffer, const std::string& path)
{
    const std::string value = readValue(name, buffer, path);
    const std::string whole = readValue(name, kWholeValue, path);
    FUZZ_CHECK(buffer == 0 ? value.empty() : value == whole.substr(0, buffer - 1));
    const auto found = platform::findIniValue(fileText(path), name.section, name.key);
    FUZZ_CHECK(whole == (found ? platform::withoutQuotes(*found) : kDefault));
    FUZZ_CHECK(whole.find('\n') == std::string::npos);
}

// A write sets its own value and leaves every other value as it was; a
// write that is refused leaves the file as it was.
void checkWrite(const Name& name, const std::string& value, const Name& other,
                const std::string& path)
{
    const std::string before = fileText(path);
    const std::string otherBefore = readValue(other, kWholeValue, path);
    if (!platform::writeProfileString(name.section, name.key, value, path)) {
        FUZZ_CHECK(fileText(path) == before);
        return;
    }
    FUZZ_CHECK(readValue(name, kWholeValue, path) ==
               platform::withoutQuotes(trimmed(value.substr(0, value.find('\0')))));
    if (!sameName(name.section, other.section) || !sameName(name.key, other.key)) {
        FUZZ_CHECK(readValue(other, kWholeValue, path) == otherBefore);
    }
}

void checkLeadingNumber(const QString& text)
{
    const qint32 number = leadingNumber(text);
    // Reading stops at the first character that cannot continue the number.
    FUZZ_CHECK(leadingNumber(text + u',') == number);
    // A number of more than ten digits is beyond the 32-bit range.
    QStringView rest(text);
    while (!rest.isEmpty() && (rest.front() == u' ' || rest.front() == u'\t')) {
        rest = rest.sliced(1);
    }
    const bool negative = rest.startsWith(u'-');
    if (negative || rest.startsWith(u'+')) {
        rest = rest.sliced(1);
    }
    const qsizetype digits =
        std::find_if_not(rest.begin(), rest.end(), [](QChar c) { return c >= u'0' && c <= u'9'; }) -
        rest.begin();
    if (digits > 10 && rest.front() != u'0') {
        FUZZ_CHECK(number == (negative ? INT_MIN : INT_MAX));
    }
}

// The placement as GetFormPosition reads it from the file and fits it to the screen.
void checkStoredPlacement(const std::string& path, TwipsSize screen)
{
    const QString stored = QString::fromLocal8Bit(
        platform::readProfileString(kSections[0], "Settings", "", kNumberBuffer, path));
    if (stored.contains(u',')) {
        const WindowPlacement fitted = fitToScreen(parseFormSettings(stored), screen);
        FUZZ_CHECK(fitted.top >= 0 && fitted.left >= 0 && fitted.width >= 0 && fitted.height >= 0);
        FUZZ_CHECK(qint64(fitted.left) + fitted.width <= screen.width);
        FUZZ_CHECK(qint64(fitted.top) + fitted.height <= screen.height);
        FUZZ_CHECK(fitToScreen(fitted, screen) == fitted);
    }
    // The window state is the number at the start of its value, whatever follows.
    checkLeadingNumber(QString::fromLocal8Bit(
        platform::readProfileString(kSections[0], "WindowState", "", kNumberBuffer, path)));
}

qint32 heldInRange(qint64 number)
{
    return qint32(std::clamp<qint64>(number, INT_MIN, INT_MAX));
}

// Numbers read back as they were written. After each "," one character is
// passed over, so a "-" there is lost: the number form's quirk, kept on purpose.
void checkNumbers(qint64 number, const WindowPlacement& placement, const std::string& path)
{
    FUZZ_CHECK(leadingNumber(numberForm(number)) == heldInRange(number));
    FUZZ_CHECK(leadingNumber(QStringLiteral(" \t") + QString::number(number) + u'x') ==
               heldInRange(number));

    const auto magnitude = [](qint32 n) { return heldInRange(std::abs(qint64(n))); };
    const WindowPlacement expected{placement.top, magnitude(placement.left),
                                   magnitude(placement.width), magnitude(placement.height)};
    const QString value = formSettingsValue(placement);
    FUZZ_CHECK(parseFormSettings(value) == expected);

    // Through the file: values longer than the read buffer are cut.
    const std::string text = value.toStdString();
    if (platform::writeProfileString(kSections[0], "Settings", text, path) &&
        text.size() < kNumberBuffer) {
        const QString stored = QString::fromLocal8Bit(
            platform::readProfileString(kSections[0], "Settings", "", kNumberBuffer, path));
        FUZZ_CHECK(parseFormSettings(stored) == expected);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzedDataProvider in(data, size);
    const std::string path = settingsPath();
    const auto pick = [&in](const auto& known) -> std::string {
        return in.ConsumeBool()
                   ? known[in.ConsumeIntegralInRange<std::size_t>(0, std::size(known) - 1)]
                   : in.ConsumeRandomLengthString(24);
    };
    const Name name{pick(kSections), pick(kKeys)};
    const Name other{pick(kSections), pick(kKeys)};
    const std::string value = in.ConsumeRandomLengthString(300);
    const auto buffer = in.ConsumeIntegralInRange<std::size_t>(0, 300);
    const TwipsSize screen{in.ConsumeIntegralInRange<int>(0, 1 << 20),
                           in.ConsumeIntegralInRange<int>(0, 1 << 20)};
    const std::string numberText = in.ConsumeRandomLengthString(40);
    const auto number = in.ConsumeIntegral<qint64>();
    const WindowPlacement placement{in.ConsumeIntegral<qint32>(), in.ConsumeIntegral<qint32>(),
                                    in.ConsumeIntegral<qint32>(), in.ConsumeIntegral<qint32>()};
    const std::string text = in.ConsumeRemainingBytesAsString();

    setFileText(path, text);
    checkRead(name, buffer, path);
    checkStoredPlacement(path, screen);
    checkWrite(name, value, other, path);
    checkRead(other, buffer, path);
    checkStoredPlacement(path, screen);
    const QString numberAsText = QString::fromUtf8(numberText.data(), qsizetype(numberText.size()));
    checkLeadingNumber(numberAsText);
    // Numbers longer than any double, which mutations seldom make on their own.
    checkLeadingNumber(numberAsText.repeated(100));
    checkNumbers(number, placement, path);
    return 0;
}
