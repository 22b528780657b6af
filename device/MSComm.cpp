#include "device/MSComm.h"

#include "device/WireText.h"

#include <QPointer>

MSComm::MSComm(QObject* parent)
    : QObject(parent)
    , locate_(SerialLink::systemName)
{
    quietPause_.setSingleShot(true);
    quietPause_.setInterval(ReadingGrouper::kQuietPauseMs);
    connect(&quietPause_, &QTimer::timeout, this, &MSComm::queueOnComm);
    connect(&port_, &SerialLink::bytesArrived, this, &MSComm::takeArrivedBytes);
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
    const QString name = locate_(commPort_);
    if (name.isEmpty()) {
        return noSuchPort();
    }
    return port_.open(name);
}

void MSComm::setOutput(const QString& text)
{
    port_.write(toWire(text));
}

QString MSComm::Input()
{
    return fromWire(received_.take());
}

// Everything that has come is taken at once: the link does not raise
// bytesArrived again for bytes it holds already.
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
