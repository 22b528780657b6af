#include "commands/UpperCase.h"

QString upperCase(const QString& text)
{
    QString upper(text);
    for (QChar& c : upper) {
        c = c.toUpper();
    }
    return upper;
}
