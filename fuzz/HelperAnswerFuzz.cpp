// What the workbook helper sends back, as the program takes it: the answer
// frame gathered from pieces as they arrive, the cells in it, and the command
// list, preview and lines sent that those cells make. Also the way back: any
// cells survive the helper's output format and its frame, and any path its
// request.

#include "commands/CellProtocol.h"
#include "commands/CommandFileReader.h"
#include "commands/HelperFrames.h"
#include "commands/SerialNumber.h"
#include "commands/TextRules.h"
#include "commands/WireText.h"
#include "fuzz/Check.h"

#include <cmath>
#include <cstring>
#include <fuzzer/FuzzedDataProvider.h>

namespace {

using cells::Cell;

// Cells are equal when their numbers are the same value, not-a-number included.
bool sameCells(const std::vector<cells::Row>& a, const std::vector<cells::Row>& b)
{
    const auto sameCell = [](const Cell& x, const Cell& y) {
        return x.kind == y.kind && x.text == y.text &&
               (x.number == y.number || (std::isnan(x.number) && std::isnan(y.number)));
    };
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [&](const auto& r, const auto& s) {
        return sameCell(r[0], s[0]) && sameCell(r[1], s[1]);
    });
}

// The frame arrives in pieces; the program looks at what it has after each.
// It stops at the first complete answer or at the first sign of one out of form.
std::optional<std::string_view> gatherFrame(std::string_view stream, FuzzedDataProvider& cuts)
{
    std::size_t arrived = 0;
    for (;;) {
        bool malformed = false;
        const auto answer = helperframes::completeAnswer(stream.substr(0, arrived), malformed);
        FUZZ_CHECK(!(answer && malformed));
        bool wholeMalformed = false;
        const auto whole = helperframes::completeAnswer(stream, wholeMalformed);
        if (malformed) {
            // Nothing that follows can mend a frame out of form.
            FUZZ_CHECK(wholeMalformed);
            return std::nullopt;
        }
        if (answer) {
            // The answer is the whole rest after the frame's first line; more is out of form.
            const std::size_t head = stream.find('\n') + 1;
            FUZZ_CHECK(stream.substr(0, 6) == "frame " && head + answer->size() == arrived);
            FUZZ_CHECK(answer->data() == stream.data() + head);
            FUZZ_CHECK(arrived == stream.size() ? whole == answer : wholeMalformed);
            return answer;
        }
        // An unfinished frame is still waiting for its first line or its answer.
        FUZZ_CHECK(stream.substr(0, arrived).find('\n') != std::string_view::npos || arrived <= 26);
        if (arrived == stream.size()) {
            return std::nullopt;
        }
        arrived += cuts.ConsumeIntegralInRange<std::size_t>(1, stream.size() - arrived);
    }
}

void checkPreview(const QString& path, const std::vector<CommandEntry>& entries)
{
    const QString preview = commandPreview(path, entries);
    const qsizetype width = path.size() + 10;
    qsizetype lines = 0;
    for (const CommandEntry& entry : entries) {
        lines += entry.line.size() + 2;
    }
    // Five lines above the list and two below it, each ended by CR LF.
    FUZZ_CHECK(preview.size() == 10 + path.size() + 2 + 2 + (width + 2) * 3 + 22 + lines + 13);
    FUZZ_CHECK(preview.startsWith(QStringLiteral("Filename: ") + path + QStringLiteral("\r\n")));
    FUZZ_CHECK(preview.endsWith(QString(width, u'-') + QStringLiteral("\r\nEnd of list\r\n")));
}

void checkSentLines(const std::vector<CommandEntry>& entries, const QString& typed)
{
    const QString serial = serialNumberOfRun(typed);
    FUZZ_CHECK(serial.size() == std::max<qsizetype>(16, trimmedBlanks(typed).size()));
    FUZZ_CHECK(serial.endsWith(trimmedBlanks(typed)));
    for (const CommandEntry& entry : entries) {
        const QString sent = lineAsSent(entry.line, serial);
        const qsizetype at = placeholderPosition(entry.line);
        if (at < 0) {
            FUZZ_CHECK(sent == fromWire(toWire(entry.line)));
            continue;
        }
        // Everything from the placeholder on gives way to the serial number.
        FUZZ_CHECK(upperCase(entry.line).mid(at, 6) == u"{{SN}}");
        FUZZ_CHECK(sent == fromWire(toWire(entry.line.left(at) + serial)));
    }
}

// The command text of a data row, as column B gives it.
QString commandTextOf(const cells::Row& row)
{
    const QString text = cellText(row[1]);
    return text.size() > 1 && text.front() == u'"' ? text.mid(1) : text;
}

void checkCommandFile(const CommandRange& range, const QString& typed)
{
    const QString path = QStringLiteral("/bench/Commands.xls");
    const CommandFileRead read = commandFileFrom(path, range);
    const auto* rows = std::get_if<std::vector<cells::Row>>(&range);
    if (!rows || rows->size() < 2) {
        FUZZ_CHECK(read.outcome == CommandFileRead::Outcome::Unreadable);
        FUZZ_CHECK(read.message.startsWith(QStringLiteral("Cannot read the command file ") + path));
        return;
    }
    if (cellText((*rows)[1][1]).isEmpty()) {
        FUZZ_CHECK(read.outcome == CommandFileRead::Outcome::NoCommandNames);
        FUZZ_CHECK(!read.message.isEmpty());
        return;
    }
    // One command a line: a command row with a line break refuses the file, naming the row.
    if (read.outcome == CommandFileRead::Outcome::Unreadable) {
        const qsizetype at = read.message.indexOf(QStringLiteral(": row "));
        FUZZ_CHECK(at > 0 && read.message.endsWith(u" holds a line break in its command."));
        const int row = read.message.mid(at + 6).section(u' ', 0, 0).toInt();
        FUZZ_CHECK(row >= 2 && static_cast<std::size_t>(row) <= rows->size());
        const QString text = commandTextOf((*rows)[static_cast<std::size_t>(row) - 1]);
        FUZZ_CHECK(text.contains(u'\r') || text.contains(u'\n'));
        return;
    }
    FUZZ_CHECK(read.outcome == CommandFileRead::Outcome::Read && read.message.isEmpty());
    const std::vector<CommandEntry>& entries = read.list.entries;
    for (const CommandEntry& entry : entries) {
        FUZZ_CHECK(entry.line.startsWith(u" Comment:") ||
                   (!entry.line.contains(u'\r') && !entry.line.contains(u'\n')));
    }
    // Each entry is a data row's command text behind its prefix, in sheet order.
    std::size_t next = 0;
    bool placeholderInCommand = false;
    for (auto row = rows->begin() + 1; row != rows->end() && next < entries.size(); ++row) {
        if (entries[next].line.mid(9) == commandTextOf(*row) && !commandTextOf(*row).isEmpty()) {
            ++next;
        }
    }
    FUZZ_CHECK(next == entries.size());
    for (const CommandEntry& entry : entries) {
        const QString prefix = entry.line.left(9);
        FUZZ_CHECK(prefix == u"/rawsend " || prefix == u"/rawxact " || prefix == u" Comment:");
        FUZZ_CHECK(entry.waitReply == (prefix == u"/rawxact "));
        placeholderInCommand = placeholderInCommand ||
                               (prefix != u" Comment:" && placeholderPosition(entry.line) >= 0);
    }
    FUZZ_CHECK(!placeholderInCommand || read.list.needsSerialNumber);
    checkPreview(path, entries);
    checkSentLines(entries, typed);
}

// Any cells go through the output format and the frame unchanged.
void checkWayBack(FuzzedDataProvider& in)
{
    cells::Range range;
    if (in.ConsumeBool()) {
        range.error = in.ConsumeRandomLengthString(80);
    }
    const auto rows = in.ConsumeIntegralInRange<std::size_t>(0, 12);
    for (std::size_t i = 0; i < rows && in.remaining_bytes() > 0; ++i) {
        cells::Row row;
        for (Cell& cell : row) {
            cell.kind =
                in.PickValueInArray({Cell::Kind::Empty, Cell::Kind::Text, Cell::Kind::Number,
                                     Cell::Kind::Date, Cell::Kind::Boolean});
            if (cell.kind == Cell::Kind::Number) {
                cell.number = in.ConsumeFloatingPoint<double>();
            } else if (cell.kind == Cell::Kind::Boolean) {
                cell.number = in.ConsumeBool() ? 1 : 0;
            } else if (cell.kind != Cell::Kind::Empty) {
                cell.text = in.ConsumeRandomLengthString(40);
            }
        }
        range.rows.push_back(row);
    }
    const std::string encoded = cells::encode(range);
    const auto decoded = cells::decode(encoded);
    FUZZ_CHECK(decoded);
    if (range.error) {
        std::string expected = *range.error;
        std::replace(expected.begin(), expected.end(), '\n', ' ');
        FUZZ_CHECK(decoded->error == expected && decoded->rows.empty());
    } else {
        FUZZ_CHECK(!decoded->error && sameCells(decoded->rows, range.rows));
    }
    // An answer cut short is refused.
    const auto cut = in.ConsumeIntegralInRange<std::size_t>(0, encoded.size() - 1);
    FUZZ_CHECK(!cells::decode(std::string_view(encoded).substr(0, cut)));

    const std::string frame = helperframes::answerFrame(encoded);
    bool malformed = true;
    FUZZ_CHECK(helperframes::completeAnswer(frame, malformed) == encoded && !malformed);

    const std::string path = in.ConsumeRandomLengthString(300);
    std::string request = helperframes::request(path);
    std::FILE* file = fmemopen(request.data(), request.size(), "r");
    std::string readBack;
    FUZZ_CHECK(helperframes::readRequest(file, readBack) && readBack == path);
    FUZZ_CHECK(!helperframes::readRequest(file, readBack));
    std::fclose(file);
}

// Requests as the helper reads them; any it takes stand whole in the input.
void checkRequests(std::string bytes)
{
    if (bytes.empty()) {
        return;
    }
    std::FILE* file = fmemopen(bytes.data(), bytes.size(), "r");
    std::string path;
    long at = 0;
    while (helperframes::readRequest(file, path)) {
        const std::string_view rest = std::string_view(bytes).substr(std::size_t(at));
        const std::size_t head = rest.find('\n') + 1;
        FUZZ_CHECK(rest.substr(0, 5) == "read " && rest.substr(head, path.size()) == path);
        at = std::ftell(file);
        FUZZ_CHECK(std::size_t(at) == (bytes.size() - rest.size()) + head + path.size());
    }
    std::fclose(file);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzedDataProvider in(data, size);
    const std::string typed = in.ConsumeRandomLengthString(24);
    const std::string stream = in.ConsumeRandomLengthString();
    const QString serialTyped = QString::fromUtf8(typed.data(), qsizetype(typed.size()));

    // As the program meets it: bytes from the helper's pipe, then their cells.
    if (const auto answer = gatherFrame(stream, in)) {
        checkCommandFile(rangeFromAnswer(*answer), serialTyped);
    }
    // The same bytes as an answer without its frame, to reach the cells more often.
    const CommandRange range = rangeFromAnswer(stream);
    if (const auto decoded = cells::decode(stream); decoded && !decoded->error) {
        // Whatever was read is written back in a form that reads the same.
        const auto again = cells::decode(cells::encode(*decoded));
        FUZZ_CHECK(again && sameCells(again->rows, decoded->rows));
        FUZZ_CHECK(cells::encode(*again) == cells::encode(*decoded));
    }
    checkCommandFile(range, serialTyped);
    checkRequests(stream);
    checkWayBack(in);
    return 0;
}
