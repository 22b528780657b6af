#include "ui/TextBox.h"

namespace {

// About a screen's refresh: a person sees the text grow smoothly.
constexpr auto kFrame = std::chrono::milliseconds(16);

QString withLineFeeds(const QString& text)
{
    return QString(text).replace(QLatin1String("\r\n"), QLatin1String("\n"));
}

} // namespace

TextBox::TextBox(QWidget* parent)
    : QPlainTextEdit(parent)
{
    setTabChangesFocus(true);
    frame_.setSingleShot(true);
    frame_.setInterval(kFrame);
    connect(&frame_, &QTimer::timeout, this, &TextBox::showAppendedText);
}

QString TextBox::text() const
{
    return QString(toPlainText() + appended_).replace(QLatin1Char('\n'), QLatin1String("\r\n"));
}

void TextBox::setText(const QString& text)
{
    frame_.stop();
    appended_.clear();
    setPlainText(withLineFeeds(text));
}

void TextBox::appendText(const QString& text)
{
    // Each piece keeps its own line ends, as if it had gone in alone.
    appended_ += withLineFeeds(text);
    if (!frame_.isActive()) {
        frame_.start();
    }
}

void TextBox::showAppendedText()
{
    frame_.stop();
    if (appended_.isEmpty()) {
        return;
    }
    QTextCursor end(document());
    end.movePosition(QTextCursor::End);
    end.insertText(appended_);
    appended_.clear();
}
