#include "ui/HelpCommand.h"

#include <QDir>
#include <QStandardPaths>

QString windowsHelpCommandLine(const QString& programFolder)
{
    return QStringLiteral("HH.exe ") + programFolder + QStringLiteral("\\Help\\OrvelleHelp.chm");
}

QString linuxHelpCommandLine(const QString& programFolder,
                             const std::function<bool(const QString&)>& isInstalled)
{
    for (const QString& viewer : {QStringLiteral("xchm"), QStringLiteral("kchmviewer")}) {
        if (isInstalled(viewer)) {
            return viewer + u' ' + programFolder + QStringLiteral("/Help/OrvelleHelp.chm");
        }
    }
    return QStringLiteral("xdg-open ") + programFolder + QStringLiteral("/Help/html/index.html");
}

QString helpCommandLine(const QString& programFolder)
{
#ifdef _WIN32
    return windowsHelpCommandLine(QDir::toNativeSeparators(programFolder));
#else
    return linuxHelpCommandLine(programFolder, [](const QString& name) {
        return !QStandardPaths::findExecutable(name).isEmpty();
    });
#endif
}
