// ini-ops: applies a sequence of settings reads and writes to one INI file
// through the platform's store (our own on Linux, the system's profile
// functions on Windows) and prints each result, so that the two can be compared.
//
//   ini-ops FILE OPERATIONS
//
// OPERATIONS holds one operation a line, fields separated by tabs, with \r,
// \n, \t, \0 and \\ standing for those characters:
//   read   SECTION KEY DEFAULT BUFFER-SIZE   prints "read " and the value
//   write  SECTION KEY VALUE                 prints "write 1" or "write 0"
#include "platform/IniFile.h"

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

namespace {

std::string unescaped(const std::string& field)
{
    std::string text;
    for (std::size_t i = 0; i < field.size(); ++i) {
        if (field[i] != '\\' || i + 1 == field.size()) {
            text += field[i];
            continue;
        }
        const char code = field[++i];
        text += code == 'r'   ? '\r'
                : code == 'n' ? '\n'
                : code == 't' ? '\t'
                : code == '0' ? '\0'
                              : code;
    }
    return text;
}

std::string escaped(const std::string& text)
{
    std::string field;
    for (const char c : text) {
        field += c == '\r'   ? "\\r"
                 : c == '\n' ? "\\n"
                 : c == '\t' ? "\\t"
                 : c == '\\' ? "\\\\"
                             : std::string(1, c);
    }
    return field;
}

std::vector<std::string> fields(const std::string& line)
{
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (std::size_t tab; (tab = line.find('\t', start)) != std::string::npos; start = tab + 1) {
        parts.push_back(unescaped(line.substr(start, tab - start)));
    }
    parts.push_back(unescaped(line.substr(start)));
    return parts;
}

} // namespace

int main(int argc, char* argv[])
{
    if (argc != 3) {
        std::fputs("usage: ini-ops FILE OPERATIONS\n", stderr);
        return 2;
    }
    const std::string file = argv[1];
    std::ifstream operations(argv[2], std::ios::binary);
    if (!operations) {
        std::fprintf(stderr, "ini-ops: cannot read %s\n", argv[2]);
        return 2;
    }
    for (std::string line; std::getline(operations, line);) {
        const std::vector<std::string> op = fields(line);
        if (op.size() == 5 && op[0] == "read") {
            const std::string value =
                platform::readProfileString(op[1], op[2], op[3], std::stoul(op[4]), file);
            std::printf("read %s\n", escaped(value).c_str());
        } else if (op.size() == 4 && op[0] == "write") {
            std::printf("write %d\n",
                        platform::writeProfileString(op[1], op[2], op[3], file) ? 1 : 0);
        } else if (!line.empty()) {
            std::fprintf(stderr, "ini-ops: not an operation: %s\n", line.c_str());
            return 2;
        }
    }
    return 0;
}
