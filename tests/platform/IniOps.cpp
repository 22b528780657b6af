// ini-ops FILE OPERATIONS: applies settings reads and writes to the INI file
// FILE through the platform's store (ours on Linux, the system's profile
// functions on Windows) and prints each result, for the comparison of the two.
// OPERATIONS holds fields ended by NULs: "read" SECTION KEY DEFAULT BUFFER-SIZE
// prints "read VALUE"; "write" SECTION KEY VALUE prints "write 1" or "write 0".
#include "platform/IniFile.h"

#include <cstdio>
#include <fstream>
#include <string>

int main(int argc, char* argv[])
{
    std::ifstream operations(argc == 3 ? argv[2] : "", std::ios::binary);
    const auto field = [&] {
        std::string text;
        std::getline(operations, text, '\0');
        return text;
    };
    for (std::string op; std::getline(operations, op, '\0');) {
        const std::string section = field(), key = field(), text = field();
        if (op == "read") {
            const std::size_t buffer = std::stoul(field());
            std::printf("read %s\n",
                        platform::readProfileString(section, key, text, buffer, argv[1]).c_str());
        } else {
            std::printf("write %d\n", platform::writeProfileString(section, key, text, argv[1]));
        }
    }
    return operations.eof() ? 0 : 2;
}
