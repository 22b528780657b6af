#include "commands/WorkbookCells.h"

#include "workbook/XlsReader.h"

#include <filesystem>
#include <fstream>

namespace {

// Far beyond any command file; a file larger is not read into memory.
constexpr std::streamoff kLargestFile = std::streamoff{256} << 20;

cells::Range failed(std::string message)
{
    cells::Range range;
    range.error = std::move(message);
    return range;
}

cells::Cell cellOf(const workbook::Value& value)
{
    using Kind = workbook::Value::Kind;
    switch (value.kind) {
    case Kind::Text:
        return {cells::Cell::Kind::Text, std::string(value.text), 0};
    case Kind::Number:
        return {cells::Cell::Kind::Number, {}, value.number};
    case Kind::Date:
        return {cells::Cell::Kind::Date, std::string(value.text), 0};
    case Kind::Boolean:
        return {cells::Cell::Kind::Boolean, {}, value.number};
    case Kind::Empty:
    case Kind::Error:
        break;
    }
    return {};
}

} // namespace

cells::Range cellsOfWorkbook(const std::string& path, unsigned lastRow)
{
    // The path is UTF-8: on Windows the file is opened by its UTF-16 name.
    std::ifstream in(std::filesystem::path(std::u8string(path.begin(), path.end())),
                     std::ios::binary | std::ios::ate);
    const std::streamoff size = in ? std::streamoff(in.tellg()) : -1;
    if (size < 0) {
        return failed("it cannot be opened for reading");
    }
    if (size > kLargestFile) {
        return failed("it is larger than a command file can be (256 MiB)");
    }
    in.seekg(0);
    std::string file(static_cast<std::size_t>(size), '\0');
    if (!in.read(file.data(), size)) {
        return failed("it cannot be opened for reading");
    }
    auto read = workbook::readFirstSheet(file, lastRow);
    if (const auto* failure = std::get_if<workbook::Failure>(&read)) {
        return failed(failure->reason);
    }
    cells::Range range;
    const auto& rows = std::get<workbook::Sheet>(read).rows;
    range.rows.reserve(rows.size());
    for (const workbook::Row& row : rows) {
        range.rows.push_back({cellOf(row[0]), cellOf(row[1])});
    }
    return range;
}
