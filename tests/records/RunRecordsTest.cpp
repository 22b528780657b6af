#include "records/RunRecordStore.h"
#include "settings/SettingsFile.h"
#include "support/ChildProcess.h"
#include "support/WindowTests.h"

#include <QCryptographicHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QRegularExpression>
#include <QSysInfo>

#include <numeric>
#include <random>
#include <sys/resource.h>
#include <thread>

namespace {

using namespace std::chrono_literals;

// The rows of a CSV file as Python's csv module reads it: an independent reader.
QList<QStringList> csvRows(const QString& path)
{
    QProcess python;
    python.start("/usr/bin/python3",
                 {"-c",
                  "import csv, json, sys; print(json.dumps(list(csv.reader(open(sys.argv[1], "
                  "encoding='utf-8-sig', newline='')))))",
                  path});
    EXPECT_TRUE(python.waitForFinished(10000) && python.exitCode() == 0) << path.toStdString();
    QList<QStringList> rows;
    for (const QJsonValue row : QJsonDocument::fromJson(python.readAllStandardOutput()).array()) {
        rows << row.toVariant().toStringList();
    }
    return rows;
}

const QStringList kHeader =
    QString("Started,Ended,Serial number,Port,Port number,Driver version,Reader version,Command "
            "file,Command file SHA-256,Lines sent,Replies awaited,Replies missing,Outcome,Computer,"
            "Program version,Transcript")
        .split(',');

// The window on kvr-sim with serial.xls loaded (3 lines, 2 awaiting replies), the user's data
// folder a fresh one; the 20-s waits for replies pass in about a second.
class RunRecords : public testing::Test {
protected:
    RunRecords()
    {
        qputenv("XDG_DATA_HOME", data.path().toLocal8Bit());
        ui.Timer1()->setInterval(5);
        window.show();
        QApplication::setActiveWindow(&window);
        desktop.filesToChoose = {madeFixture("serial.xls")};
        ui.mnuFileOpen()->trigger();
        ui.Combo2()->setEditText("KVR Reader 0 (COM5)");
    }
    void setting(const QString& key, const QString& value) const
    {
        SettingsFile(program.settingsFile()).write("Run_Records", key, value);
    }

    // The serial number typed and Enter pressed, as the user starts a run; back once it has ended.
    void typeAndEnter(const QString& serialNumber)
    {
        bool began = false;
        QTimer watch;
        watch.callOnTimeout([&] { began = began || window.busy() == Busy::Sending; });
        watch.start(1);
        ui.txtSerialNumber()->setFocus();
        QTest::keyClicks(QApplication::focusWidget(), serialNumber);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        EXPECT_TRUE(QTest::qWaitFor([&] { return began && window.busy() == Busy::Idle; }, 30000));
    }

    QString records() const { return data.filePath("Orvelle/Runs"); }

    const QTemporaryDir data;
    TempProgram program;
    RecordingDesktop desktop;
    ManualClock clock;
    ClockDriver clockDriver{clock, 100ms};
    frmMain window{desktop, clock, program.file()};
    const WindowAccess ui = access(window);
};

// Each way a run ends, and what its row says of it: outcome, lines sent, replies awaited, replies
// missing. "REPLIES" stands for a reply table that answers nothing.
struct RunEnd {
    const char* name;
    QString driver; // kvr-sim's options
    bool closeWhileWaiting;
    QString ended;
};

const RunEnd kEnds[] = {
    {"Complete", "", false, "complete 3 2 0"},
    {"NoReader", "--silent", false, "no-reader 0 0 0"},
    {"SilentReader", "--reply REPLIES", false, "replies-missing 3 2 2"},
    {"DriverGoneAtTheLastLine", "--close-after 7", false, "port-lost 3 2 1"},
    {"WindowClosedDuringRun", "--reply REPLIES", true, "window-closed 1 1 0"},
};

void PrintTo(const RunEnd& end, std::ostream* out)
{
    *out << end.name;
}

class EachEnd : public RunRecords, public testing::WithParamInterface<RunEnd> {};

TEST_P(EachEnd, LeavesItsRowAndItsTranscript)
{
    const RunEnd& end = GetParam();
    QTemporaryDir replies;
    QFile table(replies.filePath("replies.txt"));
    ASSERT_TRUE(table.open(QIODevice::WriteOnly) && table.write("*\t\n") > 0);
    table.close();
    SimulatedDriver driver(
        QString(end.driver).replace("REPLIES", table.fileName()).split(' ', Qt::SkipEmptyParts));
    ASSERT_TRUE(driver.ready());
    QTimer closer;
    closer.callOnTimeout([&] {
        if (end.closeWhileWaiting && ui.txtCommandList()->text().endsWith(" --> ")) {
            closer.stop();
            window.close();
        }
    });
    closer.start(5);
    const QDateTime before = QDateTime::currentDateTime().addSecs(-1);
    typeAndEnter("42");
    ASSERT_EQ(window.busy(), Busy::Idle);

    const QList<QStringList> rows = csvRows(records() + "/runs.csv");
    ASSERT_EQ(rows.size(), 2);
    EXPECT_EQ(rows[0], kHeader);
    const QStringList& row = rows[1];
    ASSERT_EQ(row.size(), kHeader.size());
    const QDateTime started = QDateTime::fromString(row[0], Qt::ISODate),
                    ended = QDateTime::fromString(row[1], Qt::ISODate);
    const QRegularExpression withOffset("T\\d\\d:\\d\\d:\\d\\d([+-]\\d\\d:\\d\\d|Z)$");
    EXPECT_TRUE(row[0].contains(withOffset) && row[1].contains(withOffset)) << row[0].toStdString();
    EXPECT_TRUE(before <= started && started <= ended && ended <= QDateTime::currentDateTime());
    const QString driverShown = end.ended.startsWith("no-reader")
                                    ? "Port opened but did not detect reader,"
                                    : "KVR-SIM 2.10,RDR-4000 v3.1";
    const QByteArray sha256 =
        QCryptographicHash::hash(readFile(madeFixture("serial.xls")), QCryptographicHash::Sha256);
    const QStringList shown = ("0000000000000042,KVR Reader 0 (COM5),5," + driverShown).split(',');
    EXPECT_EQ(row.mid(2, 7), shown + QStringList({madeFixture("serial.xls"), sha256.toHex()}));
    EXPECT_EQ((row.mid(12, 1) + row.mid(9, 3)).join(' '), end.ended);
    EXPECT_EQ(row.mid(13, 2), (QStringList{QSysInfo::machineHostName(), "1.04.00"}));
    EXPECT_EQ(row[15], started.toString("yyyyMMdd-HHmmss") + "-0000000000000042.txt");
    EXPECT_EQ(readFile(records() + "/" + row[15]), ui.txtCommandList()->text().toUtf8());
    EXPECT_FALSE(ui.txtCommandList()->text().contains("Run record not saved"));
}

INSTANTIATE_TEST_SUITE_P(RunRecords, EachEnd, testing::ValuesIn(kEnds),
                         [](const auto& row) { return std::string(row.param.name); });

// Turned off, runs leave nothing and File, Run Records... says so; a folder that cannot be made
// is said once at the transcript's end, run after run, and the runs go on. File, Run Records...
// shows the folder, made when missing, in the file manager.
TEST_F(RunRecords, OffWritesNothingAnUnwritableFolderIsSaidOnceTheMenuShowsTheFolder)
{
    SimulatedDriver driver({});
    ASSERT_TRUE(driver.ready());
    ui.mnuFileRunRecords()->trigger();
    EXPECT_EQ(desktop.foldersOpened, QStringList{records()});
    EXPECT_TRUE(QFileInfo(records()).isDir());
    QDir(data.filePath("Orvelle")).removeRecursively();

    setting("Keep", " 0");
    typeAndEnter("1");
    EXPECT_TRUE(ui.txtCommandList()->text().endsWith("Done"));
    EXPECT_FALSE(QFileInfo::exists(data.filePath("Orvelle")));
    ui.mnuFileRunRecords()->trigger();
    EXPECT_EQ(desktop.foldersOpened.size(), 1);
    EXPECT_EQ(desktop.messages.back().text,
              "Run records are turned off (Keep=0 in [Run_Records] of " + program.settingsFile() +
                  ").");

    // A file stands where the folder belongs.
    setting("Keep", "1");
    setting("Folder", "In the way/Runs");
    QFile inTheWay(program.folder() + "/In the way");
    ASSERT_TRUE(inTheWay.open(QIODevice::WriteOnly));
    for (const char* serialNumber : {"2", "3"}) {
        typeAndEnter(serialNumber);
        EXPECT_TRUE(ui.txtCommandList()->text().endsWith(
            "\r\nDone\r\n Run record not saved: cannot make the folder " + program.folder() +
            "/In the way/Runs"))
            << ui.txtCommandList()->text().right(200).toStdString();
        EXPECT_EQ(ui.txtCommandList()->text().count("Run record not saved"), 1);
    }
}

// Records straight from the store, each in a process of its own; `serial` tells them apart.
RunRecord recordOf(int serial)
{
    RunRecord record;
    record.started = record.ended = QDateTime::currentDateTime();
    record.serialNumber = QString::number(serial);
    // Each of the characters that make a field quoted, alone.
    record.portEntry = "\"7\" Bench";
    record.driverVersion = "KVR, 2.10";
    record.readerVersion = "v3.1\r";
    record.commandFile = "/line\nbreak.xls";
    return record;
}

// A process running `write`, which ends it; it dies with this one, should this one hang and be
// ended.
template <typename Write> pid_t writerProcess(Write write)
{
    const pid_t writer = fork();
    if (writer == 0) {
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        write();
    }
    return writer;
}

// Two benches appending to one folder at the same moment lose no row and no transcript; writers
// killed at any moment leave every earlier row whole; a full disk takes nothing of the file.
TEST(RunRecordStore, TwoWritersLoseNothingAKillOrAFullDiskDamagesNoRow)
{
    const QTemporaryDir folder;
    constexpr int kEach = 150;
    // Two benches at once, each a process of its own forked from this thread (a fork while another
    // thread holds a lock leaves it held), save the serial numbers from `first` on.
    std::vector<pid_t> benches;
    for (const int first : {0, kEach}) {
        benches.push_back(writerProcess([&folder, first] {
            for (int i = first; i < first + kEach; ++i) {
                if (saveRunRecord(folder.path(), recordOf(i), QString::number(i))) {
                    _exit(1);
                }
            }
            _exit(0);
        }));
    }
    for (const pid_t bench : benches) {
        int status = -1;
        waitpid(bench, &status, 0);
        EXPECT_EQ(status, 0) << "a bench could not save a record";
    }
    const auto serials = [&] {
        QList<int> serials;
        for (const QStringList& row : csvRows(folder.filePath("runs.csv")).mid(1)) {
            EXPECT_EQ(row.size(), kHeader.size());
            EXPECT_EQ(row.mid(3, 1) + row.mid(5, 3),
                      (QStringList{"\"7\" Bench", "KVR, 2.10", "v3.1\r", "/line\nbreak.xls"}));
            EXPECT_EQ(readFile(folder.filePath(row.value(15))), row.value(2).toUtf8());
            serials << row.value(2).toInt();
        }
        return serials;
    };
    QList<int> saved = serials(), all(2 * kEach);
    std::sort(saved.begin(), saved.end());
    std::iota(all.begin(), all.end(), 0);
    ASSERT_EQ(saved, all);

    // Each writer goes on from the last row kept: the rows after the benches' count up by one.
    std::mt19937 random(20261209);
    for (int kills = 0; kills < 40; ++kills) {
        const int next = int(saved.size());
        const pid_t writer = writerProcess([&folder, next] {
            for (int i = next;; ++i) {
                saveRunRecord(folder.path(), recordOf(i), QString::number(i));
            }
        });
        std::this_thread::sleep_for(std::chrono::microseconds(random() % 20000));
        kill(writer, SIGKILL);
        waitpid(writer, nullptr, 0);
        saved = serials();
        for (qsizetype i = 2 * kEach; i < saved.size(); ++i) {
            ASSERT_EQ(saved[i], i) << "after " << kills << " kills";
        }
    }

    // A row cut short by a writer killed mid-row, just after a line break inside a quoted field,
    // goes.
    const QByteArray cut = csvRow(recordOf(-2)).toUtf8();
    QFile runs(folder.filePath("runs.csv"));
    ASSERT_TRUE(runs.open(QIODevice::Append) &&
                runs.write(cut.left(cut.indexOf("line\n") + 5)) > 0);
    runs.close();
    const RunRecord again = recordOf(int(saved.size()));
    ASSERT_EQ(saveRunRecord(folder.path(), again, again.serialNumber), std::nullopt);
    ASSERT_EQ(saveRunRecord(folder.path(), again, again.serialNumber), std::nullopt);
    saved = serials();
    EXPECT_EQ(saved.mid(saved.size() - 3),
              (QList<int>{int(saved.size()) - 3, int(saved.size()) - 2, int(saved.size()) - 2}));
    const QString sameName = folder.filePath(transcriptFileName(again.started, again.serialNumber));
    EXPECT_TRUE(QFile::exists(sameName) && QFile::exists(sameName.chopped(4) + "-2.txt"));

    const QByteArray before = readFile(folder.filePath("runs.csv"));
    EXPECT_EQ(exitCodeInChild(
                  geteuid(),
                  [&] {
                      const rlimit size{rlim_t(before.size() + 20), rlim_t(before.size() + 20)};
                      signal(SIGXFSZ, SIG_IGN);
                      return setrlimit(RLIMIT_FSIZE, &size) == 0 &&
                             saveRunRecord(folder.path(), recordOf(-1), "-1").has_value();
                  }),
              1);
    EXPECT_EQ(readFile(folder.filePath("runs.csv")), before) << "the full disk's row stayed";
}

// The first write cut short after one byte: the next starts the file again, with its header. A
// transcript's name takes every character a file system takes.
TEST(RunRecordStore, AFileCutInItsFirstRowStartsAgainNamesAreSafe)
{
    const QTemporaryDir folder;
    QFile runs(folder.filePath("runs.csv"));
    ASSERT_TRUE(runs.open(QIODevice::WriteOnly) && runs.write("\xEF") == 1);
    runs.close();
    ASSERT_EQ(saveRunRecord(folder.path(), recordOf(7), "7"), std::nullopt);
    const QList<QStringList> rows = csvRows(runs.fileName());
    EXPECT_TRUE(rows.size() == 2 && rows[0] == kHeader && rows[1].value(2) == "7");
    EXPECT_EQ(transcriptFileName(QDateTime({2026, 12, 9}, {10, 15}), " a\\b/c:d*e?f\"g<h>i|j\t"),
              "20261209-101500- a_b_c_d_e_f_g_h_i_j_.txt");
}

} // namespace
