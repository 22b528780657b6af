#include "app/Module1.h"
#include "support/ManualClock.h"
#include "support/Fixtures.h"
#include "support/PermissionsCount.h"
#include "support/QtPrinters.h"
#include "support/RandomBytes.h"
#include "support/RecordingDesktop.h"
#include "support/SimulatedDriver.h"
#include "support/TempProgram.h"
#include "ui/ColourButton.h"
#include "ui/SendButtonColours.h"
#include "ui/SortedComboBox.h"
#include "ui/TextBox.h"
#include "ui/frmMain.h"

#include <QApplication>
#include <QDir>
#include <QKeyEvent>
#include <QPointer>
#include <QTest>

#include <gtest/gtest.h>

namespace {

using namespace std::chrono_literals;

QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QDir(path).removeRecursively();
    QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path.toStdString();
    ASSERT_EQ(file.write(bytes), bytes.size());
}

const QByteArray kGarbage = randomBytes(64 * 1024);

void damage(const QString& path, const QString& how)
{
    if (how == "a folder") {
        QFile::remove(path);
        ASSERT_TRUE(QDir().mkdir(path));
    } else if (how == "unreadable") {
        ASSERT_TRUE(QFile::setPermissions(path, QFileDevice::WriteOwner));
    } else {
        writeFile(path, how == "garbage" ? kGarbage : QByteArray());
    }
}

// The first start stores the command file chosen in the dialog and the second
// reader. Then each file in turn is damaged in each way before a start, which
// says what it could not read: the settings file silently (the defaults name
// a missing command file, so the program asks for one, and the user chooses
// it), the driver's records as no driver installed, the command file with its
// reason (for a folder it asks for another, here cancelled) and without a
// list. The user types the second reader into the port list and presses
// Enter: the reader is found. The close stores the settings only over a file
// it could read, keeping what it did not write, and what the first start
// stored is still there. Then the file is put back.
TEST(DamagedFiles, EachFileInEachWay)
{
    if (!bodyRunsWherePermissionsCount()) {
        return;
    }
    ManualClock clock;
    ClockDriver clockDriver{clock, 1s};
    TempProgram program;
    const QString commandFile = QDir(program.folder()).filePath("Bench.xls");
    ASSERT_TRUE(QFile::copy(madeFixture("text-codes.xls"), commandFile));
    SimulatedDriver driver{{"--readers", "2"}};
    ASSERT_TRUE(driver.ready());
    // Starts of the window as Main makes it; the desktop answers for the user.
    RecordingDesktop desktop;
    const auto start = [&](bool chooseCommandFile) {
        desktop = {};
        desktop.filesToChoose = chooseCommandFile ? QStringList{commandFile} : QStringList();
        QPointer<frmMain> window = Module1::Main(desktop, clock, program.file());
        window->Timer1->setInterval(5);
        return window;
    };
    const auto close = [](QPointer<frmMain>& window) {
        EXPECT_TRUE(window->close());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_TRUE(window.isNull());
    };
    const auto titles = [&desktop] {
        QStringList titles;
        for (const auto& message : desktop.messages) {
            titles << message.title;
        }
        return titles.join(';');
    };
    auto window = start(true);
    window->Combo2->setCurrentIndex(1);
    close(window);
    const QByteArray settings = readFile(program.settingsFile());
    const QByteArray lastFile = ("LastFile=" + commandFile).toUtf8();
    const QMap<QString, QString> reasons{{"garbage", "it is not an Excel 97-2003 workbook (.xls)."},
                                         {"empty", "the file is empty."},
                                         {"unreadable", "it cannot be opened for reading."}};
    for (const QString& path : {program.settingsFile(), commandFile,
                                qEnvironmentVariable("XDG_RUNTIME_DIR") + "/kvr/registry.reg"}) {
        const QByteArray sound = readFile(path);
        const bool settingsFile = path == program.settingsFile();
        const bool registry = path.endsWith(".reg");
        for (const QString how : {"garbage", "empty", "a folder", "unreadable"}) {
            SCOPED_TRACE((path + ", " + how).toStdString());
            damage(path, how);
            window = start(settingsFile);
            if (settingsFile) {
                EXPECT_EQ(titles(), "NO FILE SELECTED");
                EXPECT_EQ(window->Combo2->currentIndex(), 0);
            } else if (registry) {
                EXPECT_EQ(titles(), "Orvelle;No KVR Drivers Loaded!");
                EXPECT_EQ(window->Combo2->count(), 0);
                EXPECT_FALSE(window->btnOpen->isEnabled());
            } else if (how == "a folder") {
                EXPECT_EQ(titles(), "NO FILE SELECTED");
                EXPECT_EQ(desktop.fileRequests.size(), 1u);
            } else {
                ASSERT_EQ(titles(), "Orvelle");
                EXPECT_EQ(desktop.messages[0].text,
                          "Cannot read the command file " + commandFile + ": " + reasons[how]);
            }
            EXPECT_EQ(window->nCmdCount, path == commandFile ? 0 : 3);
            if (path == commandFile) {
                EXPECT_EQ(window->txtCommandList->text(), "Please select a command file");
                EXPECT_EQ(window->btnSend->backColor(), sendColour::kWaitingForSerial);
            }

            window->Combo2->setEditText("KVR Reader 1 (COM6)");
            QApplication::setActiveWindow(window);
            window->Combo2->setFocus();
            for (const auto type : {QEvent::KeyPress, QEvent::KeyRelease}) {
                QCoreApplication::postEvent(QApplication::focusWidget(),
                                            new QKeyEvent(type, Qt::Key_Return, Qt::NoModifier));
            }
            EXPECT_TRUE(QTest::qWaitFor([&window] { return window->bReaderFound; }, 5000));
            close(window);

            QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
            const QByteArray stored = readFile(program.settingsFile());
            if (settingsFile && how == "a folder") {
                EXPECT_TRUE(QFileInfo(path).isDir());
            } else if (settingsFile && how == "unreadable") {
                EXPECT_EQ(stored, settings);
            } else {
                EXPECT_TRUE(stored.startsWith(settingsFile && how == "garbage" ? kGarbage : ""));
                EXPECT_TRUE(stored.contains(lastFile));
                EXPECT_TRUE(stored.contains("Port_Num= 1"));
            }
            EXPECT_EQ(QDir(program.folder())
                          .entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
                      (QStringList{"Bench.xls", "Orvelle.INI"}));
            writeFile(path, sound);
            writeFile(program.settingsFile(), settings);
        }
    }
}

} // namespace
