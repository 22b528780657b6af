#include "device/MSComm.h"

#include "platform/KvrFolder.h"

namespace {

// Port N of the KVR driver: \\.\COM<N> on Windows, the KVR folder's
// dosdevices/com<N> on Linux (nothing to open when there is no driver).
QString systemPortName(int commPort)
{
#ifdef _WIN32
    return QStringLiteral("\\\\.\\COM%1").arg(commPort);
#else
    const std::optional<std::string> folder = platform::kvrFolder();
    return folder
               ? QString::fromStdString(*folder) + QStringLiteral("/dosdevices/com%1").arg(commPort)
               : QString();
#endif
}

} // namespace

MSComm::MSComm(QObject* parent)
    : QObject(parent)
    , locate_(systemPortName)
{
    connect(&port_, &QSerialPort::readyRead, this, [this] {
        commEvent_ = comEvReceive;
        emit OnComm();
    });
}

void MSComm::setPortLocator(PortLocator locator)
{
    locate_ = std::move(locator);
}

std::optional<CommError> MSComm::setPortOpen(bool open)
{
    if (!open) {
        port_.close();
        return std::nullopt;
    }
    if (port_.isOpen()) {
        return std::nullopt;
    }
    port_.setPortName(locate_(commPort_));
    port_.setBaudRate(QSerialPort::Baud9600);
    port_.setParity(QSerialPort::NoParity);
    port_.setDataBits(QSerialPort::Data8);
    port_.setStopBits(QSerialPort::OneStop);
    port_.setFlowControl(QSerialPort::NoFlowControl);
    if (!port_.open(QIODevice::ReadWrite)) {
        return CommError{static_cast<int>(port_.error()), port_.errorString()};
    }
    return std::nullopt;
}

void MSComm::setOutput(const QString& text)
{
    port_.write(text.toLatin1());
    // Hand the text to the system now, so that a port closed right after still sends it.
    port_.flush();
}

QString MSComm::Input()
{
    return QString::fromLatin1(port_.readAll());
}
