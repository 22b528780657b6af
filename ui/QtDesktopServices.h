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
};
