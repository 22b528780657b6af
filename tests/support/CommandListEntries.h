#pragma once

#include "ui/AutoSizeLabel.h"
#include "ui/frmMain.h"

#include <QLineEdit>
#include <QList>

#include <utility>

// Puts a command list into the window as a command file would leave it: each prepared line with
// whether a reply is awaited, and the serial-number row shown when the list asks for one.
inline void loadCommandList(frmMain& window, const QList<std::pair<QString, bool>>& entries,
                            bool needsSerial)
{
    window.nCmdCount = 0;
    for (const auto& [line, waitReply] : entries) {
        window.sCmdList[window.nCmdCount] = line;
        window.bWaitReply[window.nCmdCount] = waitReply;
        ++window.nCmdCount;
    }
    window.txtSerialNumber->setVisible(needsSerial);
    window.lblSerialNumber->setVisible(needsSerial);
}
