#include "ui/VersionTexts.h"

namespace {

QString lastTwoDigits(int number)
{
    return (QStringLiteral("00") + QString::number(number)).right(2);
}

QString fromData(std::string_view field)
{
    return QString::fromUtf8(field.data(), qsizetype(field.size()));
}

} // namespace

QString versionNumber(const ProgramVersion& version)
{
    return QString::number(version.major) + u'.' + lastTwoDigits(version.minor) + u'.' +
           lastTwoDigits(version.revision);
}

QString versionCaption(const ProgramVersion& version)
{
    return QStringLiteral(" Version: ") + versionNumber(version) + u' ';
}

QString partNumberCaption(const ProgramVersion& version)
{
    return QStringLiteral(" Part Number: ") + fromData(version.comments) + u' ';
}

QString copyrightCaption(const ProgramVersion& version)
{
    return u' ' + fromData(version.legalCopyright) + u' ';
}
