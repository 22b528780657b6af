#pragma once

#include "support/WindowAccess.h"
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
    access(window).nCmdCount() = 0;
    for (const auto& [line, waitReply] : entries) {
        access(window).sCmdList()[access(window).nCmdCount()] = line;
        access(window).bWaitReply()[access(window).nCmdCount()] = waitReply;
        ++access(window).nCmdCount();
    }
    access(window).txtSerialNumber()->setVisible(needsSerial);
    access(window).lblSerialNumber()->setVisible(needsSerial);
}
