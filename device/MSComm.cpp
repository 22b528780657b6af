#include "device/MSComm.h"

#include "commands/WireText.h"
#include "platform/KvrFolder.h"

#include <QPointer>

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

CommError noSuchPort()
{
    return CommError{8002, QStringLiteral("Invalid port number")};
}

// The component's own numbers: a lock file or exclusive mode held by another
// program shows as a permission error.
CommError openFailure(const QSerialPort& port)
{
    switch (port.error()) {
    case QSerialPort::DeviceNotFoundError:
        return noSuchPort();
    case QSerialPort::PermissionError:
    case QSerialPort::OpenError:
        return CommError{8005, QStringLiteral("Port already open")};
    default:
        return CommError{8010, port.errorString()};
    }
}

} // namespace

MSComm::MSComm(QObject* parent)
    : QObject(parent)
    , locate_(systemPortName)
{
    quietPause_.setSingleShot(true);
    quietPause_.setInterval(ReadingGrouper::kQuietPauseMs);
    connect(&quietPause_, &QTimer::timeout, this, &MSComm::queueOnComm);
    connect(&port_, &QSerialPort::readyRead, this, &MSComm::takeArrivedBytes);
    connect(&port_, &QSerialPort::errorOccurred, this, &MSComm::portFailed);
}

void MSComm::setPortLocator(PortLocator locator)
{
    locate_ = std::move(locator);
}

std::optional<CommError> MSComm::setPortOpen(bool open)
{
    if (open == port_.isOpen()) {
        return std::nullopt;
    }
    // What an earlier opening received is not this one's.
    received_.clear();
    quietPause_.stop();
    if (!open) {
        port_.close();
        return std::nullopt;
    }
    return openPort();
}

std::optional<CommError> MSComm::openPort()
{
    const QString name = locate_(commPort_);
    if (name.isEmpty()) {
        return noSuchPort();
    }
    port_.setPortName(name);
    port_.setBaudRate(QSerialPort::Baud9600);
    port_.setParity(QSerialPort::NoParity);
    port_.setDataBits(QSerialPort::Data8);
    port_.setStopBits(QSerialPort::OneStop);
    port_.setFlowControl(QSerialPort::NoFlowControl);
    lostOtherSide_ = false;
    if (!port_.open(QIODevice::ReadWrite)) {
        return openFailure(port_);
    }
    return std::nullopt;
}

void MSComm::setOutput(const QString& text)
{
    port_.write(toWire(text));
    // Hand the text to the system now, so that a port closed right after still sends it.
    port_.flush();
}

QString MSComm::Input()
{
    return fromWire(received_.take());
}

// Qt emits readyRead only once until its slot returns and never again for
// bytes it holds already, so everything is taken at once and the slot returns.
void MSComm::takeArrivedBytes()
{
    switch (received_.add(port_.readAll())) {
    case ReadingGrouper::Held::Complete:
        quietPause_.stop();
        queueOnComm();
        break;
    case ReadingGrouper::Held::Partial:
        quietPause_.start();
        break;
    case ReadingGrouper::Held::Nothing:
        break;
    }
}

void MSComm::queueOnComm()
{
    if (!onCommQueued_) {
        onCommQueued_ = true;
        QMetaObject::invokeMethod(this, &MSComm::raiseOnComm, Qt::QueuedConnection);
    }
}

void MSComm::raiseOnComm()
{
    onCommQueued_ = false;
    if (received_.held() == ReadingGrouper::Held::Nothing) {
        return;
    }
    // Reached from an event loop nested in the running handler: after it returns.
    if (inOnComm_) {
        completedInOnComm_ = true;
        return;
    }
    const QPointer<MSComm> alive(this);
    inOnComm_ = true;
    completedInOnComm_ = false;
    commEvent_ = comEvReceive;
    emit OnComm();
    if (!alive) {
        return;
    }
    inOnComm_ = false;
    if (completedInOnComm_) {
        queueOnComm();
    }
}

// A port whose other side has gone reports the error on every turn of the
// event loop; it is closed once, from the queue, as Qt's notifier is still
// running here.
void MSComm::portFailed(QSerialPort::SerialPortError error)
{
    if (lostOtherSide_ ||
        (error != QSerialPort::ReadError && error != QSerialPort::ResourceError)) {
        return;
    }
    lostOtherSide_ = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (lostOtherSide_ && port_.isOpen()) {
                port_.close();
            }
        },
        Qt::QueuedConnection);
}
