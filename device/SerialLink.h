#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

#include <memory>
#include <optional>

// Why a port did not open.
struct CommError {
    int number = 0;
    QString description;
};

// One serial port, opened by its system name at 9600 baud, no parity, 8 data
// bits and 1 stop bit, read without blocking the event loop. The build picks
// its form: QSerialPort on Linux, the Win32 communications calls on Windows.
class SerialLink : public QObject {
    Q_OBJECT

public:
    explicit SerialLink(QObject* parent = nullptr);
    ~SerialLink() override;

    // The name of the KVR driver's port N: \\.\COM<N> on Windows, the KVR
    // folder's dosdevices/com<N> on Linux (nothing when there is no driver).
    static QString systemName(int commPort);

    // Fails with 8002 when there is no such port, 8005 when another program
    // holds it, 8010 otherwise.
    std::optional<CommError> open(const QString& name);
    void close();
    bool isOpen() const;

    // Hands the bytes to the system before it returns, so that a port closed
    // right after still sends them.
    void write(const QByteArray& bytes);
    // Everything received since the last call.
    QByteArray readAll();

signals:
    // Bytes have arrived; raised from the event loop, once for all that came together.
    void bytesArrived();

private:
    struct Port;
    std::unique_ptr<Port> port_;
};

// The component's own numbers for the usual failures.
CommError noSuchPort();
CommError portInUse();
