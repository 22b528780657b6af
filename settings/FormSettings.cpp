#include "settings/FormSettings.h"

#include "settings/NumberForm.h"

QString windowSection(const QString& windowName)
{
    QString section = QStringLiteral("Select_Window_") + windowName;
    const qsizetype dash = section.indexOf(QLatin1Char('-'));
    if (dash >= 0) {
        section.remove(dash, 1);
    }
    return section;
}

QString formSettingsValue(const WindowPlacement& p)
{
    return numberForm(p.top) + ',' + numberForm(p.left) + ',' + numberForm(p.width) + ',' +
           numberForm(p.height);
}

WindowPlacement parseFormSettings(const QString& value)
{
    QStringView rest(value);
    // The number before the next ","; then what follows that "," and the one
    // character after it.
    const auto next = [&rest] {
        const qsizetype comma = rest.indexOf(QLatin1Char(','));
        const qint32 number = leadingNumber(comma < 0 ? rest : rest.left(comma));
        rest = comma < 0 ? QStringView() : rest.mid(std::min(comma + 2, rest.size()));
        return number;
    };
    WindowPlacement p;
    p.top = next();
    p.left = next();
    p.width = next();
    p.height = leadingNumber(rest.trimmed());
    return p;
}

WindowPlacement fitToScreen(WindowPlacement p, TwipsSize screen)
{
    if (p.top < 0) {
        p.top = 0;
    }
    if (p.left < 0) {
        p.left = 0;
    }
    if (p.width < 0) {
        p.width = screen.width;
    }
    if (p.height < 0) {
        p.height = screen.height;
    }
    // Compared in 64 bits: a hand-edited file may hold numbers near the 32-bit limits.
    if (screen.width < qint64(p.left) + p.width) {
        p.left = 0;
        p.width = screen.width;
    }
    if (screen.height < qint64(p.top) + p.height) {
        p.top = 0;
        p.height = screen.height;
    }
    return p;
}
