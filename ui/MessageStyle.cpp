#include "ui/MessageStyle.h"

#include "ui/DesktopServices.h"

#include <QStringList>

QMessageBox::Icon messageIcon(int style)
{
    using namespace messageStyle;
    const int icon = style & 0xF0;
    if (icon == kExclamation) {
        return QMessageBox::Warning;
    }
    if (icon & kCritical) {
        return QMessageBox::Critical;
    }
    if (icon & kInformation) {
        return QMessageBox::Information;
    }
    if (icon & kQuestion) {
        return QMessageBox::Question;
    }
    return QMessageBox::NoIcon;
}

QString qtNameFilters(const QString& filter)
{
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList filters;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        const QString& description = parts[i];
        const QString& pattern = parts[i + 1];
        const QString shown = QStringLiteral("(%1)").arg(pattern);
        filters << (description.contains(shown) ? description
                                                : QStringLiteral("%1 %2").arg(description, shown));
    }
    return filters.join(QStringLiteral(";;"));
}
