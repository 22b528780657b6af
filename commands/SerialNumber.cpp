#include "commands/SerialNumber.h"

#include "commands/TextRules.h"
#include "device/WireText.h"

namespace {

constexpr qsizetype kSerialLength = 16;

} // namespace

QString serialNumberOfRun(const QString& typed)
{
    const QString serial = trimmedBlanks(typed);
    return serial.size() < kSerialLength ? serial.rightJustified(kSerialLength, u'0') : serial;
}

qsizetype placeholderPosition(const QString& line)
{
    // Upper-casing does not touch the braces, so most lines need no copy.
    if (!line.contains(QStringLiteral("{{"))) {
        return -1;
    }
    return upperCase(line).indexOf(QStringLiteral("{{SN}}"));
}

QString lineAsSent(const QString& line, const QString& serialNumber)
{
    const qsizetype at = placeholderPosition(line);
    return fromWire(toWire(at < 0 ? line : line.left(at) + serialNumber));
}
