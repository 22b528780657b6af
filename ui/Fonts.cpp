#include "ui/Fonts.h"

void installFontSubstitutes()
{
    QFont::insertSubstitution(QStringLiteral("MS Sans Serif"), QStringLiteral("Liberation Sans"));
    QFont::insertSubstitution(QStringLiteral("Courier New"), QStringLiteral("Liberation Mono"));
}

QFont designFont(const QString& family, qreal points, bool bold)
{
    QFont font(family);
    font.setPointSizeF(points);
    font.setBold(bold);
    return font;
}

QFont sansSerif(qreal points, bool bold)
{
    return designFont(QStringLiteral("MS Sans Serif"), points, bold);
}

QFont courierNew(qreal points, bool bold)
{
    return designFont(QStringLiteral("Courier New"), points, bold);
}

QFont windowFont()
{
    return sansSerif(8.25);
}
