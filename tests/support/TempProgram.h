#pragma once

#include <QTemporaryDir>

// The program's file in a fresh temporary folder, so that each test has a
// settings file of its own.
class TempProgram {
public:
    QString folder() const { return dir_.path(); }
    QString file() const { return dir_.filePath(QStringLiteral("Orvelle")); }
    QString settingsFile() const { return dir_.filePath(QStringLiteral("Orvelle.INI")); }

private:
    QTemporaryDir dir_;
};
