#include "commands/CommandList.h"

#include "commands/SerialNumber.h"

#include <QStringDecoder>

#include <algorithm>
#include <charconv>
#include <string>
#include <string_view>

namespace {

using Cell = workbook::Value;

constexpr std::size_t kTypeSampleRows = 8;

// The digits a spreadsheet's General format keeps of a number.
constexpr int kSignificantDigits = 15;

QString numberText(double value)
{
    // Plain digits up to 10^15, an exponent beyond or below 10^-4 ("1E+20"),
    // trailing zeros dropped; never the locale's decimal comma.
    if (value == 0) {
        return QStringLiteral("0"); // -0 as well
    }
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value,
                                      std::chars_format::general, kSignificantDigits);
    return QString::fromLatin1(buffer, result.ptr - buffer).toUpper();
}

// The code of a row: N, R or C, or anything else for a row that is skipped.
QChar rowCode(const Cell& cell, bool textColumn)
{
    if (textColumn) {
        // Only the first character counts, and a code is mostly one ASCII letter.
        if (cell.kind == Cell::Kind::Text && !cell.text.empty() &&
            static_cast<unsigned char>(cell.text.front()) < 0x80) {
            return QChar(QLatin1Char(cell.text.front())).toUpper();
        }
        const QString code = cellText(cell);
        return code.isEmpty() ? QChar() : code.front().toUpper();
    }
    if (cell.kind == Cell::Kind::Number && cell.number == 0) {
        return u'N';
    }
    if (cell.kind == Cell::Kind::Number && cell.number == 1) {
        return u'R';
    }
    return u'C';
}

// Column B as the command text, in UTF-8: one leading double quote is dropped
// from a text longer than one character. `scratch` holds the text of a cell
// that is not text.
std::string_view commandText(const Cell& cell, std::string& scratch)
{
    std::string_view text = cell.text;
    if (cell.kind != Cell::Kind::Text && cell.kind != Cell::Kind::Date) {
        scratch = cellText(cell).toStdString();
        text = scratch;
    }
    if (text.size() > 1 && text.front() == '"') {
        text.remove_prefix(1);
    }
    return text;
}

// What a line of code N, R or C starts with.
QLatin1StringView linePrefix(QChar code)
{
    return QLatin1StringView(code == u'N' ? "/rawsend " : code == u'R' ? "/rawxact " : " Comment:");
}

// `prefix` and `text` as one line, decoded straight into the line's own
// storage: a command file has up to 999 of them, read whenever a file is
// chosen. `utf8` is a stateless UTF-8 decoder.
QString lineOf(QLatin1StringView prefix, std::string_view text, QStringDecoder& utf8)
{
    const bool ascii = std::all_of(text.begin(), text.end(),
                                   [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    QString line(prefix.size() +
                     (ascii ? qsizetype(text.size()) : utf8.requiredSpace(qsizetype(text.size()))),
                 Qt::Uninitialized);
    QChar* out = line.data();
    for (const char c : prefix) {
        *out++ = QLatin1Char(c);
    }
    if (ascii) {
        for (const char c : text) {
            *out++ = QLatin1Char(c);
        }
    } else {
        out = utf8.appendToBuffer(out, QByteArrayView(text.data(), qsizetype(text.size())));
    }
    line.truncate(out - line.constData());
    return line;
}

} // namespace

bool codeColumnIsText(std::span<const workbook::Row> dataRows)
{
    int text = 0;
    int other = 0;
    for (std::size_t i = 0; i < std::min(dataRows.size(), kTypeSampleRows); ++i) {
        const Cell& code = dataRows[i][0];
        if (code.kind == Cell::Kind::Text) {
            ++text;
        } else if (code.kind != Cell::Kind::Empty && code.kind != Cell::Kind::Error) {
            ++other;
        }
    }
    return text + other == 0 || text > other;
}

QString cellText(const Cell& cell)
{
    switch (cell.kind) {
    case Cell::Kind::Text:
    case Cell::Kind::Date:
        return QString::fromUtf8(cell.text.data(), qsizetype(cell.text.size()));
    case Cell::Kind::Number:
        return numberText(cell.number);
    case Cell::Kind::Boolean:
        return cell.number != 0 ? QStringLiteral("TRUE") : QStringLiteral("FALSE");
    case Cell::Kind::Empty:
    case Cell::Kind::Error:
        break;
    }
    return {};
}

std::variant<CommandList, NoCommandNames, LineBreakInCommand>
commandListFrom(std::span<const workbook::Row> dataRows)
{
    std::string scratch;
    if (dataRows.empty() || commandText(dataRows.front()[1], scratch).empty()) {
        return NoCommandNames{};
    }
    const bool textColumn = codeColumnIsText(dataRows);
    // A U+FEFF at a text's start is a character of the cell like any other.
    QStringDecoder utf8(QStringDecoder::Utf8,
                        QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
    CommandList list;
    list.entries.reserve(dataRows.size());
    for (std::size_t i = 0; i < dataRows.size(); ++i) {
        const workbook::Row& row = dataRows[i];
        const std::string_view text = commandText(row[1], scratch);
        if (text.empty()) {
            continue;
        }
        const QChar code = rowCode(row[0], textColumn);
        if ((code == u'N' || code == u'R') &&
            std::any_of(text.begin(), text.end(), [](char c) { return c == '\r' || c == '\n'; })) {
            return LineBreakInCommand{static_cast<int>(i) + 2};
        }
        const bool comment = code == u'C';
        const bool command = code == u'N' || code == u'R';
        QString line;
        if (comment || command) {
            line = lineOf(linePrefix(code), text, utf8);
        }
        // Even a row skipped for its code asks for a serial number; a comment does not.
        if (!comment && text.find("{{") != text.npos &&
            placeholderPosition(command ? line : lineOf({}, text, utf8)) >= 0) {
            list.needsSerialNumber = true;
        }
        if (comment || command) {
            list.entries.push_back({std::move(line), code == u'R'});
        }
    }
    return list;
}
