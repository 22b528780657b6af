#include "device/ReplyRecognition.h"

#include "commands/StripCtrlChars.h"
#include "commands/TextRules.h"
#include "device/PortSelection.h"

namespace reply {

Meaning recognise(const QString& reply, bool detecting)
{
    if (reply.isEmpty()) {
        return NoData{};
    }
    // The one character after the keyword is a separator, whatever it is.
    if (const qsizetype at = reply.indexOf(QStringLiteral("/rawxact")); at >= 0) {
        return RawAnswer{Module1::StripCtrlChars(replyTextFrom(reply, at + 9))};
    }
    if (!detecting) {
        return Ignored{};
    }
    // Blanks that stood between control characters are trimmed too: a reply of
    // nothing but blanks and control characters names no driver version.
    if (const qsizetype at = reply.indexOf(QStringLiteral("/ver")); at >= 0) {
        return DriverVersion{trimmedBlanks(Module1::StripCtrlChars(replyTextFrom(reply, at + 4)))};
    }
    if (!reply.contains(QStringLiteral("dev_version"))) {
        return Ignored{};
    }
    if (reply.size() <= 24) {
        return DeviceVersion{};
    }
    return DeviceVersion{reply.mid(24).chopped(1)};
}

} // namespace reply
