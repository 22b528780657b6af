// xls-cells FILE: the cells of A1:B1000 of the first worksheet of an .xls workbook as our reader
// gives them, one line a non-empty cell: row, column (from 0), kind (T text, D number, W date,
// B boolean, E error) and the value, text in hex; or "refused" and the reason in hex.

#include "workbook/XlsReader.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <string>

namespace {

void printHex(std::string_view bytes)
{
    for (const char c : bytes) {
        std::printf("%02x", static_cast<unsigned char>(c));
    }
    std::putchar('\n');
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        return 2;
    }
    // Read at its size: the file's bytes held once, as the program holds them.
    std::ifstream in(argv[1], std::ios::binary | std::ios::ate);
    std::string file(static_cast<std::size_t>(std::max<std::streamoff>(in.tellg(), 0)), '\0');
    in.seekg(0).read(file.data(), static_cast<std::streamsize>(file.size()));
    const auto read = workbook::readFirstSheet(file, 1000);
    if (const auto* failure = std::get_if<workbook::Failure>(&read)) {
        std::printf("refused ");
        printHex(failure->reason);
        return 0;
    }
    const auto& rows = std::get<workbook::Sheet>(read).rows;
    for (std::size_t r = 0; r < rows.size(); ++r) {
        for (std::size_t c = 0; c < 2; ++c) {
            const workbook::Value& value = rows[r][c];
            if (value.kind != workbook::Value::Kind::Empty) {
                std::printf("%zu %zu %c %.17g ", r, c, "-TDWBE"[int(value.kind)], value.number);
                printHex(value.text);
            }
        }
    }
    return 0;
}
