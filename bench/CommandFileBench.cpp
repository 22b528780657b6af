// Reading a 999-row command file in the program as a user has it (its window
// shown on an X server): the program's whole read (helper process, command
// list and preview) against a bare in-process FreeXL read of the same cells
// and against python3-xlrd reading them in an already-running interpreter;
// beside them our own reader's bare in-process read. Prints the median of
// 200 runs of each and their ratios; the reads take turns.
//
//   command-file-bench WORKBOOK   (bench/command-file runs it on the xcb
//                                  platform, under Xvfb when there is no display)

#include "bench/BenchSupport.h"
#include "commands/CommandFileReader.h"
#include "commands/FreeXlRange.h"
#include "commands/WorkbookCells.h"
#include "platform/Memory.h"
#include "ui/Fonts.h"
#include "ui/frmMain.h"

#include <QApplication>
#include <QProcess>

#include <chrono>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

constexpr int kRuns = 200;

const char* const kXlrdTimer = R"(
import statistics, sys, time, xlrd
path, runs = sys.argv[1], int(sys.argv[2])
def read():
    sheet = xlrd.open_workbook(path).sheet_by_index(0)
    return [[sheet.cell_value(r, c) if c < sheet.ncols else None for c in range(2)]
            for r in range(min(sheet.nrows, 1000))]
read()
times = []
for _ in range(runs):
    start = time.perf_counter()
    read()
    times.append(time.perf_counter() - start)
print(statistics.median(times) * 1000)
)";

double millisecondsOf(const std::function<void()>& work)
{
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
        .count();
}

double xlrdMedianMilliseconds(const QString& path)
{
    QProcess python;
    python.start(
        QStringLiteral("/usr/bin/python3"),
        {QStringLiteral("-c"), QString::fromLatin1(kXlrdTimer), path, QString::number(kRuns)});
    if (!python.waitForFinished(120000) || python.exitCode() != 0) {
        std::fprintf(stderr, "python3-xlrd failed: %s\n",
                     python.readAllStandardError().constData());
        return -1;
    }
    return python.readAllStandardOutput().trimmed().toDouble();
}

} // namespace

int main(int argc, char* argv[])
{
    if (argc != 2) {
        std::fputs("usage: command-file-bench WORKBOOK\n", stderr);
        return 2;
    }
    platform::keepFreedMemory(); // as the program does
    const BenchEnvironment environment;
    QApplication app(argc, argv);
    installFontSubstitutes();
    QuietDesktop desktop;
    frmMain window(desktop, environment.programFile());
    showOnScreen(window);
    const QString path = QString::fromLocal8Bit(argv[1]);
    std::size_t entries = 0;
    std::size_t rows = 0;
    const auto fullRead = [&] {
        const CommandFileRead read = readCommandFile(path);
        entries = read.list.entries.size();
        const QString preview = commandPreview(path, read.list.entries);
        (void)preview;
    };
    const auto bareRead = [&] { rows = readFirstSheetRange(argv[1], 1000).rows.size(); };
    const auto ownRead = [&] { rows = cellsOfWorkbook(argv[1], 1000).rows.size(); };
    // Once each to warm up, then in turns, so that all meet the same machine.
    fullRead();
    bareRead();
    ownRead();
    std::vector<double> fullTimes;
    std::vector<double> bareTimes;
    std::vector<double> ownTimes;
    for (int i = 0; i < kRuns; ++i) {
        fullTimes.push_back(millisecondsOf(fullRead));
        bareTimes.push_back(millisecondsOf(bareRead));
        ownTimes.push_back(millisecondsOf(ownRead));
    }
    const double full = median(fullTimes);
    const double bare = median(bareTimes);
    const double own = median(ownTimes);
    const double xlrd = xlrdMedianMilliseconds(path);

    std::printf("command file: %s (%zu rows, %zu commands), window shown on the %s platform, "
                "median of %d runs each\n",
                argv[1], rows, entries, qPrintable(QGuiApplication::platformName()), kRuns);
    std::printf("  full read (helper process, list, preview): %8.3f ms\n", full);
    std::printf("  bare in-process FreeXL read:               %8.3f ms\n", bare);
    std::printf("  bare in-process read of our own reader:    %8.3f ms\n", own);
    std::printf("  python3-xlrd in a running interpreter:     %8.3f ms\n", xlrd);
    std::printf("  full / bare FreeXL: %.2f (bar: at most 1)\n", full / bare);
    std::printf("  our reader / bare FreeXL, both in process: %.2f\n", own / bare);
    std::printf("  full / xlrd:        %.2f\n", full / xlrd);
    const bool met = full <= bare;
    std::printf("%s\n", met ? "bar met" : "BAR NOT MET");
    return met ? 0 : 1;
}
