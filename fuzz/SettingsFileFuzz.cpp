// Any settings file through the INI store: a read cut to its buffer, a write, the window placement
// read back and kept on the screen; numbers of any length held in the 32-bit range.

#include "fuzz/Check.h"
#include "platform/IniFile.h"
#include "settings/FormSettings.h"
#include "settings/NumberForm.h"

#include <QRegularExpression>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const std::string path = std::filesystem::temp_directory_path() / "Orvelle.INI";
    FuzzedDataProvider in(data, size);
    const std::string section = in.ConsumeRandomLengthString(24);
    const std::string key = in.ConsumeRandomLengthString(24);
    const std::string written = in.ConsumeRandomLengthString(300);
    const auto buffer = static_cast<std::size_t>(in.ConsumeIntegralInRange(0, 300));
    const TwipsSize screen{in.ConsumeIntegralInRange(0, 1 << 20),
                           in.ConsumeIntegralInRange(0, 1 << 20)};
    const QString number = QString::fromStdString(in.ConsumeRandomLengthString(40));
    std::ofstream(path, std::ios::binary) << in.ConsumeRemainingBytesAsString();
    FUZZ_CHECK(platform::readProfileString(section, key, "", buffer, path).size() < buffer ||
               buffer == 0);
    platform::writeProfileString(section, key, written, path);
    const WindowPlacement fitted =
        fitToScreen(parseFormSettings(QString::fromStdString(platform::readProfileString(
                        "Select_Window_frmMain", "Settings", "", 40, path))),
                    screen);
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
