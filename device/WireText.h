#pragma once

#include <QByteArray>
#include <QString>

// Text on the wire to the driver is in Windows-1252, the Western ANSI code
// page in which text reaches a port on the Windows platform the driver comes
// from: "€" is 0x80, "“" 0x93, "é" 0xE9. A character the code page cannot hold
// goes out as "?", as the system's conversion sends it.
QByteArray toWire(const QString& text);

// Bytes from the wire, read in the same code page.
QString fromWire(const QByteArray& bytes);
