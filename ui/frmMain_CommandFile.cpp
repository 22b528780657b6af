#include "commands/CommandFilePath.h"
#include "commands/CommandFileReader.h"
#include "ui/AutoSizeLabel.h"
#include "ui/ColourButton.h"
#include "ui/DesktopServices.h"
#include "ui/SendButtonColours.h"
#include "ui/TextBox.h"
#include "ui/frmMain.h"

#include <QFileInfo>
#include <QLineEdit>

bool frmMain::ReadCommandExcelFile(QString& CmdListFilename)
{
    const BusyWith busy(*this, Busy::ReadingCommandFile);
    if (!FileExists(CmdListFilename)) {
        desktop_.messageBox(
            QStringLiteral("No command Excel file loaded.  Please select one after clicking OK."),
            messageStyle::kInformation, QStringLiteral("NO FILE SELECTED"));
        txtCommandList->setText(QString());
        mnuFileOpen_Click();
        return true;
    }

    const CommandFileRead read = readCommandFile(CmdListFilename);
    if (read.outcome == CommandFileRead::Outcome::Unreadable) {
        desktop_.messageBox(read.message, messageStyle::kExclamation);
        return false;
    }
    if (read.outcome == CommandFileRead::Outcome::NoCommandNames) {
        desktop_.messageBox(read.message, messageStyle::kPlain);
        return false;
    }

    // A command file holds at most 999 commands below its header, and the list room for 1001.
    static_assert(kCommandRows <= std::tuple_size_v<decltype(sCmdList)>);
    nCmdCount = 0;
    for (const CommandEntry& entry : read.list.entries) {
        if (std::size_t(nCmdCount) == sCmdList.size()) {
            break;
        }
        sCmdList[nCmdCount] = entry.line;
        bWaitReply[nCmdCount] = entry.waitReply;
        ++nCmdCount;
    }
    commandFileSha256_ = read.sha256;
    txtSerialNumber->setVisible(read.list.needsSerialNumber);
    lblSerialNumber->setVisible(read.list.needsSerialNumber);
    ShowGoState();
    btnSend->repaint();
    txtCommandList->setText(commandPreview(sCmdFile, read.list.entries));
    // The caret just after the first character brings the top of the preview into view.
    QTextCursor caret = txtCommandList->textCursor();
    caret.setPosition(1);
    txtCommandList->setTextCursor(caret);

    SaveCurrentSettings();
    sCmdFile = cleanedCommandFile(sCmdFile);
    setWindowTitle(commandFileTitle(sCmdFile));
    return true;
}

void frmMain::mnuFileOpen_Click()
{
    OpenFileRequest request;
    request.title = QStringLiteral("Select command file to use");
    request.filter = QStringLiteral("Command File (*.xls)|*.xls");
    request.defaultExtension = QStringLiteral("xls");
    // A relative path is relative to the current folder, not to the dialog's.
    request.initialFile = sCmdFile.isEmpty() ? QStringLiteral("*.xls")
                                             : QFileInfo(openablePath(sCmdFile)).absoluteFilePath();
    request.initialFolder = QFileInfo(programFile_).absolutePath();

    const QString loaded = sCmdFile;
    std::optional<QString> chosen;
    {
        const BusyWith busy(*this, Busy::ShowingDialog);
        chosen = desktop_.chooseFileToOpen(request);
    }
    if (chosen) {
        sCmdFile = *chosen;
        if (ReadCommandExcelFile(sCmdFile)) {
            return;
        }
        // A refused file is not kept: the path stored is that of the list on screen.
        sCmdFile = loaded;
    }
    // Cancelled, or the file could not be read.
    if (nCmdCount == 0) {
        ShowNoCommandList();
    }
}

void frmMain::ShowNoCommandList()
{
    btnSend->setEnabled(false);
    btnSend->setBackColor(sendColour::kWaitingForSerial);
    txtCommandList->setText(QStringLiteral("Please select a command file"));
}
