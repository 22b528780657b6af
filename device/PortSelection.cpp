#include "device/PortSelection.h"

#include "commands/TextRules.h"

#include <algorithm>

int leadingPortNumber(const QString& text, qsizetype from)
{
    qsizetype i = std::max<qsizetype>(from, 0);
    while (i < text.size() && text[i] == u' ') {
        ++i;
    }
    int number = 0;
    for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i) {
        // Larger numbers name no port; holding them back keeps the arithmetic in range.
        number = std::min(number * 10 + (text[i].unicode() - u'0'), 1'000'000);
    }
    return number;
}

ComMarks comMarks(const QString& selector)
{
    const QString upper = upperCase(selector);
    return {upper.indexOf(QStringLiteral("(COM")), upper.indexOf(QStringLiteral("COM"))};
}

int selectorPortNumber(const QString& selector)
{
    const ComMarks marks = comMarks(selector);
    return leadingPortNumber(selector, marks.openParenCom >= 0 ? marks.openParenCom + 4 : 3);
}

std::optional<int> devicePortNumber(const QString& answer)
{
    if (!answer.contains(QStringLiteral("COM"))) {
        return std::nullopt;
    }
    return leadingPortNumber(answer.mid(27, 3), 0);
}

QString deviceName(const QString& selector)
{
    const qsizetype at = comMarks(selector).openParenCom;
    return at >= 2 ? selector.left(at - 1) : selector;
}

QString replyTextFrom(const QString& reply, qsizetype start)
{
    while (start < reply.size() - 1 && reply[start] == u' ') {
        ++start;
    }
    return reply.mid(start);
}
