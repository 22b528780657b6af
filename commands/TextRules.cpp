#include "commands/TextRules.h"

QString upperCase(const QString& text)
{
    QString upper(text);
    for (QChar& c : upper) {
        c = c.toUpper();
    }
    return upper;
}

QString trimmedBlanks(const QString& text)
{
    qsizetype first = 0;
    qsizetype last = text.size();
    while (first < last && text[first] == u' ') {
        ++first;
    }
    while (last > first && text[last - 1] == u' ') {
        --last;
    }
    return text.mid(first, last - first);
}
