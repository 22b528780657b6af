#pragma once

#include "ui/DesktopServices.h"

// The desktop services as the user meets them: Qt's dialogs and the system beep.
class QtDesktopServices final : public DesktopServices {
public:
    void messageBox(const QString& text, int style, const QString& title) override;
    using DesktopServices::messageBox;
    void beep() override;
    std::optional<QString> chooseFileToOpen(const OpenFileRequest& request) override;
    void startProgram(const QString& commandLine) override;
    void openFolder(const QString& folder) override;
};

// Starts a program from a command line without waiting for it. The program name runs up to the
// first blank; everything after that blank is handed over unchanged as one argument, so a path
// holding blanks needs no quotes. False when the program cannot be started.
bool startCommandLine(const QString& commandLine);
