#pragma once

#include "ui/BusyState.h"
#include "ui/Twips.h"

#include <QMainWindow>

#include <array>

class AutoSizeLabel;
class Clock;
class ColourButton;
class DesktopServices;
class KeyWatch;
class LineShape;
class MSComm;
class QAction;
class QGroupBox;
class QLineEdit;
class QMenu;
class QPushButton;
class QTimer;
class SortedComboBox;
class TextBox;
enum class RunOutcome;
struct RunRecord;

// The program's working window. Its controls, window variables and handlers
// keep their design names; its members are defined beside it in files named
// frmMain_<Subject>.cpp, by what they serve.
class frmMain : public QMainWindow {
    Q_OBJECT

public:
    // `programFile` is the program's own file; the settings file lies beside it.
    // `clock` times the waits; tests give one they move by hand.
    frmMain(DesktopServices& desktop, const Clock& clock, QString programFile,
            QWidget* parent = nullptr);
    ~frmMain() override;

    // Loading, activation and closing (frmMain_Lifecycle.cpp).
    void Form_Load();
    void Form_Activate();
    void Form_QueryUnload(qint16& Cancel);
    void Form_Unload();
    // The unloading steps once the display is gone: the port closed without a
    // message, which nobody could see, and the settings stored.
    void Form_UnloadWithoutDisplay();
    void btnExit_Click();
    void mnuFileExit_Click();

    // Layout (frmMain_Layout.cpp).
    void Form_Resize();

    // Help and About (frmMain_Help.cpp).
    void mnuShowHelp_Click();
    void mnuHelpAbout_Click();

    // Settings file (frmMain_Settings.cpp).
    QString GetConfigFileName() const;
    void GetLastSettings();
    void GetFormPosition(QWidget& MyForm, qint32& nTop, qint32& nLeft, qint32& nWidth,
                         qint32& nHeight, qint16& nWinState);
    void SaveCurrentSettings();
    void SaveFormPosition(QWidget& MyForm);

    // The records folder, from the settings; false when run records are turned off.
    bool GetRunRecordsFolder(QString& folder);

    // Command file (frmMain_CommandFile.cpp). Reading returns false when the
    // file was refused: it could not be read as a workbook, or it names no command.
    bool ReadCommandExcelFile(QString& CmdListFilename);
    void mnuFileOpen_Click();

    // Driver discovery (frmMain_DriverDiscovery.cpp): fills Combo2 from the drivers' records.
    QString ReadRegistry(quint32 Group, const QString& Section, const QString& Key);
    void DiscoverDrivers();

    // Opening a port and detecting the reader, and the tick of its waits (frmMain_OpenPort.cpp).
    void btnOpen_Click();
    void Combo2_KeyPress(int KeyAscii);
    void SetClosedState();
    void ShowPleaseWait();
    void HideOpenPortButton();
    void SendLine(const QString& sLine);
    void Timer1_Timer();

    // Receive handling (frmMain_Receive.cpp).
    void MSComm1_OnComm();

    // Sending the command list (frmMain_Send.cpp).
    void btnSend_Click();
    void txtSerialNumber_Change();
    void txtSerialNumber_KeyPress(int KeyAscii);

    // The record of every run (frmMain_RunRecord.cpp).
    void mnuFileRunRecords_Click();

    // What the window is busy with; each user action asks whether it may run.
    Busy busy() const { return busy_; }
    bool allows(UserAction action) const { return responseTo(action, busy_) == Response::Run; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The controls and window variables are the window's own; tests and
    // benches reach them through WindowAccess (tests/support/).
    friend struct WindowAccess;

    // Controls on the window.
    TextBox* txtCommandList;
    AutoSizeLabel* lblSerialNumber;
    QLineEdit* txtSerialNumber;
    ColourButton* btnSend;
    QPushButton* btnExit;
    QGroupBox* frmKVRPort;
    // In frmKVRPort.
    SortedComboBox* Combo2;
    QPushButton* btnOpen;
    AutoSizeLabel* Label3;
    TextBox* txtDeviceDriver;
    LineShape* Line2;
    AutoSizeLabel* D;
    AutoSizeLabel* lblDevice;
    QGroupBox* frmLastUsed;
    TextBox* txtCurrName;
    // In frmLastUsed.
    AutoSizeLabel* Label2;
    AutoSizeLabel* lblCurrPort;

    // Menus.
    QMenu* mnuFile;
    QAction* mnuFileOpen;
    QAction* mnuFileRunRecords;
    QAction* mnuSep2;
    QAction* mnuFileExit;
    QMenu* mnuHelp;
    QAction* mnuShowHelp;
    QAction* mnuSep1;
    QAction* mnuHelpAbout;

    // Components without a face.
    MSComm* MSComm1;
    QTimer* Timer1;

    // Window variables.
    QString sCmdFile;
    // The command list: prepared lines, whether each awaits a reply, and how many are in use.
    std::array<QString, 1001> sCmdList;
    std::array<bool, 1001> bWaitReply{};
    qint16 nCmdCount = 0;
    bool bOpeningPort = false;
    qint16 nTicksLeft = 0;
    bool bWaitOver = false;
    bool bReaderFound = false;
    bool bDetecting = false;
    // A run of btnOpen_Click is in progress.
    bool bOpenBusy = false;
    QString sRawReply;
    // Placement read from the settings while loading and on activation (twips).
    qint32 nTop = 0;
    qint32 nLeft = 0;
    qint32 nWidth = 0;
    qint32 nHeight = 0;
    qint16 nWinState = 0;

    void createControls();
    void createMenus();
    void chainTabOrder();
    void RestorePlacement();
    // The window's outer size as the layout and the stored placement count it.
    TwipsSize OuterSize() const;
    // The open dialogue's waits: for N ticks of Timer1 or until the reply
    // ends it, `command` sent once the ticks count; false when the window is
    // being closed meanwhile.
    bool WaitTicks(qint16 ticks, const QString& command = {});
    bool WaitForReply(qint16 ticks, const QString& command);
    bool WaitForKeysReleased();
    void RefuseSelector(const QString& why);
    void OpenFailed();
    // The open dialogue on behalf of a send; false when the window is being closed meanwhile.
    bool OpenPortForSend();
    // A run of the command list as Go makes it; how it ended.
    RunOutcome SendCommandList(RunRecord& run);
    // The port, and the driver's and reader's versions, as the window shows them.
    void NotePortOfRun(RunRecord& run) const;
    // Keeps the run's record, unless turned off; a record not kept is said in the transcript.
    void SaveRunRecord(RunRecord run, RunOutcome outcome);
    // A handler as a user's action reaches it: run only when the window allows the action.
    auto userAction(UserAction action, void (frmMain::*handler)())
    {
        return [this, action, handler] {
            if (allows(action)) {
                (this->*handler)();
            }
        };
    }

    // Says what the window is busy with while it lives; then what it was before.
    class BusyWith {
    public:
        BusyWith(frmMain& window, Busy busy)
            : window_(window)
            , before_(window.busy_)
        {
            window.busy_ = busy;
        }
        ~BusyWith() { window_.busy_ = before_; }
        BusyWith(const BusyWith&) = delete;
        BusyWith& operator=(const BusyWith&) = delete;

    private:
        frmMain& window_;
        Busy before_;
    };
    void ShowOpenPortButton();
    // No command list is loaded: the preview asks for a file and Go waits for one.
    void ShowNoCommandList();
    // Go enabled and green, or disabled and light red while it waits for a serial number.
    void ShowGoState();

    DesktopServices& desktop_;
    const Clock& clock_;
    QString programFile_;
    mutable QString configFileName_;
    // The command list's file as it was read, for the run records.
    QString commandFileSha256_;
    KeyWatch* openKeys_;
    Busy busy_ = Busy::Idle;
    // Set once the window has been unloaded; a dialogue waiting then gives up.
    bool unloaded_ = false;
};
