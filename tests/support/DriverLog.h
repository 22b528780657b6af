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
        if (!log.open(QIODevice::ReadOnly)) {
            return {};
        }
        QStringList lines;
        for (const QByteArray& line : log.readAll().split('\n')) {
            if (!line.isEmpty()) {
                lines << QString::fromUtf8(line);
            }
        }
        return lines;
    }

    // The lines of a send, without the open dialogue's.
    QStringList commands() const
    {
        QStringList commands;
        for (const QString& line : lines()) {
            if (!line.endsWith(QStringLiteral("/ver")) &&
                !line.endsWith(QStringLiteral("/get dev_version"))) {
                commands << line;
            }
        }
        return commands;
    }

private:
    QTemporaryDir folder_;
};
