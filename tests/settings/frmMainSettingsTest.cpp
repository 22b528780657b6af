#include "app/Module1.h"
#include "settings/FormSettings.h"
#include "settings/NumberForm.h"
#include "settings/SettingsFile.h"
#include "support/ManualClock.h"
#include "support/QtPrinters.h"
#include "support/RecordingDesktop.h"
#include "support/SimulatedDriver.h"
#include "support/TempProgram.h"
#include "ui/AutoSizeLabel.h"
#include "ui/SortedComboBox.h"
#include "ui/frmMain.h"
#include "ui/frmSplash.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QPointer>
#include <QScopeGuard>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

// The program started as Main starts it, two readers listed, left by File, Exit.
class NextStart : public testing::Test {
protected:
    ~NextStart() override { delete window; }

    frmMain& start()
    {
        window = Module1::Main(desktop, clock, program.file());
        return *window;
    }

    void exit()
    {
        window->mnuFileExit->trigger();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        ASSERT_TRUE(window.isNull());
    }

    QByteArray stored() const
    {
        QFile file(program.settingsFile());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    SimulatedDriver driver{{"--readers", "2"}};
    ManualClock clock;
    ClockDriver clockDriver{clock, std::chrono::seconds(1)};
    TempProgram program;
    RecordingDesktop desktop;
    QPointer<frmMain> window;
};

TEST(SettingsRules, NumbersPlacementsAndTheFileFollowTheirRules)
{
    EXPECT_EQ(formSettingsValue({1200, 0, 9555, -60}), " 1200, 0, 9555,-60");
    const QStringList texts{"  1200", "+7",   "42 and more", "2.5", "3.5",
                            "-2.5",   "1.49", "abc",         "-",   "-99999999999999"};
    const QList<qint32> numbers{1200, 7, 42, 2, 4, -2, 1, 0, 0, INT32_MIN};
    for (qsizetype i = 0; i < texts.size(); ++i) {
        EXPECT_EQ(leadingNumber(texts[i]), numbers[i]) << texts[i].toStdString();
    }
    EXPECT_EQ(leadingNumber(QString(400, u'9')), INT32_MAX);
    EXPECT_TRUE(parseFormSettings("1200,1500,9555,6930") == (WindowPlacement{1200, 500, 555, 930}));
    EXPECT_TRUE(parseFormSettings("-60,-60, 9555") == (WindowPlacement{-60, 60, 9555, 0}));
    const TwipsSize screen{15360, 11520};
    EXPECT_TRUE(fitToScreen({-60, -60, 9555, 6930}, screen) == (WindowPlacement{0, 0, 9555, 6930}));
    EXPECT_TRUE(fitToScreen({6000, 8000, -1, 6930}, screen) ==
                (WindowPlacement{0, 0, 15360, 11520}));
    EXPECT_TRUE(fitToScreen({0, INT32_MAX, INT32_MAX, 6930}, screen) ==
                (WindowPlacement{0, 0, 15360, 6930}));
    // Beside the program where a file can be made (not even root may in /proc).
    EXPECT_EQ(settingsFileName("/opt/bench/My.Tool.exe"), "/opt/bench/My.INI");
    QTemporaryDir home;
    const auto restore = qScopeGuard([home = qgetenv("HOME"), xdg = qgetenv("XDG_CONFIG_HOME")] {
        qputenv("HOME", home);
        qputenv("XDG_CONFIG_HOME", xdg);
    });
    qputenv("HOME", home.path().toLocal8Bit());
    qunsetenv("XDG_CONFIG_HOME");
    EXPECT_EQ(settingsFileFor(home.filePath("Orvelle")), home.filePath("Orvelle.INI"));
    EXPECT_EQ(settingsFileFor("/proc/no-such/Orvelle.bin"),
              home.filePath(".config/Orvelle/Orvelle.INI"));
}

// The first start: the splash gone, the window loaded, nothing written.
TEST_F(NextStart, TheWindowAndThePortComeBackAsTheyWereLeft)
{
    ASSERT_EQ(start().Combo2->count(), 2);
    for (QWidget* window : QApplication::topLevelWidgets()) {
        EXPECT_EQ(qobject_cast<frmSplash*>(window), nullptr) << "the splash is unloaded";
    }
    EXPECT_TRUE(window->isVisible() && window->focusWidget() == window->Combo2);
    EXPECT_EQ(window->lblCurrPort->frameShape(), QFrame::NoFrame);
    EXPECT_FALSE(QFile::exists(program.settingsFile()));
    const QSize designed = window->centralWidget()->size();
    window->move(150, 90);
    window->Combo2->setCurrentIndex(1);
    exit();
    // The size as the layout counts it, whatever frame the window system draws;
    // the command file only once its list was loaded.
    EXPECT_TRUE(stored().contains("[Current_Port]\nPort_Num= 1\n"));
    EXPECT_FALSE(stored().contains("LastFile"));
    EXPECT_TRUE(stored().contains(
        "[Select_Window_frmMain]\nSettings= 1350, 2250, 9555, 6930\nWindowState= 0\n"))
        << stored().toStdString();
    EXPECT_EQ(start().pos(), QPoint(150, 90));
    EXPECT_EQ(window->Combo2->currentIndex(), 1);
    for (const auto& [state, value] : {std::pair{Qt::WindowMaximized, "WindowState= 2\n"},
                                       std::pair{Qt::WindowMinimized, "WindowState= 1\n"}}) {
        window->setWindowState(state);
        exit();
        EXPECT_TRUE(stored().contains(value)) << value;
        EXPECT_EQ(start().windowState(), state);
    }
    exit();
    // Not applied: the stored size, a place past the screen's right edge, a port
    // entry past the list's end, a one-character command file.
    QFile settings(program.settingsFile());
    ASSERT_TRUE(settings.open(QIODevice::WriteOnly));
    settings.write("[Select_Window_frmMain]\nSettings= 1500, 9000, 10000, 7000\n"
                   "[Current_Port]\nPort_Num= 2\n[File]\nLastFile=x\n");
    settings.close();
    EXPECT_EQ(start().pos(), QPoint(0, 100));
    EXPECT_EQ(window->sCmdFile, "");
    EXPECT_EQ(window->centralWidget()->size(), designed);
    EXPECT_EQ(window->Combo2->currentIndex(), 0);
    exit();
}

} // namespace
