// Prints what the workbook reader finds in A1:B1000 of a file, one cell a
// line ("A1 text ..."), or "failure: reason"; compared with an independent
// reader by against_xlrd.py.

#include "workbook/XlsReader.h"

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

int main(int argc, char* argv[])
{
    if (argc != 2) {
        std::fputs("usage: workbook-cells FILE\n", stderr);
        return 2;
    }
    std::ifstream in(argv[1], std::ios::binary);
    const std::string file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const auto read = workbook::readFirstSheet(file, 1000);
    if (const auto* failure = std::get_if<workbook::Failure>(&read)) {
        std::printf("failure: %s\n", failure->reason.c_str());
        return 0;
    }
    const char* const kinds[] = {"empty", "text", "number", "date", "boolean", "error"};
    const auto& rows = std::get<std::vector<workbook::Row>>(read);
    for (std::size_t r = 0; r < rows.size(); ++r) {
        for (std::size_t c = 0; c < 2; ++c) {
            const workbook::Value& value = rows[r][c];
            if (value.kind == workbook::Value::Kind::Empty) {
                continue;
            }
            std::printf("%c%zu %s ", static_cast<char>('A' + c), r + 1,
                        kinds[static_cast<int>(value.kind)]);
            if (value.kind == workbook::Value::Kind::Text ||
                value.kind == workbook::Value::Kind::Date) {
                std::printf("%zu %s\n", value.text.size(), value.text.c_str());
            } else {
                std::printf("%.17g\n", value.number);
            }
        }
    }
    return 0;
}
