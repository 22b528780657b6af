#pragma once

#include <QString>

// The settings file beside the program: for the program file F/Orvelle (or
// F\Orvelle.exe) it is F/Orvelle.INI: the folder, a separator, the file name
// cut before its first ".", and ".INI".
QString settingsFileName(const QString& programFile);

// Where the settings are kept: beside the program while its folder can be
// written (a copy carried on a stick keeps its settings with it), else under
// the same name in the user's configuration folder ($XDG_CONFIG_HOME/Orvelle,
// else ~/.config/Orvelle), so that an installed program still keeps them.
// Finding out makes and removes a file beside the program.
QString settingsFileFor(const QString& programFile);

// One value at a time, as the profile functions read and write it; nothing
// keeps the file open.
class SettingsFile {
public:
    // `preset`, when given, is a settings file installed beside the program,
    // whose folder the user cannot write: it is read while `path`, the user's
    // own file, does not exist, and the first write starts the user's file
    // from a copy of it, so that no preset value is lost.
    explicit SettingsFile(QString path, QString preset = {});

    // The value, or `defaultValue` when missing, cut to `bufferSize` - 1 characters.
    QString read(const QString& section, const QString& key, const QString& defaultValue,
                 int bufferSize) const;

    // A write that fails is ignored: the program goes on with the values it
    // holds. The file's folder is made when missing.
    void write(const QString& section, const QString& key, const QString& value) const;

private:
    QString path_;
    QString preset_;
};
