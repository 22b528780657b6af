#include "ui/TextBox.h"

TextBox::TextBox(QWidget* parent)
    : QPlainTextEdit(parent)
{
    setTabChangesFocus(true);
}

QString TextBox::text() const
{
    return toPlainText().replace(QLatin1Char('\n'), QLatin1String("\r\n"));
}

void TextBox::setText(const QString& text)
{
    setPlainText(QString(text).replace(QLatin1String("\r\n"), QLatin1String("\n")));
}

void TextBox::appendText(const QString& text)
{
    QTextCursor end(document());
    end.movePosition(QTextCursor::End);
    end.insertText(QString(text).replace(QLatin1String("\r\n"), QLatin1String("\n")));
}
