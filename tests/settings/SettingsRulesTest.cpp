#include "settings/FormSettings.h"
#include "settings/NumberForm.h"
#include "settings/SettingsFile.h"
#include "support/QtPrinters.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

void PrintTo(const WindowPlacement& p, std::ostream* out)
{
    *out << "{top " << p.top << ", left " << p.left << ", width " << p.width << ", height "
         << p.height << "}";
}

namespace {

TEST(NumberForm, PositiveNumbersGetABlankNegativeOnesAMinus)
{
    EXPECT_EQ(numberForm(1200), " 1200");
    EXPECT_EQ(numberForm(0), " 0");
    EXPECT_EQ(numberForm(-60), "-60");
    EXPECT_EQ(formSettingsValue({1200, 1500, 9555, 6930}), " 1200, 1500, 9555, 6930");
    EXPECT_EQ(formSettingsValue({-60, -4, 9555, 6930}), "-60,-4, 9555, 6930");
}

TEST(NumberForm, TheLeadingNumberIsReadAndRoundedHalfToEven)
{
    EXPECT_EQ(leadingNumber(u"  1200"), 1200);
    EXPECT_EQ(leadingNumber(u"-60"), -60);
    EXPECT_EQ(leadingNumber(u"+7"), 7);
    EXPECT_EQ(leadingNumber(u"42 and more"), 42);
    EXPECT_EQ(leadingNumber(u"9,1"), 9);
    EXPECT_EQ(leadingNumber(u"2.5"), 2);
    EXPECT_EQ(leadingNumber(u"3.5"), 4);
    EXPECT_EQ(leadingNumber(u"-2.5"), -2);
    EXPECT_EQ(leadingNumber(u"1.49"), 1);
    EXPECT_EQ(leadingNumber(u""), 0);
    EXPECT_EQ(leadingNumber(u"abc"), 0);
    EXPECT_EQ(leadingNumber(u"-"), 0);
    EXPECT_EQ(leadingNumber(u"99999999999999"), 2147483647);
    EXPECT_EQ(leadingNumber(u"-99999999999999"), -2147483647 - 1);
    // Beyond the range of double too.
    EXPECT_EQ(leadingNumber(QString(400, u'9')), 2147483647);
    EXPECT_EQ(leadingNumber(QStringLiteral(" -") + QString(400, u'9') + QStringLiteral(".5")),
              -2147483647 - 1);
    EXPECT_EQ(leadingNumber(QStringLiteral("0.") + QString(400, u'0') + u'1'), 0);
}

TEST(FormSettings, OneCharacterAfterEachCommaIsPassedOver)
{
    EXPECT_EQ(parseFormSettings(" 1200, 1500, 9555, 6930"),
              (WindowPlacement{1200, 1500, 9555, 6930}));
    EXPECT_EQ(parseFormSettings("1200,1500,9555,6930"), (WindowPlacement{1200, 500, 555, 930}));
    // The "-" of a stored left stands where the blank is passed over; a top has none before it.
    EXPECT_EQ(parseFormSettings("-60,-60, 9555, 6930"), (WindowPlacement{-60, 60, 9555, 6930}));
    EXPECT_EQ(parseFormSettings(" 10, 20, 30, 40   "), (WindowPlacement{10, 20, 30, 40}));
    // Fewer numbers than four (a hand-edited file): the missing ones read as 0.
    EXPECT_EQ(parseFormSettings(" 10, 20"), (WindowPlacement{10, 20, 0, 0}));
    EXPECT_EQ(parseFormSettings(","), (WindowPlacement{0, 0, 0, 0}));
}

TEST(FormSettings, APlacementIsKeptOnTheScreen)
{
    const TwipsSize screen{15360, 11520};
    const WindowPlacement fits{1200, 1500, 9555, 6930};
    EXPECT_EQ(fitToScreen(fits, screen), fits);
    EXPECT_EQ(fitToScreen({-60, -60, 9555, 6930}, screen), (WindowPlacement{0, 0, 9555, 6930}));
    EXPECT_EQ(fitToScreen({100, 100, -1, -1}, screen),
              (WindowPlacement{0, 0, screen.width, screen.height}));
    // Beyond the right edge: the left goes to 0 and the width to the screen's.
    EXPECT_EQ(fitToScreen({1200, 8000, 9555, 6930}, screen),
              (WindowPlacement{1200, 0, screen.width, 6930}));
    EXPECT_EQ(fitToScreen({6000, 1500, 9555, 6930}, screen),
              (WindowPlacement{0, 1500, 9555, screen.height}));
    EXPECT_EQ(fitToScreen({0, 2147483647, 2147483647, 6930}, screen),
              (WindowPlacement{0, 0, screen.width, 6930}));
}

TEST(SettingsFile, LiesBesideTheProgramNamedAfterItsFirstPart)
{
    const QString folder = QDir::toNativeSeparators(QStringLiteral("/opt/bench/"));
    EXPECT_EQ(settingsFileName("/opt/bench/Orvelle"), folder + "Orvelle.INI");
    EXPECT_EQ(settingsFileName("/opt/bench/My.Tool.exe"), folder + "My.INI");
    EXPECT_EQ(settingsFileName("/opt/bench/Orvelle.exe"), folder + "Orvelle.INI");
    EXPECT_EQ(windowSection("frmMain"), "Select_Window_frmMain");
    EXPECT_EQ(windowSection("frm-Ma-in"), "Select_Window_frmMa-in");
}

// The environment variable `name` set to `value` (unset when null) while the object lives.
class ScopedVariable {
public:
    ScopedVariable(const char* name, const QByteArray& value)
        : name_(name)
        , saved_(qgetenv(name))
        , wasSet_(qEnvironmentVariableIsSet(name))
    {
        value.isNull() ? qunsetenv(name) : qputenv(name, value);
    }
    ~ScopedVariable() { wasSet_ ? qputenv(name_, saved_) : qunsetenv(name_); }

private:
    const char* name_;
    QByteArray saved_;
    bool wasSet_;
};

TEST(SettingsFile, StaysBesideAWritableProgramElseGoesToTheUsersConfigurationFolder)
{
    QTemporaryDir home;
    const ScopedVariable homeVariable("HOME", home.path().toLocal8Bit());
    const QString config = home.filePath("config");
    {
        const ScopedVariable configVariable("XDG_CONFIG_HOME", config.toLocal8Bit());
        EXPECT_EQ(settingsFileFor(home.filePath("Orvelle")), home.filePath("Orvelle.INI"));
        // Not even root may create files in /proc.
        EXPECT_EQ(settingsFileFor("/proc/Orvelle"), config + "/Orvelle/Orvelle.INI");
        EXPECT_EQ(settingsFileFor("/proc/no-such-folder/Orvelle.bin"),
                  config + "/Orvelle/Orvelle.INI");
    }
    const ScopedVariable configVariable("XDG_CONFIG_HOME", QByteArray());
    EXPECT_EQ(settingsFileFor("/proc/Orvelle"), home.filePath(".config/Orvelle/Orvelle.INI"));
}

} // namespace
