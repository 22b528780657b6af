// Any settings file through the INI store: reads cut to their buffers, a write that reads back and
// changes no other value, the window placement kept on the screen; numbers held in 32 bits.

#include "fuzz/Check.h"
#include "platform/IniFile.h"
#include "platform/IniText.h"
#include "settings/FormSettings.h"
#include "settings/NumberForm.h"

#include <QRegularExpression>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const std::string path = std::filesystem::temp_directory_path() / "Orvelle.INI";
    const auto value = [](const std::string& section, const std::string& key, int limit = 1 << 20) {
        return platform::readProfileString(section, key, "(none)", std::size_t(limit), path);
    };
    FuzzedDataProvider in(data, size);
    const std::string section = in.ConsumeRandomLengthString(24);
    const std::string key = in.ConsumeRandomLengthString(24);
    std::string written = in.ConsumeRandomLengthString(300);
    const int buffer = in.ConsumeIntegralInRange(0, 300);
    const TwipsSize screen{in.ConsumeIntegralInRange(0, 1 << 20),
                           in.ConsumeIntegralInRange(0, 1 << 20)};
    const QString number = QString::fromStdString(in.ConsumeRandomLengthString(40));
    std::ofstream(path, std::ios::binary) << in.ConsumeRemainingBytesAsString();
    const std::string before = value(section, key),
                      placement = value("Select_Window_frmMain", "Settings");
    FUZZ_CHECK(value(section, key, buffer) == before.substr(0, std::max(buffer - 1, 0)));
    // Taken up to a NUL, read without blanks around it and without one pair of quotes.
    const bool stored = platform::writeProfileString(section, key, written, path);
    written.resize(std::min(written.find('\0'), written.size()));
    written.erase(0, written.find_first_not_of(" \t"));
    written.erase(written.find_last_not_of(" \t") + 1);
    FUZZ_CHECK(value(section, key) == (stored ? platform::withoutQuotes(written) : before));
    // The window's placement is another value; read at start-up, it is kept on the screen.
    const std::string now = value("Select_Window_frmMain", "Settings", 40);
    FUZZ_CHECK(now == placement.substr(0, 39) || (stored && now == value(section, key, 40)));
    const WindowPlacement fitted =
        fitToScreen(parseFormSettings(QString::fromStdString(now)), screen);
    FUZZ_CHECK(fitted.top >= 0 && fitted.left >= 0 && fitted.width >= 0 && fitted.height >= 0 &&
               qint64(fitted.left) + fitted.width <= screen.width &&
               qint64(fitted.top) + fitted.height <= screen.height);
    // Past ten digits, even past double's, a number is held at the ends (made long by repeating).
    const QString longer = number.repeated(100);
    const auto match =
        QRegularExpression(QStringLiteral("^[ \\t]*([-+]?)[1-9]\\d{10}")).match(longer);
    FUZZ_CHECK(!match.hasMatch() ||
               leadingNumber(longer) == (match.captured(1) == u"-" ? INT_MIN : INT_MAX));
    return 0;
}
