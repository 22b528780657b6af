#include "commands/StripCtrlChars.h"

namespace Module1 {

QString StripCtrlChars(const QString& sText)
{
    QString result;
    result.reserve(sText.size());
    for (const QChar c : sText) {
        if (c.unicode() > 31) {
            result += c;
        }
    }
    return result;
}

} // namespace Module1
