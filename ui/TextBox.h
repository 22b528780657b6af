#pragma once

#include <QPlainTextEdit>

// A text box whose text, like every text in the windows, ends its lines with CR LF.
class TextBox : public QPlainTextEdit {
    Q_OBJECT

public:
    explicit TextBox(QWidget* parent);

    QString text() const;
    void setText(const QString& text);
    // Adds to the end without rebuilding what is there, so a long transcript
    // grows in linear time.
    void appendText(const QString& text);
};
