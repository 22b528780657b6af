#include "support/PermissionsCount.h"
#include "support/QtPrinters.h"
#include "support/RecordingDesktop.h"
#include "support/TempProgram.h"
#include "ui/SortedComboBox.h"
#include "ui/frmMain.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

namespace {

class StoredSettings : public testing::Test {
protected:
    // Loads and activates a window as start-up does; `ports` stand in for the
    // entries that driver discovery puts in the port list while loading.
    std::unique_ptr<frmMain> start(const QStringList& ports = {"Reader A (COM5)",
                                                               "Reader B (COM6)"})
    {
        auto window = std::make_unique<frmMain>(desktop, program.file());
        window->Form_Load();
        for (const QString& port : ports) {
            window->Combo2->addSorted(port);
        }
        window->Combo2->setCurrentIndex(ports.isEmpty() ? -1 : 0);
        window->Form_Activate();
        return window;
    }

    void store(const QByteArray& text) const
    {
        QFile file(program.settingsFile());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text);
    }

    QByteArray stored() const
    {
        QFile file(program.settingsFile());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    TempProgram program;
    RecordingDesktop desktop;
};

const QSize kDesignedClient(9435 / 15, 6240 / 15);

TEST_F(StoredSettings, AFirstRunWithoutAFileUsesTheDefaultsAndWritesNothing)
{
    const auto window = start();
    EXPECT_EQ(window->windowState(), Qt::WindowNoState);
    EXPECT_EQ(window->centralWidget()->size(), kDesignedClient);
    EXPECT_EQ(window->Combo2->currentIndex(), 0);
    EXPECT_EQ(window->sCmdFile, "./Commands.xls");
    EXPECT_FALSE(QFile::exists(program.settingsFile()));
}

TEST_F(StoredSettings, TheWindowComesBackWhereAndAsItWasClosed)
{
    auto window = start();
    window->move(150, 90);
    window->close();
    // The size as the layout counts it: at the designed client area, the
    // smallest outer size, whatever frame the window system draws.
    EXPECT_TRUE(stored().contains("[Select_Window_frmMain]\nSettings= 1350, 2250, 9555, 6930\n"))
        << stored().toStdString();
    EXPECT_TRUE(stored().contains("WindowState= 0\n"));

    window = start();
    EXPECT_EQ(window->pos(), QPoint(150, 90));
    EXPECT_EQ(window->centralWidget()->size(), kDesignedClient);
    window->showMaximized();
    window->close();
    EXPECT_TRUE(stored().contains("WindowState= 2\n"));

    window = start();
    EXPECT_TRUE(window->isMaximized());
    window->showMinimized();
    window->close();
    EXPECT_TRUE(stored().contains("WindowState= 1\n"));

    window = start();
    EXPECT_TRUE(window->isMinimized());
}

TEST_F(StoredSettings, TheStoredSizeIsNotAppliedAndThePlacementIsKeptOnScreen)
{
    store("[Select_Window_frmMain]\nSettings= 1500, 1200, 10000, 7000\nWindowState= 0\n");
    auto window = start();
    EXPECT_EQ(window->pos(), QPoint(80, 100));
    EXPECT_EQ(window->centralWidget()->size(), kDesignedClient);

    // A left edge that would put the window past the screen's right edge goes to 0.
    store("[Select_Window_frmMain]\nSettings= 1500, 9000, 9555, 6930\n");
    window = start();
    EXPECT_EQ(window->pos(), QPoint(0, 100));
    // A stored left of -60 reads as 60; a stored top of -60 becomes 0.
    store("[Select_Window_frmMain]\nSettings=-60,-60, 9555, 6930\n");
    window = start();
    EXPECT_EQ(window->pos(), QPoint(4, 0));
}

TEST_F(StoredSettings, TheStoredPortEntryIsSelectedWhenItExists)
{
    store("[Current_Port]\nPort_Num= 1\n");
    EXPECT_EQ(start()->Combo2->currentIndex(), 1);
    store("[Current_Port]\nPort_Num= 3\n");
    EXPECT_EQ(start()->Combo2->currentIndex(), 0);
    store("[Current_Port]\nPort_Num=-1\n");
    EXPECT_EQ(start()->Combo2->currentIndex(), 0);

    auto window = start();
    window->Combo2->setCurrentIndex(1);
    window->close();
    EXPECT_TRUE(stored().contains("[Current_Port]\nPort_Num= 1\n"));

    // With no port listed nothing is selected, and nothing is stored.
    store("[Current_Port]\nPort_Num= 1\n");
    window = start({});
    EXPECT_EQ(window->Combo2->currentIndex(), -1);
    QFile::remove(program.settingsFile());
    window->close();
    EXPECT_FALSE(stored().contains("Port_Num"));
}

TEST_F(StoredSettings, TheLastCommandFileIsKeptOnlyWhenACommandListIsLoaded)
{
    store("[File]\nLastFile=bench/Room 4.xls\n");
    auto window = start();
    EXPECT_EQ(window->sCmdFile, "bench/Room 4.xls");

    store("[File]\nLastFile=x\n");
    window = start();
    EXPECT_EQ(window->sCmdFile, "");

    window->sCmdFile = "today.xls";
    window->close();
    EXPECT_TRUE(stored().contains("LastFile=x\n"));

    window = start();
    window->sCmdFile = "today.xls";
    window->nCmdCount = 3;
    window->close();
    EXPECT_TRUE(stored().contains("LastFile=today.xls\n"));

    // A path holding a line break would add lines of its own: the stored one stays.
    window = start();
    window->sCmdFile = "a.xls\n[Current_Port]\nPort_Num= 9";
    window->nCmdCount = 3;
    window->close();
    EXPECT_TRUE(stored().contains("LastFile=today.xls\n"));
    EXPECT_FALSE(stored().contains("Port_Num= 9"));
}

TEST_F(StoredSettings, AProgramFolderThatCannotBeWrittenKeepsTheSettingsInTheUsersFolder)
{
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
    const QString userFile = config.filePath("Orvelle/Orvelle.INI");
    const auto startIn = [this](const QString& programFile) {
        auto window = std::make_unique<frmMain>(desktop, programFile);
        window->Form_Load();
        window->Combo2->addSorted("Reader A (COM5)");
        window->Combo2->addSorted("Reader B (COM6)");
        window->Combo2->setCurrentIndex(0);
        window->Form_Activate();
        return window;
    };

    // Not even root may create files in /proc.
    auto window = startIn("/proc/Orvelle");
    window->Combo2->setCurrentIndex(1);
    window->sCmdFile = "bench.xls";
    window->nCmdCount = 2;
    desktop.messages.clear();
    EXPECT_TRUE(window->close());
    EXPECT_TRUE(desktop.messages.empty());
    EXPECT_FALSE(QFile::exists("/proc/Orvelle.INI"));
    QFile stored(userFile);
    ASSERT_TRUE(stored.open(QIODevice::ReadOnly));
    EXPECT_TRUE(stored.readAll().contains("[Current_Port]\nPort_Num= 1\n"));

    // The next start reads them back; a writable program folder keeps its own file.
    window = startIn("/proc/Orvelle");
    EXPECT_EQ(window->Combo2->currentIndex(), 1);
    EXPECT_EQ(window->sCmdFile, "bench.xls");
    window = startIn(program.file());
    EXPECT_EQ(window->Combo2->currentIndex(), 0);
    window->close();
    EXPECT_TRUE(QFile::exists(program.settingsFile()));
    qunsetenv("XDG_CONFIG_HOME");
}

// A program installed where its users cannot write may come with settings
// beside it (a preset port, command file and place): they are read until the
// user's own file exists, and that file starts from them.
TEST_F(StoredSettings, SettingsInstalledBesideTheProgramAreReadUntilTheUsersOwnExist)
{
    if (!bodyRunsWherePermissionsCount()) {
        return;
    }
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
    const QByteArray preset = "[Current_Port]\nPort_Num= 1\n[File]\nLastFile=preset.xls\n"
                              "[Select_Window_frmMain]\nSettings= 1500, 1200, 9555, 6930\n";
    store(preset);
    const auto programFolder = QFileDevice::ReadOwner | QFileDevice::ExeOwner;
    ASSERT_TRUE(QFile::setPermissions(program.folder(), programFolder));

    auto window = start();
    EXPECT_EQ(window->Combo2->currentIndex(), 1);
    EXPECT_EQ(window->sCmdFile, "preset.xls");
    EXPECT_EQ(window->pos(), QPoint(80, 100));
    window->Combo2->setCurrentIndex(0);
    window->close();

    QFile user(config.filePath("Orvelle/Orvelle.INI"));
    ASSERT_TRUE(user.open(QIODevice::ReadOnly));
    const QByteArray stored = user.readAll();
    EXPECT_TRUE(stored.contains("Port_Num= 0\n")) << stored.toStdString();
    EXPECT_TRUE(stored.contains("LastFile=preset.xls\n")) << stored.toStdString();
    EXPECT_EQ(this->stored(), preset);

    // From now on the user's own file is read.
    window = start();
    EXPECT_EQ(window->Combo2->currentIndex(), 0);
    QFile::setPermissions(program.folder(), programFolder | QFileDevice::WriteOwner);
    qunsetenv("XDG_CONFIG_HOME");
}

} // namespace
