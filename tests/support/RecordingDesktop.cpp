#include "support/RecordingDesktop.h"

void RecordingDesktop::messageBox(const QString& text, int style, const QString& title)
{
    messages.push_back({text, style, title});
    if (whileMessageShown) {
        whileMessageShown(messages.back());
    }
}

std::optional<QString> RecordingDesktop::chooseFileToOpen(const OpenFileRequest& request)
{
    fileRequests.push_back(request);
    if (filesToChoose.isEmpty()) {
        return std::nullopt;
    }
    return filesToChoose.takeFirst();
}
