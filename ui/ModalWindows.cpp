#include "ui/ModalWindows.h"

#include <QDialog>
#include <QPointer>

#include <vector>

namespace modal {
namespace {

// The modal windows whose loops run, innermost last.
std::vector<QPointer<QDialog>>& running()
{
    static std::vector<QPointer<QDialog>> dialogs;
    return dialogs;
}

} // namespace

int exec(QDialog& dialog)
{
    running().emplace_back(&dialog);
    const int result = dialog.exec();
    running().pop_back();
    return result;
}

void closeAll()
{
    for (const QPointer<QDialog>& dialog : running()) {
        if (dialog) {
            dialog->reject();
        }
    }
}

bool anyRunning()
{
    return !running().empty();
}

} // namespace modal
