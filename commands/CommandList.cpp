#include "commands/CommandList.h"

#include "commands/SerialNumber.h"

#include <algorithm>
#include <charconv>

namespace {

using cells::Cell;

constexpr std::size_t kTypeSampleRows = 8;

QString numberText(double value)
{
    // Fixed notation in the fewest digits that read back as the same number:
    // 3 for 3.0, 0.1 for 0.1, 100000000000000000000 for 1e20.
    char buffer[400];
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed);
    return QString::fromLatin1(buffer, result.ptr - buffer);
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

// Column B as the command text: one leading double quote is dropped from a
// text longer than one character.
QString commandText(const Cell& cell)
{
    const QString text = cellText(cell);
    return text.size() > 1 && text.front() == u'"' ? text.mid(1) : text;
}

} // namespace

bool codeColumnIsText(std::span<const cells::Row> dataRows)
{
    int text = 0;
    int other = 0;
    for (std::size_t i = 0; i < std::min(dataRows.size(), kTypeSampleRows); ++i) {
        const Cell& code = dataRows[i][0];
        if (code.kind == Cell::Kind::Text) {
            ++text;
        } else if (code.kind != Cell::Kind::Empty) {
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
        return QString::fromStdString(cell.text);
    case Cell::Kind::Number:
        return numberText(cell.number);
    case Cell::Kind::Boolean:
        return cell.number != 0 ? QStringLiteral("TRUE") : QStringLiteral("FALSE");
    case Cell::Kind::Empty:
        break;
    }
    return {};
}

std::variant<CommandList, NoCommandNames, LineBreakInCommand>
commandListFrom(std::span<const cells::Row> dataRows)
{
    if (dataRows.empty() || cellText(dataRows.front()[1]).isEmpty()) {
        return NoCommandNames{};
    }
    const bool textColumn = codeColumnIsText(dataRows);
    CommandList list;
    list.entries.reserve(dataRows.size());
    for (std::size_t i = 0; i < dataRows.size(); ++i) {
        const cells::Row& row = dataRows[i];
        const QString text = commandText(row[1]);
        if (text.isEmpty()) {
            continue;
        }
        const QChar code = rowCode(row[0], textColumn);
        if ((code == u'N' || code == u'R') && (text.contains(u'\r') || text.contains(u'\n'))) {
            return LineBreakInCommand{static_cast<int>(i) + 2};
        }
        // Even a row skipped for its code asks for a serial number; a comment does not.
        if (code != u'C' && placeholderPosition(text) >= 0) {
            list.needsSerialNumber = true;
        }
        if (code == u'N') {
            list.entries.push_back({QStringLiteral("/rawsend ") + text, false});
        } else if (code == u'R') {
            list.entries.push_back({QStringLiteral("/rawxact ") + text, true});
        } else if (code == u'C') {
            list.entries.push_back({QStringLiteral(" Comment:") + text, false});
        }
    }
    return list;
}
