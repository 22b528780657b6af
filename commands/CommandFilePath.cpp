#include "commands/CommandFilePath.h"

#include <QFileInfo>

QString openablePath(const QString& stored)
{
#ifdef _WIN32
    return stored;
#else
    if (stored.startsWith(u'/')) {
        return stored;
    }
    return QString(stored).replace(u'\\', u'/');
#endif
}

bool FileExists(const QString& path)
{
    return !path.isEmpty() && QFileInfo::exists(openablePath(path));
}
