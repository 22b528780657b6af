#include "ui/HelpCommand.h"

#include "support/QtPrinters.h"
#include "support/RecordingDesktop.h"
#include "ui/frmMain.h"

#include <QAction>
#include <QCoreApplication>
#include <QFile>

#include <gtest/gtest.h>

namespace {

TEST(HelpCommand, TheWindowsViewerGetsTheProgramFolderUnquoted)
{
    EXPECT_EQ(windowsHelpCommandLine(R"(C:\Tools\X)"), R"(HH.exe C:\Tools\X\Help\OrvelleHelp.chm)");
    EXPECT_EQ(windowsHelpCommandLine(R"(C:\Program Files\Vorlan Tools)"),
              R"(HH.exe C:\Program Files\Vorlan Tools\Help\OrvelleHelp.chm)");
}

TEST(HelpCommand, OnLinuxTheFirstViewerInstalledOpensTheHelpElseTheBrowserItsPages)
{
    const QString folder = QStringLiteral("/opt/My Tools");
    const auto installed = [](QStringList names) {
        return [names](const QString& name) { return names.contains(name); };
    };
    EXPECT_EQ(linuxHelpCommandLine(folder, installed({"xchm", "kchmviewer"})),
              "xchm /opt/My Tools/Help/OrvelleHelp.chm");
    EXPECT_EQ(linuxHelpCommandLine(folder, installed({"kchmviewer"})),
              "kchmviewer /opt/My Tools/Help/OrvelleHelp.chm");
    EXPECT_EQ(linuxHelpCommandLine(folder, installed({})),
              "xdg-open /opt/My Tools/Help/html/index.html");
}

// The build puts the help beside the programs, the tests among them.
TEST(HelpCommand, EachChoiceStartsAViewerOnTheHelpBuiltBesideTheProgram)
{
    const QString folder = QCoreApplication::applicationDirPath();
    ASSERT_TRUE(QFile::exists(folder + "/Help/OrvelleHelp.chm"));
    ASSERT_TRUE(QFile::exists(folder + "/Help/html/index.html"));

    RecordingDesktop desktop;
    frmMain window(desktop, folder + "/Orvelle");
    window.mnuShowHelp->trigger();
    window.mnuShowHelp->trigger();
    ASSERT_EQ(desktop.programsStarted.size(), 2u);
    EXPECT_EQ(desktop.programsStarted[0], desktop.programsStarted[1]);
    EXPECT_EQ(desktop.programsStarted[0], helpCommandLine(folder));
    const QString path = desktop.programsStarted[0].section(u' ', 1);
    EXPECT_TRUE(QFile::exists(path)) << path.toStdString();
    EXPECT_TRUE(desktop.messages.empty());
}

} // namespace
