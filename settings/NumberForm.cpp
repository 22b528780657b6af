#include "settings/NumberForm.h"

#include <algorithm>
#include <cmath>
#include <limits>

QString numberForm(qint64 number)
{
    return number < 0 ? QString::number(number) : QLatin1Char(' ') + QString::number(number);
}

qint32 leadingNumber(QStringView text)
{
    qsizetype i = 0;
    while (i < text.size() && (text[i] == u' ' || text[i] == u'\t')) {
        ++i;
    }
    const qsizetype start = i;
    if (i < text.size() && (text[i] == u'-' || text[i] == u'+')) {
        ++i;
    }
    while (i < text.size() && text[i].isDigit() && text[i].unicode() < 128) {
        ++i;
    }
    if (i < text.size() && text[i] == u'.') {
        ++i;
        while (i < text.size() && text[i].isDigit() && text[i].unicode() < 128) {
            ++i;
        }
    }
    const QStringView number = text.sliced(start, i - start);
    if (std::none_of(number.begin(), number.end(), [](QChar c) { return c.isDigit(); })) {
        return 0;
    }
    // A number beyond double's range reads as infinite and is held at the ends
    // below; one too small for it reads as 0.
    const double value = number.toDouble();
    // nearbyint rounds halves to the even neighbour in the default rounding mode.
    const double rounded = std::nearbyint(value);
    constexpr double lowest = std::numeric_limits<qint32>::min();
    constexpr double highest = std::numeric_limits<qint32>::max();
    return static_cast<qint32>(std::clamp(rounded, lowest, highest));
}
