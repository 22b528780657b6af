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

#include <QApplication>
#include <QDir>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPointer>
#include <QTest>

#include <gtest/gtest.h>

#include <functional>

namespace {

using namespace std::chrono_literals;

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
const QStringList kDamages{"garbage", "empty", "a folder", "unreadable"};

void damage(const QString& path, const QString& how)
{
    if (how == "garbage") {
        writeFile(path, kGarbage);
    } else if (how == "empty") {
        writeFile(path, {});
    } else if (how == "a folder") {
        QFile::remove(path);
        ASSERT_TRUE(QDir().mkdir(path));
    } else {
        ASSERT_TRUE(QFile::setPermissions(path, QFileDevice::WriteOwner));
    }
}

// Starts of the window as Main makes it, with kvr-sim's two readers and a
// command file beside the program; the desktop answers for the user. Between
// two starts one file is damaged in each way, and put back after.
class DamagedFiles : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(QFile::copy(madeFixture("text-codes.xls"), commandFile));
        ASSERT_TRUE(driver.ready());
    }

    // A start; the user chooses the command file when the program asks for one.
    QPointer<frmMain> start(bool choose = false)
    {
        desktop.messages.clear();
        desktop.fileRequests.clear();
        desktop.filesToChoose = choose ? QStringList{commandFile} : QStringList();
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

    QByteArray stored() const { return readFile(program.settingsFile()); }
    bool storedLastFile() const { return stored().contains(("LastFile=" + commandFile).toUtf8()); }

    QString titles() const
    {
        QStringList titles;
        for (const auto& message : desktop.messages) {
            titles << message.title;
        }
        return titles.join(';');
    }

    // The first start stores the command file chosen in the dialog and the
    // second reader; then for each damage of `path` a start, checked by
    // `atStart`; the user types the second reader into the port list with
    // Enter and the reader is found; the close, checked by `afterClose`; and,
    // with the file put back, a start that finds what the first stored.
    void everyDamage(const QString& path,
                     const std::function<void(frmMain&, const QString&)>& atStart,
                     const std::function<void(const QString&, const QByteArray&)>& afterClose)
    {
        auto window = start(true);
        window->Combo2->setCurrentIndex(1);
        close(window);
        const QByteArray sound = readFile(path);
        ASSERT_FALSE(sound.isEmpty());
        for (const QString& how : kDamages) {
            SCOPED_TRACE(how.toStdString());
            damage(path, how);
            window = start(chooseAfterDamage);
            atStart(*window, how);
            window->Combo2->setEditText("KVR Reader 1 (COM6)");
            QApplication::setActiveWindow(window);
            window->Combo2->setFocus();
            for (const auto type : {QEvent::KeyPress, QEvent::KeyRelease}) {
                QCoreApplication::postEvent(QApplication::focusWidget(),
                                            new QKeyEvent(type, Qt::Key_Return, Qt::NoModifier));
            }
            EXPECT_TRUE(QTest::qWaitFor([&window] { return window->bReaderFound; }, 5000));
            close(window);
            afterClose(how, sound);
            EXPECT_EQ(QDir(program.folder())
                          .entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
                      (QStringList{"Bench.xls", "Orvelle.INI"}));

            QDir(path).removeRecursively();
            QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
            QFile::remove(path);
            writeFile(path, sound);
            window = start();
            EXPECT_EQ(titles(), "");
            EXPECT_EQ(window->Combo2->currentText(), "KVR Reader 1 (COM6)");
            EXPECT_EQ(window->sCmdFile, commandFile);
            EXPECT_EQ(window->nCmdCount, 3);
            close(window);
        }
    }

    bool chooseAfterDamage = false;
    const Watchdog watchdog{120s, "starts with damaged files"};
    ManualClock clock;
    ClockDriver clockDriver{clock, 1s};
    TempProgram program;
    const QString commandFile = QDir(program.folder()).filePath("Bench.xls");
    RecordingDesktop desktop;
    SimulatedDriver driver{{"--readers", "2"}};
};

// The start falls back to the defaults without a word (the default command
// file is missing, so the program asks for one); the close stores only over a
// file it could read, keeping what it did not write.
TEST_F(DamagedFiles, SettingsFile)
{
    if (!bodyRunsWherePermissionsCount()) {
        return;
    }
    chooseAfterDamage = true;
    everyDamage(
        program.settingsFile(),
        [&](frmMain& window, const QString&) {
            EXPECT_EQ(titles(), "NO FILE SELECTED");
            EXPECT_EQ(window.Combo2->currentIndex(), 0);
            EXPECT_EQ(window.nCmdCount, 3);
        },
        [&](const QString& how, const QByteArray& sound) {
            if (how == "a folder") {
                EXPECT_TRUE(QFileInfo(program.settingsFile()).isDir());
            } else if (how == "unreadable") {
                EXPECT_TRUE(QFile::setPermissions(program.settingsFile(), QFileDevice::ReadOwner));
                EXPECT_EQ(stored(), sound);
            } else {
                EXPECT_TRUE(stored().startsWith(how == "garbage" ? kGarbage : QByteArray()));
                EXPECT_TRUE(storedLastFile());
            }
        });
}

// The start says no driver is installed; a port typed into the list still
// opens; the stored port entry is kept for the next start.
TEST_F(DamagedFiles, RegistryFile)
{
    if (!bodyRunsWherePermissionsCount()) {
        return;
    }
    everyDamage(
        qEnvironmentVariable("XDG_RUNTIME_DIR") + "/kvr/registry.reg",
        [&](frmMain& window, const QString&) {
            EXPECT_EQ(titles(), "Orvelle;No KVR Drivers Loaded!");
            EXPECT_EQ(window.Combo2->count(), 0);
            EXPECT_FALSE(window.btnOpen->isEnabled());
            EXPECT_EQ(window.nCmdCount, 3);
        },
        [&](const QString&, const QByteArray&) { EXPECT_TRUE(stored().contains("Port_Num= 1")); });
}

// The start says why the file cannot be read (for a folder it asks for
// another, here cancelled) and shows that no list is loaded; the window still
// tests the port, and the file's path is kept for the next start.
TEST_F(DamagedFiles, CommandFile)
{
    if (!bodyRunsWherePermissionsCount()) {
        return;
    }
    const QMap<QString, QString> reasons{{"garbage", "it is not an Excel 97-2003 workbook (.xls)."},
                                         {"empty", "the file is empty."},
                                         {"unreadable", "it cannot be opened for reading."}};
    const auto noList = [](frmMain& window) {
        EXPECT_EQ(window.nCmdCount, 0);
        EXPECT_EQ(window.txtCommandList->text(), "Please select a command file");
        EXPECT_FALSE(window.btnSend->isEnabled());
        EXPECT_EQ(window.btnSend->backColor(), sendColour::kWaitingForSerial);
    };
    everyDamage(
        commandFile,
        [&](frmMain& window, const QString& how) {
            if (how == "a folder") {
                EXPECT_EQ(titles(), "NO FILE SELECTED");
                EXPECT_EQ(desktop.fileRequests.size(), 1u);
            } else {
                ASSERT_EQ(titles(), "Orvelle");
                EXPECT_EQ(desktop.messages[0].style, 48);
                EXPECT_EQ(desktop.messages[0].text,
                          "Cannot read the command file " + commandFile + ": " + reasons[how]);
            }
            noList(window);
        },
        [&](const QString&, const QByteArray&) { EXPECT_TRUE(storedLastFile()); });

    // A sound workbook whose first row names no command is refused as well.
    writeFile(commandFile, readFile(madeFixture("no-command-names.xls")));
    auto window = start();
    EXPECT_EQ(titles(), "Orvelle");
    EXPECT_EQ(desktop.messages[0].text, "No command names found in the Commands.XLS file.");
    noList(*window);
    close(window);
    EXPECT_TRUE(storedLastFile());
}

} // namespace
