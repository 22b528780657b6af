#pragma once

#include <QPlainTextEdit>
#include <QTimer>

// A text box whose text, like every text in the windows, ends its lines with CR LF.
class TextBox : public QPlainTextEdit {
    Q_OBJECT

public:
    explicit TextBox(QWidget* parent);

    QString text() const;
    void setText(const QString& text);
    // Adds to the end without rebuilding what is there, so a long transcript
    // grows in linear time. What comes faster than a screen refreshes is laid
    // out and painted together, once a frame; text() has all of it at once.
    void appendText(const QString& text);
    // Lays out at once what appendText holds for the next frame.
    void showAppendedText();

private:
    QString appended_; // with line feeds only, as the document holds it
    QTimer frame_;
};
