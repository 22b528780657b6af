#include "records/RunRecordStore.h"
#include "settings/FormSettings.h"
#include "settings/NumberForm.h"
#include "settings/SettingsFile.h"
#include "ui/SortedComboBox.h"
#include "ui/WindowPlacement.h"
#include "ui/frmMain.h"

#include <QFileInfo>
#include <QScreen>

#include <algorithm>
#include <cstdlib>

namespace {

const QString kSettings = QStringLiteral("Settings");
const QString kWindowState = QStringLiteral("WindowState");
const QString kCurrentPort = QStringLiteral("Current_Port");
const QString kPortNum = QStringLiteral("Port_Num");
const QString kFile = QStringLiteral("File");
const QString kLastFile = QStringLiteral("LastFile");
const QString kRunRecords = QStringLiteral("Run_Records");
const QString kFolder = QStringLiteral("Folder");
const QString kKeep = QStringLiteral("Keep");

#ifdef _WIN32
const QString kDefaultCommandFile = QStringLiteral(".\\Commands.xls");
#else
const QString kDefaultCommandFile = QStringLiteral("./Commands.xls");
#endif

constexpr int kNumberBuffer = 40;
constexpr int kPathBuffer = 255;
// A shared folder's path may be long.
constexpr int kFolderBuffer = 1024;

TwipsSize screenSize(const QWidget& window)
{
    const QSize pixels = window.screen()->geometry().size();
    return {toTwips(pixels.width()), toTwips(pixels.height())};
}

// The settings file, and the one installed beside the program that stands in
// for it while it does not exist.
SettingsFile settingsFile(const QString& file, const QString& programFile)
{
    const QString beside = settingsFileName(programFile);
    return SettingsFile(file, file == beside ? QString() : beside);
}

} // namespace

QString frmMain::GetConfigFileName() const
{
    // Where the settings go is found out once, at the first read.
    if (configFileName_.isEmpty()) {
        configFileName_ = settingsFileFor(programFile_);
    }
    return configFileName_;
}

void frmMain::SaveFormPosition(QWidget& MyForm)
{
    WindowPlacement placement = windowPlacement(MyForm);
    // The main window stores the outer size that its layout counts, which
    // comes back as the same size; a window manager's frame may be another.
    if (&MyForm == this) {
        placement.width = OuterSize().width;
        placement.height = OuterSize().height;
    }
    const SettingsFile settings = settingsFile(GetConfigFileName(), programFile_);
    const QString section = windowSection(MyForm.objectName());
    settings.write(section, kSettings, formSettingsValue(placement));
    settings.write(section, kWindowState, numberForm(windowStateValue(MyForm)));
}

void frmMain::GetFormPosition(QWidget& MyForm, qint32& nTop, qint32& nLeft, qint32& nWidth,
                              qint32& nHeight, qint16& nWinState)
{
    const SettingsFile settings = settingsFile(GetConfigFileName(), programFile_);
    const QString section = windowSection(MyForm.objectName());
    const QString stored = settings.read(section, kSettings, QString(), kNumberBuffer);
    const WindowPlacement placement = fitToScreen(
        stored.contains(QLatin1Char(',')) ? parseFormSettings(stored) : windowPlacement(MyForm),
        screenSize(MyForm));
    nTop = placement.top;
    nLeft = placement.left;
    nWidth = placement.width;
    nHeight = placement.height;
    const qint32 state =
        leadingNumber(settings.read(section, kWindowState, QString(), kNumberBuffer));
    nWinState = static_cast<qint16>(std::min<qint64>(std::abs(qint64(state)), 32767));
}

void frmMain::SaveCurrentSettings()
{
    const SettingsFile settings = settingsFile(GetConfigFileName(), programFile_);
    if (Combo2->ListIndex() >= 0) {
        settings.write(kCurrentPort, kPortNum, numberForm(Combo2->ListIndex()));
    }
    if (nCmdCount > 0) {
        settings.write(kFile, kLastFile, sCmdFile);
    }
}

void frmMain::GetLastSettings()
{
    const SettingsFile settings = settingsFile(GetConfigFileName(), programFile_);
    const QString port = settings.read(kCurrentPort, kPortNum, QString(), kNumberBuffer);
    const qint32 entry = leadingNumber(port);
    // A negative entry can only come from a hand-edited file; it selects nothing.
    if (Combo2->ListIndex() >= 0 && !port.isEmpty() && entry >= 0 && entry < Combo2->count()) {
        Combo2->setCurrentIndex(entry);
    }
    const QString lastFile = settings.read(kFile, kLastFile, kDefaultCommandFile, kPathBuffer);
    if (lastFile.size() > 1) {
        sCmdFile = lastFile;
    }
}

bool frmMain::GetRunRecordsFolder(QString& folder)
{
    const SettingsFile settings = settingsFile(GetConfigFileName(), programFile_);
    if (settings.read(kRunRecords, kKeep, QString(), kNumberBuffer).trimmed() == u'0') {
        return false;
    }
    folder = runRecordsFolder(settings.read(kRunRecords, kFolder, QString(), kFolderBuffer),
                              QFileInfo(GetConfigFileName()).absolutePath());
    return true;
}
