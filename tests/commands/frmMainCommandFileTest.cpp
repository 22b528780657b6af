#include "commands/CommandFileSource.h"
#include "support/Fixtures.h"
#include "support/QtPrinters.h"
#include "support/RecordingDesktop.h"
#include "support/TempProgram.h"
#include "ui/AutoSizeLabel.h"
#include "ui/ColourButton.h"
#include "ui/SendButtonColours.h"
#include "ui/TextBox.h"
#include "ui/frmMain.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QLineEdit>

#include <gtest/gtest.h>

namespace {

class ReadingCommandFiles : public testing::Test {
protected:
    // A copy of a made fixture in the program's folder, under `name`.
    QString copy(const QString& fixture, const QString& name) const
    {
        const QString path = QDir(program.folder()).filePath(name);
        EXPECT_TRUE(QFile::copy(madeFixture(fixture), path));
        return path;
    }

    bool load(const QString& path)
    {
        window.sCmdFile = path;
        return window.ReadCommandExcelFile(window.sCmdFile);
    }

    QStringList commandList() const
    {
        QStringList lines;
        for (int i = 0; i < window.nCmdCount; ++i) {
            lines << window.sCmdList[i] + (window.bWaitReply[i] ? " (reply)" : "");
        }
        return lines;
    }

    TempProgram program;
    RecordingDesktop desktop;
    frmMain window{desktop, program.file()};
};

TEST_F(ReadingCommandFiles, AReadBuildsTheListPreviewTitleAndSerialRow)
{
    const QString path = copy("serial.xls", "serial.xls");
    ASSERT_TRUE(load(path));
    EXPECT_TRUE(desktop.messages.empty());
    EXPECT_EQ(commandList(),
              (QStringList{" Comment:Serial number follows", "/rawxact ABC{{sn}}DEF (reply)",
                           "/rawsend /write {{SN}}", "/rawxact /read back (reply)"}));
    const QString rule = QString(path.size() + 10, u'-');
    EXPECT_EQ(window.txtCommandList->text(),
              "Filename: " + path + "\r\n\r\n" + QString(path.size() + 10, u'=') +
                  "\r\nPreview of commands:\r\n" + rule +
                  "\r\n Comment:Serial number follows\r\n/rawxact ABC{{sn}}DEF\r\n"
                  "/rawsend /write {{SN}}\r\n/rawxact /read back\r\n" +
                  rule + "\r\nEnd of list\r\n");
    EXPECT_EQ(window.txtCommandList->textCursor().position(), 1);
    EXPECT_EQ(window.windowTitle(), "Orvelle 1.04.00 [" + path + "]");
    EXPECT_FALSE(window.txtSerialNumber->isHidden());
    EXPECT_FALSE(window.lblSerialNumber->isHidden());
    EXPECT_FALSE(window.btnSend->isEnabled());
    EXPECT_EQ(window.btnSend->backColor(), sendColour::kWaitingForSerial);

    // The next file needs no serial number: the row hides and the button is ready.
    ASSERT_TRUE(load(copy("text-codes.xls", "text-codes.xls")));
    EXPECT_EQ(window.nCmdCount, 3);
    EXPECT_TRUE(window.txtSerialNumber->isHidden());
    EXPECT_TRUE(window.btnSend->isEnabled());
    EXPECT_EQ(window.btnSend->backColor(), sendColour::kReady);
}

// A source that answers every path with the same cells.
class TableOfCells final : public CommandFileSource {
public:
    explicit TableOfCells(std::vector<cells::Row> rows)
        : rows_(std::move(rows))
    {
    }
    CommandRange cellsOf(const QString& absolutePath) override
    {
        paths << absolutePath;
        return rows_;
    }
    QStringList paths;

private:
    std::vector<cells::Row> rows_;
};

// Whatever a source answers, the window's list of 1001 entries is not written
// past its end: rows past A1:B1000 are not the file's. (The sanitizer build
// checks every index of the list.)
TEST_F(ReadingCommandFiles, RowsPastTheRangeAreNotTheFiles)
{
    using cells::Cell;
    std::vector<cells::Row> rows(
        2999, {Cell{Cell::Kind::Text, "R", 0}, Cell{Cell::Kind::Text, "/read", 0}});
    TableOfCells table(rows);
    window.setCommandFileSource(table);
    // The file must be there; what is in it is the table's to say.
    const QString path = QDir(program.folder()).filePath("list.xls");
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    ASSERT_TRUE(load(path));
    EXPECT_EQ(table.paths, QStringList{path});
    EXPECT_EQ(window.nCmdCount, 999);
    EXPECT_EQ(window.sCmdList[998], "/rawxact /read");
    EXPECT_TRUE(window.sCmdList[999].isEmpty());
}

TEST_F(ReadingCommandFiles, ASuccessfulReadIsRememberedAndThePathCleaned)
{
    const QString path = copy("text-codes.xls", "bench.xls  ");
    ASSERT_TRUE(load(path));
    EXPECT_EQ(window.sCmdFile, path.trimmed());
    EXPECT_EQ(window.windowTitle(), "Orvelle 1.04.00 [" + path.trimmed() + "]");
    QFile settings(program.settingsFile());
    ASSERT_TRUE(settings.open(QIODevice::ReadOnly));
    EXPECT_TRUE(settings.readAll().contains(("LastFile=" + path.trimmed()).toUtf8()));
}

TEST_F(ReadingCommandFiles, APathStoredOnWindowsIsFoundByItsBackslashes)
{
    // The workbook reader is already running, started in another folder: the
    // path is the program's, relative to the program's current folder.
    ASSERT_TRUE(load(copy("text-codes.xls", "Commands.xls")));
    const QString saved = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(program.folder()));
    const bool read = load(".\\Commands.xls");
    QDir::setCurrent(saved);
    EXPECT_TRUE(read);
    EXPECT_EQ(window.nCmdCount, 3);
    EXPECT_EQ(window.windowTitle(), "Orvelle 1.04.00 [.\\Commands.xls]");
}

TEST_F(ReadingCommandFiles, RefusedFilesKeepTheLoadedList)
{
    ASSERT_TRUE(load(copy("text-codes.xls", "good.xls")));
    const QString preview = window.txtCommandList->text();
    const QString title = window.windowTitle();

    EXPECT_FALSE(load(copy("no-command-names.xls", "no-names.xls")));
    ASSERT_EQ(desktop.messages.size(), 1u);
    EXPECT_EQ(desktop.messages[0].text, "No command names found in the Commands.XLS file.");
    EXPECT_EQ(desktop.messages[0].style, 0);
    EXPECT_EQ(desktop.messages[0].title, "Orvelle");

    EXPECT_FALSE(load(keptFixture("damaged-crashes-freexl.xls")));
    ASSERT_EQ(desktop.messages.size(), 2u);
    EXPECT_TRUE(desktop.messages[1].text.startsWith("Cannot read the command file "));
    EXPECT_EQ(desktop.messages[1].style, 48);

    EXPECT_EQ(window.nCmdCount, 3);
    EXPECT_EQ(window.sCmdList[0], "/rawxact /read status");
    EXPECT_EQ(window.txtCommandList->text(), preview);
    EXPECT_EQ(window.windowTitle(), title);
    EXPECT_TRUE(window.btnSend->isEnabled());
}

TEST_F(ReadingCommandFiles, AMissingFileAsksForAnotherAndCancellingLeavesNoList)
{
    EXPECT_TRUE(load(QDir(program.folder()).filePath("missing.xls")));
    ASSERT_EQ(desktop.messages.size(), 1u);
    EXPECT_EQ(desktop.messages[0].text,
              "No command Excel file loaded.  Please select one after clicking OK.");
    EXPECT_EQ(desktop.messages[0].style, 64);
    EXPECT_EQ(desktop.messages[0].title, "NO FILE SELECTED");
    ASSERT_EQ(desktop.fileRequests.size(), 1u);
    const OpenFileRequest& request = desktop.fileRequests[0];
    EXPECT_EQ(request.title, "Select command file to use");
    EXPECT_EQ(request.filter, "Command File (*.xls)|*.xls");
    EXPECT_EQ(request.defaultExtension, "xls");
    EXPECT_EQ(request.initialFile, QDir(program.folder()).filePath("missing.xls"));
    EXPECT_EQ(request.initialFolder, program.folder());

    EXPECT_EQ(window.txtCommandList->text(), "Please select a command file");
    EXPECT_FALSE(window.btnSend->isEnabled());
    EXPECT_EQ(window.btnSend->backColor(), sendColour::kWaitingForSerial);

    // A folder is not a command file either.
    EXPECT_TRUE(load(program.folder()));
    EXPECT_EQ(desktop.messages.back().title, "NO FILE SELECTED");
}

TEST_F(ReadingCommandFiles, AMissingFileBehindALoadedListLeavesTheListUsable)
{
    ASSERT_TRUE(load(copy("text-codes.xls", "good.xls")));
    EXPECT_TRUE(load(QDir(program.folder()).filePath("gone.xls")));
    EXPECT_EQ(window.txtCommandList->text(), "");
    EXPECT_EQ(window.nCmdCount, 3);
    EXPECT_TRUE(window.btnSend->isEnabled());
}

TEST_F(ReadingCommandFiles, FileOpenReadsTheChosenFile)
{
    desktop.filesToChoose << copy("comments-only.xls", "chosen.xls");
    window.mnuFileOpen->trigger();
    ASSERT_EQ(desktop.fileRequests.size(), 1u);
    EXPECT_EQ(desktop.fileRequests[0].initialFile, "*.xls");
    EXPECT_EQ(window.nCmdCount, 3);
    EXPECT_EQ(window.sCmdFile, QDir(program.folder()).filePath("chosen.xls"));
    EXPECT_TRUE(window.btnSend->isEnabled());
    EXPECT_EQ(window.btnSend->backColor(), sendColour::kReady);

    // Files that are refused: the message, and the list stays with its path,
    // which is what Test and the close store.
    desktop.filesToChoose << copy("truncated.xls", "broken.xls")
                          << copy("no-command-names.xls", "no-names.xls");
    for (const QString start : {"Cannot read the command file ", "No command names found"}) {
        window.mnuFileOpen_Click();
        EXPECT_TRUE(desktop.messages.back().text.startsWith(start));
        EXPECT_EQ(window.nCmdCount, 3);
        EXPECT_TRUE(window.btnSend->isEnabled());
        EXPECT_EQ(window.sCmdFile, QDir(program.folder()).filePath("chosen.xls"));
    }
    window.SaveCurrentSettings();
    QFile settings(program.settingsFile());
    ASSERT_TRUE(settings.open(QIODevice::ReadOnly));
    EXPECT_TRUE(settings.readAll().contains(
        ("LastFile=" + QDir(program.folder()).filePath("chosen.xls") + "\n").toUtf8()));
}

TEST_F(ReadingCommandFiles, FileOpenOfAnUnreadableFileWithNoListAsksAgain)
{
    desktop.filesToChoose << copy("renamed-xlsx.xls", "new.xls");
    window.mnuFileOpen_Click();
    ASSERT_EQ(desktop.messages.size(), 1u);
    EXPECT_TRUE(desktop.messages[0].text.contains(".xlsx"));
    EXPECT_EQ(window.txtCommandList->text(), "Please select a command file");
    EXPECT_FALSE(window.btnSend->isEnabled());
}

} // namespace
