#pragma once

#include <QString>

#include <optional>

// Reading port numbers and names out of the port selector's text and the
// driver's answers.

// The number with which `text` begins from `from` (0-based) on, leading
// blanks skipped; 0 when no digit comes first.
int leadingPortNumber(const QString& text, qsizetype from);

// Where the selector text names its port: the 0-based position of the first
// "(COM" and of the first "COM" in the upper-cased text (-1 when absent).
struct ComMarks {
    qsizetype openParenCom = -1;
    qsizetype com = -1;
};
ComMarks comMarks(const QString& selector);

// The port number the selector text gives: from after its "(COM", or from its
// fourth character when it holds "COM" but no "(COM".
int selectorPortNumber(const QString& selector);

// The port number in the driver device's answer: it begins at character 28
// (blanks skipped), whatever else the answer holds; nothing when the answer
// holds no "COM".
std::optional<int> devicePortNumber(const QString& answer);

// The reader's name in a selector text such as "Reader A (COM5)": the text
// before the blank in front of its "(COM", or the whole text.
QString deviceName(const QString& selector);

// The text of a reply from `start` (0-based) on, blanks skipped but never
// past the reply's last character.
QString replyTextFrom(const QString& reply, qsizetype start);
