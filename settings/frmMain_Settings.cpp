#include "ui/WindowPlacement.h"
#include "ui/frmMain.h"

// The settings file arrives with its own change; until then nothing is stored
// and the window keeps the placement it has.

void frmMain::GetLastSettings() {}

void frmMain::GetFormPosition(QWidget& MyForm, qint32& nTop, qint32& nLeft, qint32& nWidth,
                              qint32& nHeight, qint16& nWinState)
{
    const WindowPlacement current = windowPlacement(MyForm);
    nTop = current.top;
    nLeft = current.left;
    nWidth = current.width;
    nHeight = current.height;
    nWinState = windowStateValue(MyForm);
}

void frmMain::SaveCurrentSettings() {}

void frmMain::SaveFormPosition(QWidget&) {}
