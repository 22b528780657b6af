#include "settings/SettingsFile.h"

#include "platform/IniFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryFile>

namespace {

// The settings store's strings are UTF-8 (on Windows it turns them into the
// profile functions' UTF-16).
std::string systemText(const QString& text)
{
    return text.toStdString();
}

} // namespace

QString settingsFileName(const QString& programFile)
{
    const QFileInfo program(programFile);
    const QString name = program.fileName();
    return QDir::toNativeSeparators(program.absolutePath() + QLatin1Char('/')) +
           name.left(name.indexOf(QLatin1Char('.'))) + QStringLiteral(".INI");
}

QString settingsFileFor(const QString& programFile)
{
    const QString beside = settingsFileName(programFile);
    // Permission bits do not tell (root passes them, a read-only mount does not):
    // a file is made and removed again.
    QTemporaryFile probe(QFileInfo(programFile).absolutePath() +
                         QStringLiteral("/.Orvelle-XXXXXX"));
    if (probe.open()) {
        return beside;
    }
    const QString userFolder =
        QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
        QStringLiteral("/Orvelle/");
    return QDir::toNativeSeparators(userFolder) + QFileInfo(beside).fileName();
}

SettingsFile::SettingsFile(QString path, QString preset)
    : path_(std::move(path))
    , preset_(std::move(preset))
{
}

QString SettingsFile::read(const QString& section, const QString& key, const QString& defaultValue,
                           int bufferSize) const
{
    const QString& file = preset_.isEmpty() || QFileInfo::exists(path_) ? path_ : preset_;
    return QString::fromStdString(
        platform::readProfileString(systemText(section), systemText(key), systemText(defaultValue),
                                    static_cast<std::size_t>(bufferSize), systemText(file)));
}

void SettingsFile::write(const QString& section, const QString& key, const QString& value) const
{
    QDir().mkpath(QFileInfo(path_).absolutePath());
    // The copy is the user's: it may be written whatever the preset's mode.
    if (!preset_.isEmpty() && !QFileInfo::exists(path_) && QFile::copy(preset_, path_)) {
        QFile::setPermissions(path_, QFile::permissions(path_) | QFileDevice::ReadOwner |
                                         QFileDevice::WriteOwner);
    }
    platform::writeProfileString(systemText(section), systemText(key), systemText(value),
                                 systemText(path_));
}
