#pragma once

#include <QMainWindow>

#include <array>

class AutoSizeLabel;
class ColourButton;
class DesktopServices;
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

// The program's working window. Its controls, window variables and handlers
// keep their design names; each subsystem defines its own members in its own
// folder (lifecycle in app/, layout here, the port in device/, the command
// file in commands/, the settings file in settings/).
class frmMain : public QMainWindow {
    Q_OBJECT

public:
    // `programFile` is the program's own file; the settings file lies beside it.
    frmMain(DesktopServices& desktop, QString programFile, QWidget* parent = nullptr);
    ~frmMain() override;

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
    // Placement read from the settings while loading and on activation (twips).
    qint32 nTop = 0;
    qint32 nLeft = 0;
    qint32 nWidth = 0;
    qint32 nHeight = 0;
    qint16 nWinState = 0;

    // Lifecycle (app/).
    void Form_Load();
    void Form_Activate();
    void Form_QueryUnload(qint16& Cancel);
    void Form_Unload();
    void btnExit_Click();
    void mnuFileExit_Click();
    void Timer1_Timer();

    // Layout (ui/).
    void Form_Resize();

    // Settings file (settings/).
    QString GetConfigFileName() const;
    void GetLastSettings();
    void GetFormPosition(QWidget& MyForm, qint32& nTop, qint32& nLeft, qint32& nWidth,
                         qint32& nHeight, qint16& nWinState);
    void SaveCurrentSettings();
    void SaveFormPosition(QWidget& MyForm);

    // Command file (commands/). Reading returns false when the file could not
    // be read as a workbook.
    bool ReadCommandExcelFile(QString& CmdListFilename);
    void mnuFileOpen_Click();

    // Driver discovery (device/): fills Combo2 from the drivers' records.
    QString ReadRegistry(quint32 Group, const QString& Section, const QString& Key);
    void DiscoverDrivers();

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void createControls();
    void createMenus();
    void chainTabOrder();
    void RestorePlacement();

    DesktopServices& desktop_;
    QString programFile_;
};
