#include "records/RunRecordStore.h"
#include "ui/AutoSizeLabel.h"
#include "ui/DesktopServices.h"
#include "ui/SortedComboBox.h"
#include "ui/TextBox.h"
#include "ui/VersionTexts.h"
#include "ui/frmMain.h"

#include <QDir>
#include <QFileInfo>
#include <QSysInfo>

void frmMain::NotePortOfRun(RunRecord& run) const
{
    run.portEntry = Combo2->currentText();
    run.portNumber = lblCurrPort->text();
    run.driverVersion = txtDeviceDriver->text();
    run.readerVersion = lblDevice->text();
}

void frmMain::SaveRunRecord(RunRecord run, RunOutcome outcome)
{
    QString folder;
    if (!GetRunRecordsFolder(folder)) {
        return;
    }
    run.ended = QDateTime::currentDateTime();
    run.outcome = outcome;
    // A stored path may be relative to the working folder: the record names the file itself.
    run.commandFile = QDir::toNativeSeparators(QFileInfo(sCmdFile).absoluteFilePath());
    run.commandFileSha256 = commandFileSha256_;
    run.computer = QSysInfo::machineHostName();
    run.programVersion = versionNumber();
    const QString transcript = txtCommandList->text();
    if (const std::optional<QString> why = saveRunRecord(folder, run, transcript)) {
        const bool lineEnded = transcript.isEmpty() || transcript.endsWith(u'\n');
        txtCommandList->appendText((lineEnded ? QString() : QStringLiteral("\r\n")) +
                                   QStringLiteral(" Run record not saved: ") + *why);
        txtCommandList->showAppendedText();
    }
}

void frmMain::mnuFileRunRecords_Click()
{
    QString folder;
    if (!GetRunRecordsFolder(folder)) {
        desktop_.messageBox(
            QStringLiteral("Run records are turned off (Keep=0 in [Run_Records] of ") +
                QDir::toNativeSeparators(GetConfigFileName()) + QStringLiteral(")."),
            messageStyle::kInformation);
        return;
    }
    if (!QDir().mkpath(folder)) {
        desktop_.messageBox(QStringLiteral("Cannot make the run records folder ") +
                                QDir::toNativeSeparators(folder) + QStringLiteral("."),
                            messageStyle::kExclamation);
        return;
    }
    desktop_.openFolder(folder);
}
