#include "device/SerialLink.h"
#include "platform/KvrFolder.h"

#include <QSerialPort>

// A lock file or exclusive mode held by another program shows as a
// permission error. A port whose other side has gone reports the error on
// every turn of the event loop: it is closed once, from the queue, as Qt's
// notifier is still running when the error is reported.
struct SerialLink::Port {
    QSerialPort serial;
    bool lostOtherSide = false;
};

QString SerialLink::systemName(int commPort)
{
    const std::optional<std::string> folder = platform::kvrFolder();
    return folder
               ? QString::fromStdString(*folder) + QStringLiteral("/dosdevices/com%1").arg(commPort)
               : QString();
}

SerialLink::SerialLink(QObject* parent)
    : QObject(parent)
    , port_(std::make_unique<Port>())
{
    QSerialPort& serial = port_->serial;
    connect(&serial, &QSerialPort::readyRead, this, &SerialLink::bytesArrived);
    connect(&serial, &QSerialPort::errorOccurred, this, [this](QSerialPort::SerialPortError error) {
        if (port_->lostOtherSide ||
            (error != QSerialPort::ReadError && error != QSerialPort::ResourceError)) {
            return;
        }
        port_->lostOtherSide = true;
        QMetaObject::invokeMethod(
            this,
            [this] {
                if (port_->lostOtherSide) {
                    close();
                }
            },
            Qt::QueuedConnection);
    });
}

SerialLink::~SerialLink() = default;

std::optional<CommError> SerialLink::open(const QString& name)
{
    QSerialPort& serial = port_->serial;
    serial.setPortName(name);
    serial.setBaudRate(QSerialPort::Baud9600);
    serial.setParity(QSerialPort::NoParity);
    serial.setDataBits(QSerialPort::Data8);
    serial.setStopBits(QSerialPort::OneStop);
    serial.setFlowControl(QSerialPort::NoFlowControl);
    port_->lostOtherSide = false;
    if (serial.open(QIODevice::ReadWrite)) {
        return std::nullopt;
    }
    switch (serial.error()) {
    case QSerialPort::DeviceNotFoundError:
        return noSuchPort();
    case QSerialPort::PermissionError:
    case QSerialPort::OpenError:
        return portInUse();
    default:
        return CommError{8010, serial.errorString()};
    }
}

void SerialLink::close()
{
    port_->serial.close();
}

bool SerialLink::isOpen() const
{
    return port_->serial.isOpen();
}

void SerialLink::write(const QByteArray& bytes)
{
    port_->serial.write(bytes);
    port_->serial.flush();
}

QByteArray SerialLink::readAll()
{
    return port_->serial.readAll();
}
