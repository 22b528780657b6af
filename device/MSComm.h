#pragma once

#include <QObject>
#include <QSerialPort>
#include <QString>

#include <functional>
#include <optional>

// Why a port did not open.
struct CommError {
    int number = 0;
    QString description;
};

// The main window's serial component: one COM port, chosen by its number,
// at 9600 baud, no parity, 8 data bits and 1 stop bit.
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
    // Opens or closes the port; an open that fails says why.
    std::optional<CommError> setPortOpen(bool open);

    // Sends the text on the port.
    void setOutput(const QString& text);
    // Everything received and not read before.
    QString Input();
    qint16 CommEvent() const { return commEvent_; }

signals:
    void OnComm();

private:
    QSerialPort port_;
    PortLocator locate_;
    int commPort_ = 1;
    qint16 commEvent_ = 0;
};
