// Reading a 999-row command file in the program as a user has it (its window
// shown on an X server): File, Open with the file chosen, until the preview is
// painted (and, alone, the same preview put into the text box and painted), against a bare
// in-process FreeXL read of the same cells and python3-xlrd reading them in an already-running
// interpreter; beside them our own reader's bare read of the file's bytes. Prints the median of 200
// runs of each and their ratios; the reads take turns.
//
//   command-file-bench WORKBOOK   (bench/command-file runs it on the xcb
//                                  platform, under Xvfb when there is no display)

#include "bench/BenchSupport.h"
#include "bench/FreeXlRange.h"
#include "support/WindowAccess.h"
#include "ui/Clock.h"
#include "ui/Fonts.h"
#include "ui/TextBox.h"
#include "ui/frmMain.h"
#include "workbook/XlsReader.h"

#include <QAction>
#include <QApplication>
#include <QFile>
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

// Chooses `path` whenever the window asks for a command file.
class ChoosingDesktop final : public DesktopServices {
public:
    explicit ChoosingDesktop(QString path)
        : path_(std::move(path))
    {
    }
    void messageBox(const QString&, int, const QString&) override {}
    using DesktopServices::messageBox;
    void beep() override {}
    std::optional<QString> chooseFileToOpen(const OpenFileRequest&) override { return path_; }
    void startProgram(const QString&) override {}
    void openFolder(const QString&) override {}

private:
    QString path_;
};

// Counts the paints of a widget.
class PaintCounter : public QObject {
public:
    explicit PaintCounter(QWidget& widget) { widget.installEventFilter(this); }
    int paints = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        paints += event->type() == QEvent::Paint;
        return false;
    }
};

} // namespace

int main(int argc, char* argv[])
{
    if (argc != 2) {
        std::fputs("usage: command-file-bench WORKBOOK\n", stderr);
        return 2;
    }
    const BenchEnvironment environment;
    QApplication app(argc, argv);
    installFontSubstitutes();
    const QString path = QString::fromLocal8Bit(argv[1]);
    ChoosingDesktop desktop(path);
    const SteadyClock clock;
    frmMain window(desktop, clock, environment.programFile());
    showOnScreen(window);
    PaintCounter painted(*access(window).txtCommandList()->viewport());
    // As the user: File, Open, the file chosen, and the preview on screen.
    const auto clearPreview = [&] {
        access(window).txtCommandList()->setText(QString());
        QApplication::processEvents();
    };
    const auto untilPainted = [&](const std::function<void()>& action) {
        const int before = painted.paints;
        action();
        while (painted.paints == before) {
            QApplication::processEvents(QEventLoop::WaitForMoreEvents);
        }
    };
    const auto windowRead = [&] { untilPainted([&] { access(window).mnuFileOpen()->trigger(); }); };
    // The part of it no reader can save: the same preview put into the text box and painted.
    QString preview;
    const auto previewOnly = [&] {
        untilPainted([&] { access(window).txtCommandList()->setText(preview); });
    };
    std::size_t cells = 0;
    const auto bareRead = [&] {
        const auto read = freeXlCells(argv[1], 1000);
        cells = read ? read->size() : 0;
    };
    std::size_t rows = 0;
    const auto ownRead = [&] {
        QFile file(path);
        const QByteArray bytes = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
        const auto sheet =
            workbook::readFirstSheet(std::string_view(bytes.constData(), bytes.size()), 1000);
        rows = std::holds_alternative<workbook::Sheet>(sheet)
                   ? std::get<workbook::Sheet>(sheet).rows.size()
                   : 0;
    };
    // Once each to warm up, then in turns, so that all meet the same machine.
    windowRead();
    preview = access(window).txtCommandList()->text();
    bareRead();
    ownRead();
    std::vector<double> windowTimes;
    std::vector<double> bareTimes;
    std::vector<double> ownTimes;
    std::vector<double> previewTimes;
    for (int i = 0; i < kRuns; ++i) {
        clearPreview();
        windowTimes.push_back(millisecondsOf(windowRead));
        clearPreview();
        previewTimes.push_back(millisecondsOf(previewOnly));
        bareTimes.push_back(millisecondsOf(bareRead));
        ownTimes.push_back(millisecondsOf(ownRead));
    }
    const double full = median(windowTimes);
    const double bare = median(bareTimes);
    const double own = median(ownTimes);
    const double previewAlone = median(previewTimes);
    const double xlrd = xlrdMedianMilliseconds(path);

    std::printf("command file: %s (%zu rows, %d commands, FreeXL %zu cells), window shown on "
                "the %s platform, median of %d runs each\n",
                argv[1], rows, access(window).nCmdCount(), cells,
                qPrintable(QGuiApplication::platformName()), kRuns);
    std::printf("  File, Open to the painted preview:      %8.3f ms\n", full);
    std::printf("    of which the preview into the text box, painted: %8.3f ms\n", previewAlone);
    std::printf("  bare in-process FreeXL read:            %8.3f ms\n", bare);
    std::printf("  bare read of our own reader:            %8.3f ms\n", own);
    std::printf("  python3-xlrd in a running interpreter:  %8.3f ms\n", xlrd);
    std::printf("  File, Open / bare FreeXL: %.2f (bar: at most 2)\n", full / bare);
    std::printf("  our reader / bare FreeXL: %.2f\n", own / bare);
    std::printf("  File, Open / xlrd:        %.2f\n", full / xlrd);
    const bool met = full <= 2 * bare;
    std::printf("%s\n", met ? "bar met" : "BAR NOT MET");
    return met ? 0 : 1;
}
