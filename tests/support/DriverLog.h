#pragma once

#include <QFile>
#include <QStringList>
#include <QTemporaryDir>

// The log of every line kvr-sim received (its --log), as "COM5: /ver".
class DriverLog {
public:
    QString path() const { return folder_.filePath(QStringLiteral("received.log")); }

    QStringList lines() const
    {
        QFile log(path());
        return log.open(QIODevice::ReadOnly)
                   ? QString::fromUtf8(log.readAll()).split(u'\n', Qt::SkipEmptyParts)
                   : QStringList();
    }

    // The lines of a send, without the open dialogue's.
    QStringList commands() const
    {
        QStringList commands = lines();
        commands.removeIf([](const QString& line) {
            return line.endsWith(QStringLiteral("/ver")) ||
                   line.endsWith(QStringLiteral("/get dev_version"));
        });
        return commands;
    }

private:
    QTemporaryDir folder_;
};
