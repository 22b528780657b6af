#include "app/Module1.h"
#include "support/ClockDriver.h"
#include "support/Fixtures.h"
#include "support/PermissionsCount.h"
#include "support/QtPrinters.h"
#include "support/RandomBytes.h"
#include "support/RecordingDesktop.h"
#include "support/SimulatedDriver.h"
#include "support/TempProgram.h"
#include "support/Watchdog.h"
#include "ui/ColourButton.h"
#include "ui/SendButtonColours.h"
#include "ui/SortedComboBox.h"
#include "ui/TextBox.h"
#include "ui/frmMain.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPointer>
#include <QTest>

#include <gtest/gtest.h>

#include <functional>

namespace {

using namespace std::chrono_literals;

// How a file is damaged between two starts.
struct Damage {
    const char* name;
    std::function<void(const QString& path)> apply;
};

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path.toStdString();
    ASSERT_EQ(file.write(bytes), bytes.size());
}

QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

const QByteArray kGarbage = randomBytes(64 * 1024);

const Damage kDamages[] = {
    {"garbage", [](const QString& path) { writeFile(path, kGarbage); }},
    {"empty", [](const QString& path) { writeFile(path, {}); }},
    {"a folder",
     [](const QString& path) {
         QFile::remove(path);
         ASSERT_TRUE(QDir().mkdir(path));
     }},
    {"unreadable",
     [](const QString& path) {
         ASSERT_TRUE(QFile::setPermissions(path, QFileDevice::WriteOwner));
     }},
};

// Enter typed by the user: press and release come through the event loop.
void pressEnter(QWidget* box)
{
    QCoreApplication::postEvent(box,
                                new QKeyEvent(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier));
    QCoreApplication::postEvent(box,
                                new QKeyEvent(QEvent::KeyRelease, Qt::Key_Return, Qt::NoModifier));
}

// Puts a file back as it was before the damage.
void repair(const QString& path, const QByteArray& bytes)
{
    QDir(path).removeRecursively();
    QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    QFile::remove(path);
    writeFile(path, bytes);
}

// Starts of the program's window as Main makes it, with kvr-sim's two readers
// and a command file beside the program; the desktop answers for the user.
class DamagedFiles : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(QFile::copy(madeFixture("text-codes.xls"), commandFile));
        ASSERT_TRUE(driver.ready());
    }

    QPointer<frmMain> start()
    {
        desktop.messages.clear();
        desktop.fileRequests.clear();
        QPointer<frmMain> window = Module1::Main(desktop, clock, program.file());
        window->Timer1->setInterval(5);
        return window;
    }

    void close(QPointer<frmMain>& window)
    {
        EXPECT_TRUE(window->close());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_TRUE(window.isNull());
    }

    // What the program must keep in its settings file between starts.
    QByteArray storedSettings() const { return readFile(program.settingsFile()); }

    // The first start: the command file chosen in the dialog, the second reader selected.
    void firstStart()
    {
        desktop.filesToChoose << commandFile;
        auto window = start();
        ASSERT_EQ(window->nCmdCount, 3);
        window->Combo2->setCurrentIndex(1);
        close(window);
        ASSERT_TRUE(storedSettings().contains("Port_Num= 1"));
        ASSERT_TRUE(storedSettings().contains(("LastFile=" + commandFile).toUtf8()));
    }

    // A start with every file sound again finds what the first start stored.
    void expectSoundStart()
    {
        auto window = start();
        EXPECT_TRUE(desktop.messages.empty());
        EXPECT_EQ(window->Combo2->count(), 2);
        EXPECT_EQ(window->Combo2->currentIndex(), 1);
        EXPECT_EQ(window->nCmdCount, 3);
        EXPECT_EQ(window->sCmdFile, commandFile);
        close(window);
    }

    QStringList filesBesideTheProgram() const
    {
        return QDir(program.folder())
            .entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
    }

    Watchdog watchdog{60s, "starts with damaged files"};
    ManualClock clock;
    ClockDriver clockDriver{clock, 1s};
    TempProgram program;
    const QString commandFile = QDir(program.folder()).filePath("Bench.xls");
    RecordingDesktop desktop;
    SimulatedDriver driver{{"--readers", "2"}};
};

// The settings file damaged: the start falls back to the defaults without a
// word (the default command file is missing, so the program asks for one),
// and the close stores only over a file it could read, keeping what it did not write.
TEST_F(DamagedFiles, SettingsFile)
{
    if (!bodyRunsWherePermissionsCount()) {
        return;
    }
    firstStart();
    const QByteArray sound = storedSettings();
    for (const Damage& damage : kDamages) {
        SCOPED_TRACE(damage.name);
        damage.apply(program.settingsFile());
        desktop.filesToChoose << commandFile;
        auto window = start();
        ASSERT_EQ(desktop.messages.size(), 1u);
        EXPECT_EQ(desktop.messages[0].title, "NO FILE SELECTED");
        EXPECT_EQ(window->Combo2->currentIndex(), 0);
        EXPECT_EQ(window->nCmdCount, 3);
        window->btnOpen_Click();
        EXPECT_TRUE(window->bReaderFound);
        close(window);

        const QString name = damage.name;
        if (name == "garbage") {
            EXPECT_TRUE(storedSettings().startsWith(kGarbage));
            EXPECT_TRUE(storedSettings().contains(("LastFile=" + commandFile).toUtf8()));
        } else if (name == "empty") {
            EXPECT_TRUE(storedSettings().contains(("LastFile=" + commandFile).toUtf8()));
        } else if (name == "a folder") {
            EXPECT_TRUE(QFileInfo(program.settingsFile()).isDir());
        } else {
            EXPECT_TRUE(QFile::setPermissions(program.settingsFile(),
                                              QFileDevice::ReadOwner | QFileDevice::WriteOwner));
            EXPECT_EQ(storedSettings(), sound);
        }
        EXPECT_EQ(filesBesideTheProgram(), (QStringList{"Bench.xls", "Orvelle.INI"}));
        repair(program.settingsFile(), sound);
        expectSoundStart();
    }
}

// The driver's records damaged: the start says no driver is installed; a port
// typed into the list still opens; the stored port entry is kept for the next start.
TEST_F(DamagedFiles, RegistryFile)
{
    if (!bodyRunsWherePermissionsCount()) {
        return;
    }
    firstStart();
    const QString registry = qEnvironmentVariable("XDG_RUNTIME_DIR") + "/kvr/registry.reg";
    const QByteArray sound = readFile(registry);
    ASSERT_FALSE(sound.isEmpty());
    for (const Damage& damage : kDamages) {
        SCOPED_TRACE(damage.name);
        damage.apply(registry);
        auto window = start();
        ASSERT_EQ(desktop.messages.size(), 2u);
        EXPECT_EQ(desktop.messages[0].text,
                  "No KVR Drivers Found!  Please install at least one driver.");
        EXPECT_EQ(desktop.messages[1].title, "No KVR Drivers Loaded!");
        EXPECT_EQ(window->Combo2->count(), 0);
        EXPECT_FALSE(window->btnOpen->isEnabled());
        EXPECT_TRUE(window->txtCommandList->text().startsWith("URL for the KVR Drivers:"));
        EXPECT_EQ(window->nCmdCount, 3);

        window->Combo2->setEditText("KVR Reader 1 (COM6)");
        pressEnter(window->Combo2);
        EXPECT_TRUE(QTest::qWaitFor([&window] { return window->bReaderFound; }, 5000));
        close(window);
        EXPECT_TRUE(storedSettings().contains("Port_Num= 1"));

        repair(registry, sound);
        expectSoundStart();
    }
}

// The command file damaged: the start says why it cannot be read (or, for a
// folder, asks for another file, here cancelled) and shows that no list is
// loaded; the window still tests the port, and the file's path is kept for the next start.
TEST_F(DamagedFiles, CommandFile)
{
    if (!bodyRunsWherePermissionsCount()) {
        return;
    }
    firstStart();
    const QByteArray sound = readFile(commandFile);
    const QMap<QString, QString> reasons{{"garbage", "it is not an Excel 97-2003 workbook (.xls)."},
                                         {"empty", "the file is empty."},
                                         {"unreadable", "it cannot be opened for reading."}};
    for (const Damage& damage : kDamages) {
        SCOPED_TRACE(damage.name);
        damage.apply(commandFile);
        auto window = start();
        ASSERT_EQ(desktop.messages.size(), 1u);
        if (reasons.contains(damage.name)) {
            EXPECT_EQ(desktop.messages[0].text, "Cannot read the command file " + commandFile +
                                                    ": " + reasons.value(damage.name));
            EXPECT_EQ(desktop.messages[0].style, 48);
        } else {
            EXPECT_EQ(desktop.messages[0].title, "NO FILE SELECTED");
            EXPECT_EQ(desktop.fileRequests.size(), 1u);
        }
        EXPECT_EQ(window->nCmdCount, 0);
        EXPECT_EQ(window->txtCommandList->text(), "Please select a command file");
        EXPECT_FALSE(window->btnSend->isEnabled());
        EXPECT_EQ(window->btnSend->backColor(), sendColour::kWaitingForSerial);

        window->btnOpen_Click();
        EXPECT_TRUE(window->bReaderFound);
        close(window);
        EXPECT_TRUE(storedSettings().contains(("LastFile=" + commandFile).toUtf8()));

        repair(commandFile, sound);
        expectSoundStart();
    }

    // A sound workbook whose first row names no command is refused as well.
    writeFile(commandFile, readFile(madeFixture("no-command-names.xls")));
    auto window = start();
    ASSERT_EQ(desktop.messages.size(), 1u);
    EXPECT_EQ(desktop.messages[0].text, "No command names found in the Commands.XLS file.");
    EXPECT_EQ(window->txtCommandList->text(), "Please select a command file");
    EXPECT_FALSE(window->btnSend->isEnabled());
    close(window);
    EXPECT_TRUE(storedSettings().contains(("LastFile=" + commandFile).toUtf8()));
}

} // namespace
