#include "app/Module1.h"
#include "support/WindowTests.h"

#include <sys/stat.h>

namespace {

// `bytes` as the file at `path`, whatever stood there, or damaged as `how` says.
void put(const QString& path, const QByteArray& bytes, const QString& how = {})
{
    QDir(path).removeRecursively();
    QFile file(path);
    ASSERT_TRUE(!file.exists() || file.remove()); // a pipe would block the write
    if (how == "a folder" || how == "a pipe") {
        ASSERT_EQ(how == "a folder" ? !QDir().mkdir(path) : mkfifo(qPrintable(path), 0600), 0);
        return;
    }
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path.toStdString();
    ASSERT_EQ(file.write(bytes), bytes.size());
    ASSERT_TRUE(how != "unreadable" || file.setPermissions(QFileDevice::WriteOwner));
}

// Each file in turn is damaged each way before a start, which says what it could not read: the
// settings silently, the driver's records as no driver installed, the command file with its reason
// (a pipe, which others would wait on, only there). The second reader and Enter find it; the close
// stores the settings only over a file it could read, keeping what it did not write.
TEST(DamagedFiles, EachFileInEachWay)
{
    if (ranAgainWherePermissionsCount()) {
        return;
    }
    ManualClock clock;
    ClockDriver clockDriver{clock, std::chrono::seconds(1)};
    TempProgram program;
    const QString commandFile = QDir(program.folder()).filePath("Bench.xls");
    ASSERT_TRUE(QFile::copy(madeFixture("text-codes.xls"), commandFile));
    SimulatedDriver driver{{"--readers", "2"}};
    ASSERT_TRUE(driver.ready());
    // Starts of the window as Main makes it; the desktop answers for the user.
    RecordingDesktop desktop;
    QPointer<frmMain> window;
    const auto start = [&](bool chooseCommandFile) {
        desktop = {};
        desktop.filesToChoose = chooseCommandFile ? QStringList{commandFile} : QStringList();
        window = Module1::Main(desktop, clock, program.file());
        access(*window).Timer1()->setInterval(5);
        return access(*window);
    };
    const auto close = [&window] {
        EXPECT_TRUE(window->close());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_TRUE(window.isNull());
    };
    start(true).Combo2()->setCurrentIndex(1);
    close();
    const QByteArray settings = readFile(program.settingsFile());
    // A binary file where a text file belongs: the start of this test program.
    const QByteArray garbage = readFile(QCoreApplication::applicationFilePath()).left(64 * 1024);
    const std::pair<QString, QString> ways[] = {
        {"garbage", "it is not an Excel 97-2003 workbook (.xls)."},
        {"empty", "the file is empty."},
        {"a folder", "it is a folder, not a file."},
        {"unreadable", "it cannot be opened for reading."},
        {"a pipe", "it is not a file but a device or a pipe."}};
    const auto everything = QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot | QDir::Hidden;
    for (const QString& path : {program.settingsFile(), commandFile,
                                qEnvironmentVariable("XDG_RUNTIME_DIR") + "/kvr/registry.reg"}) {
        const QByteArray sound = readFile(path);
        const bool settingsFile = path == program.settingsFile();
        for (const auto& [how, reason] : ways) {
            if (how == "a pipe" && path != commandFile) {
                continue;
            }
            SCOPED_TRACE((path + ", " + how).toStdString());
            put(path, how == "garbage" ? garbage : how == "unreadable" ? sound : "", how);
            const WindowAccess w = start(settingsFile);
            QStringList titles;
            for (const auto& message : desktop.messages) {
                titles << message.title;
            }
            EXPECT_EQ(w.nCmdCount(), path == commandFile ? 0 : 3);
            if (path == commandFile) {
                EXPECT_EQ(w.txtCommandList()->text(), "Please select a command file");
                EXPECT_EQ(paintedColour(*w.btnSend()), sendColour::kWaitingForSerial);
                EXPECT_EQ(desktop.fileRequests.size(), 0u);
                EXPECT_EQ(titles, QStringList("Orvelle"));
                ASSERT_FALSE(desktop.messages.empty());
                EXPECT_EQ(desktop.messages[0].text,
                          "Cannot read the command file " + commandFile + ": " + reason);
            } else {
                EXPECT_EQ(titles.join(';'),
                          settingsFile ? "NO FILE SELECTED" : "Orvelle;No KVR Drivers Loaded!");
                EXPECT_EQ(w.Combo2()->currentText(), settingsFile ? "KVR Reader 0 (COM5)" : "");
                EXPECT_EQ(w.btnOpen()->isEnabled(), settingsFile);
            }
            w.Combo2()->setEditText("KVR Reader 1 (COM6)");
            QApplication::setActiveWindow(window);
            w.Combo2()->setFocus();
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
            EXPECT_TRUE(QTest::qWaitFor([&w] { return w.bReaderFound(); }, 5000));
            close();
            QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
            const QByteArray stored = readFile(program.settingsFile());
            if (settingsFile && how == "a folder") {
                EXPECT_TRUE(QFileInfo(path).isDir());
            } else if (settingsFile && how == "unreadable") {
                EXPECT_EQ(stored, settings);
            } else {
                EXPECT_TRUE(stored.startsWith(settingsFile && how == "garbage" ? garbage : ""));
                EXPECT_TRUE(stored.contains(("LastFile=" + commandFile).toUtf8()));
                EXPECT_TRUE(stored.contains("Port_Num= 1"));
            }
            EXPECT_EQ(QDir(program.folder()).entryList(everything),
                      (QStringList{"Bench.xls", "Orvelle.INI"}));
            put(path, sound);
            put(program.settingsFile(), settings);
        }
    }
}

} // namespace
