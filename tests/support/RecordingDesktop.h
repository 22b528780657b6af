#pragma once

#include "ui/DesktopServices.h"

#include <QStringList>

#include <functional>
#include <vector>

// Desktop services that never block: every call is recorded, and the test answers for the user.
class RecordingDesktop final : public DesktopServices {
public:
    struct Message {
        QString text;
        int style = 0;
        QString title;
    };

    void messageBox(const QString& text, int style, const QString& title) override
    {
        messages.push_back({text, style, title});
        if (whileMessageShown) {
            whileMessageShown(messages.back());
        }
    }
    using DesktopServices::messageBox;
    void beep() override { ++beeps; }
    std::optional<QString> chooseFileToOpen(const OpenFileRequest& request) override
    {
        fileRequests.push_back(request);
        return filesToChoose.isEmpty() ? std::nullopt : std::optional(filesToChoose.takeFirst());
    }
    void startProgram(const QString& commandLine) override { programsStarted << commandLine; }
    void openFolder(const QString& folder) override { foldersOpened << folder; }

    std::vector<Message> messages;
    int beeps = 0;
    std::vector<OpenFileRequest> fileRequests;
    QStringList programsStarted;
    QStringList foldersOpened;

    // What the user picks in the next open-file dialogs; nothing left means Cancel.
    QStringList filesToChoose;
    // Runs while a message box is up, to look at the program at that moment.
    std::function<void(const Message&)> whileMessageShown;
};
