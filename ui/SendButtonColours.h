#pragma once

#include <QColor>

// What the colour of btnSend tells.
namespace sendColour {

// No command file read yet.
inline const QColor kNoCommands(255, 0, 0);
// Ready to send.
inline const QColor kReady(0, 255, 0);
// Waiting for a serial number.
inline const QColor kWaitingForSerial(255, 128, 128);
// A send is running.
inline const QColor kSending(255, 255, 0);

} // namespace sendColour
