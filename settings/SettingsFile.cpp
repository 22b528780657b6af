#include "settings/SettingsFile.h"

#include "platform/IniFile.h"

#include <QDir>
#include <QFileInfo>

namespace {

std::string systemText(const QString& text)
{
    return text.toLocal8Bit().toStdString();
}

} // namespace

QString settingsFileName(const QString& programFile)
{
    const QFileInfo program(programFile);
    const QString name = program.fileName();
    return QDir::toNativeSeparators(program.absolutePath() + QLatin1Char('/')) +
           name.left(name.indexOf(QLatin1Char('.'))) + QStringLiteral(".INI");
}

SettingsFile::SettingsFile(QString path)
    : path_(std::move(path))
{
}

QString SettingsFile::read(const QString& section, const QString& key, const QString& defaultValue,
                           int bufferSize) const
{
    return QString::fromLocal8Bit(
        platform::readProfileString(systemText(section), systemText(key), systemText(defaultValue),
                                    static_cast<std::size_t>(bufferSize), systemText(path_)));
}

void SettingsFile::write(const QString& section, const QString& key, const QString& value) const
{
    platform::writeProfileString(systemText(section), systemText(key), systemText(value),
                                 systemText(path_));
}
