#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>

// Registry records of KVR readers, written as the driver's registry.reg in the KVR folder of this
// test program (under its own XDG_RUNTIME_DIR), and removed again when the object goes.
class DriverRecords {
public:
    enum class Layout { A, B, C };

    ~DriverRecords() { QFile::remove(path()); }

    // Reader `reader` in `layout`; an empty `port` leaves out its port value.
    DriverRecords& add(Layout layout, int reader, const QString& description, const QString& port)
    {
        const QString four = QStringLiteral("%1").arg(reader, 4, 10, QLatin1Char('0'));
        const QString root = QStringLiteral("[HKEY_LOCAL_MACHINE\\");
        const QString name =
            layout == Layout::A ? QStringLiteral("Vor-Lan") : QStringLiteral("Vorlan");
        if (layout == Layout::C) {
            text_ +=
                root +
                "System\\CurrentControlSet\\Services\\VORLANCL\\Parameters\\Devices\\KVRDevice" +
                QString::number(reader) + "]\n\"FriendlyName\"=\"" + description + "\"\n" +
                (port.isEmpty() ? QString() : "\"PortName\"=\"" + port + "\"\n") + "\n";
            return *this;
        }
        text_ += root + "System\\CurrentControlSet\\Services\\Class\\" + name + "\\" + four +
                 "]\n\"DriverDesc\"=\"" + description + "\"\n\n";
        if (!port.isEmpty()) {
            text_ +=
                root + "Enum\\Root\\" + name + "\\" + four + "]\n\"PortName\"=\"" + port + "\"\n\n";
        }
        return *this;
    }

    // Any text of one's own, for damaged files.
    void writeRaw(const QByteArray& bytes) const
    {
        QDir().mkpath(folder());
        QFile file(path());
        file.open(QIODevice::WriteOnly);
        file.write(bytes);
    }

    void write() const { writeRaw(("Windows Registry Editor Version 5.00\n\n" + text_).toUtf8()); }

    static QString folder() { return qEnvironmentVariable("XDG_RUNTIME_DIR") + "/kvr"; }
    static QString path() { return folder() + "/registry.reg"; }

private:
    QString text_;
};
