#pragma once

#include <QString>

#include <functional>

// The command line that opens the program's help, "OrvelleHelp.chm" in the
// folder "Help" beside the program. The program's folder is put in unchanged
// and unquoted: the viewer takes everything after its name as one path.

// "HH.exe " + folder + "\Help\OrvelleHelp.chm", the Windows help viewer.
QString windowsHelpCommandLine(const QString& programFolder);

// The first of xchm and kchmviewer that is installed, on the compiled help;
// without either, xdg-open on the help's HTML pages.
QString linuxHelpCommandLine(const QString& programFolder,
                             const std::function<bool(const QString&)>& isInstalled);

// The command line for this platform, for a program in `programFolder`.
QString helpCommandLine(const QString& programFolder);
