#pragma once

#include "device/MSComm.h"
#include "ui/AutoSizeLabel.h"
#include "ui/ColourButton.h"
#include "ui/SortedComboBox.h"
#include "ui/TextBox.h"
#include "ui/frmMain.h"

#include <QAction>
#include <QLineEdit>
#include <QTimer>

// The main window's controls and variables, by their design names and of their own types, for
// tests and benches: the rest of the program cannot reach them.
struct WindowAccess {
    frmMain& window;

    auto& txtCommandList() const { return window.txtCommandList; }
    auto& lblSerialNumber() const { return window.lblSerialNumber; }
    auto& txtSerialNumber() const { return window.txtSerialNumber; }
    auto& btnSend() const { return window.btnSend; }
    auto& btnExit() const { return window.btnExit; }
    auto& Combo2() const { return window.Combo2; }
    auto& btnOpen() const { return window.btnOpen; }
    auto& txtDeviceDriver() const { return window.txtDeviceDriver; }
    auto& lblDevice() const { return window.lblDevice; }
    auto& txtCurrName() const { return window.txtCurrName; }
    auto& lblCurrPort() const { return window.lblCurrPort; }
    auto& mnuFileOpen() const { return window.mnuFileOpen; }
    auto& mnuFileRunRecords() const { return window.mnuFileRunRecords; }
    auto& mnuFileExit() const { return window.mnuFileExit; }
    auto& mnuShowHelp() const { return window.mnuShowHelp; }
    auto& mnuHelpAbout() const { return window.mnuHelpAbout; }
    auto& MSComm1() const { return window.MSComm1; }
    auto& Timer1() const { return window.Timer1; }
    auto& sCmdFile() const { return window.sCmdFile; }
    auto& sCmdList() const { return window.sCmdList; }
    auto& bWaitReply() const { return window.bWaitReply; }
    auto& nCmdCount() const { return window.nCmdCount; }
    auto& bReaderFound() const { return window.bReaderFound; }
    auto& sRawReply() const { return window.sRawReply; }
};

inline WindowAccess access(frmMain& window)
{
    return {window};
}

// Helpers that only look at a window take it as const; what they reach is the window's anyway.
inline WindowAccess access(const frmMain& window)
{
    return {const_cast<frmMain&>(window)};
}
