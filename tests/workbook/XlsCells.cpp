// xls-cells FILE: the cells of A1:B1000 of the first worksheet of an .xls workbook as our reader
// gives them, one JSON line a non-empty cell: [row, column, kind, value] (rows and columns from 0;
// kinds T text, D number, W date, B boolean, E error; a number as text), or ["refused", reason].

#include "workbook/XlsReader.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <fstream>
#include <string>

namespace {

constexpr unsigned kRows = 1000;

std::string quoted(std::string_view text)
{
    std::string out = "\"";
    for (const char c : text) {
        char escape[8];
        std::snprintf(escape, sizeof escape, "\\u%04x", static_cast<unsigned char>(c));
        out += c == '"' || c == '\\'                  ? std::string{'\\', c}
               : static_cast<unsigned char>(c) < 0x20 ? std::string(escape)
                                                      : std::string{c};
    }
    return out + "\"";
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fputs("usage: xls-cells FILE\n", stderr);
        return 2;
    }
    // Read at its size: the file's bytes held once, as the program holds them.
    std::ifstream in(argv[1], std::ios::binary | std::ios::ate);
    std::string file(static_cast<std::size_t>(std::max<std::streamoff>(in.tellg(), 0)), '\0');
    in.seekg(0).read(file.data(), static_cast<std::streamsize>(file.size()));
    const auto read = workbook::readFirstSheet(file, kRows);
    if (const auto* failure = std::get_if<workbook::Failure>(&read)) {
        std::printf("[\"refused\", %s]\n", quoted(failure->reason).c_str());
        return 0;
    }
    const auto& rows = std::get<workbook::Sheet>(read).rows;
    for (std::size_t r = 0; r < rows.size(); ++r) {
        for (std::size_t c = 0; c < rows[r].size(); ++c) {
            const workbook::Value& value = rows[r][c];
            char number[32];
            *std::to_chars(number, number + sizeof number - 1, value.number).ptr = '\0';
            if (value.kind != workbook::Value::Kind::Empty) {
                std::printf("[%zu, %zu, \"%c\", %s]\n", r, c, "-TDWBE"[int(value.kind)],
                            quoted(value.kind == workbook::Value::Kind::Text ||
                                           value.kind == workbook::Value::Kind::Date
                                       ? value.text
                                       : number)
                                .c_str());
            }
        }
    }
    return 0;
}
