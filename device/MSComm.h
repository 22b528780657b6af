#pragma once

#include "device/ReadingGrouper.h"
#include "device/SerialLink.h"

#include <QObject>
#include <QString>
#include <QTimer>

#include <functional>
#include <optional>

// The main window's serial component: one COM port, chosen by its number,
// at 9600 baud, no parity, 8 data bits and 1 stop bit.
//
// Received bytes are gathered into readings (ReadingGrouper.h): a reading is
// complete when what has come ends in a line feed, or when nothing more has
// come for 25 ms. Each complete reading raises OnComm from the event queue,
// never from inside a running OnComm handler; one that completes while a
// handler runs (in a message box, say) raises OnComm again once that handler
// has returned. A port whose other side goes away closes itself.
class MSComm : public QObject {
    Q_OBJECT

public:
    // The name under which port N is opened.
    using PortLocator = std::function<QString(int commPort)>;

    // CommEvent value of a receive notification.
    static constexpr qint16 comEvReceive = 2;

    explicit MSComm(QObject* parent);

    void setPortLocator(PortLocator locator);

    int CommPort() const { return commPort_; }
    void setCommPort(int commPort) { commPort_ = commPort; }

    bool PortOpen() const { return port_.isOpen(); }
    // Opens or closes the port; an open that fails says why: 8002 when there
    // is no such port, 8005 when another program holds it, 8010 otherwise.
    std::optional<CommError> setPortOpen(bool open);

    // Sends the text on the port, in the wire's code page (device/WireText.h).
    void setOutput(const QString& text);
    // Everything received and not read before, read in the same code page.
    QString Input();
    qint16 CommEvent() const { return commEvent_; }

signals:
    void OnComm();

private:
    void takeArrivedBytes();
    void queueOnComm();
    void raiseOnComm();

    SerialLink port_;
    PortLocator locate_;
    int commPort_ = 1;
    qint16 commEvent_ = 0;

    ReadingGrouper received_; // received and not read by Input yet
    QTimer quietPause_;       // ends a reading that has no line feed
    bool onCommQueued_ = false;
    bool inOnComm_ = false;
    bool completedInOnComm_ = false;
};
