// orvelle-xls-reader: reads the cells of range A1:B1000 of the first worksheet
// of .xls workbooks for the program with our own workbook reader. The
// program runs it as a separate process, so that even a fault the reader's
// checks missed cannot take the program down with it, and so that a read
// can be stopped when it takes too long.
//
//   orvelle-xls-reader FILE   writes the cells of FILE to standard output, in
//                             the format of CellProtocol.h
//   orvelle-xls-reader        serves the program: reads requests from standard
//                             input and answers each on standard output
//
// Serving, it stays ready between reads, which saves starting a program for
// every read; the program stops a helper that found a workbook damaged and
// starts a fresh one for the next read.

#include "commands/CellProtocol.h"
#include "commands/HelperFrames.h"
#include "commands/WorkbookCells.h"
#include "platform/Memory.h"

#include <cstdio>
#include <string>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

namespace {

std::string readWorkbook(const std::string& path)
{
    return cells::encode(cellsOfWorkbook(path, cells::kRangeRows));
}

bool writeOut(const std::string& bytes)
{
    return std::fwrite(bytes.data(), 1, bytes.size(), stdout) == bytes.size() &&
           std::fflush(stdout) == 0;
}

int serve()
{
    platform::keepFreedMemory();
    // An answer is whole before it goes out: unbuffered, it goes in one
    // write, which wakes the program once; a buffer would cut it into pieces
    // of the buffer's size.
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    std::string path;
    while (helperframes::readRequest(stdin, path)) {
        if (!writeOut(helperframes::answerFrame(readWorkbook(path)))) {
            return 1;
        }
    }
    return 0;
}

} // namespace

int main(int argc, char* argv[])
{
#ifdef _WIN32
    // Frames and cells are bytes: no line-end translation on the way.
    _setmode(_fileno(stdin), _O_BINARY);
    _setmode(_fileno(stdout), _O_BINARY);
#endif
    if (argc == 1) {
        return serve();
    }
    if (argc != 2) {
        std::fputs("usage: orvelle-xls-reader [FILE]\n", stderr);
        return 2;
    }
    return writeOut(readWorkbook(argv[1])) ? 0 : 1;
}
