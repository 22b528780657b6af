#include "ui/QtDesktopServices.h"

#include "ui/MessageStyle.h"
#include "ui/ModalWindows.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QProcess>
#include <QUrl>

void QtDesktopServices::messageBox(const QString& text, int style, const QString& title)
{
    QMessageBox box(messageIcon(style), title, QString(text).replace(QLatin1String("\r\n"), "\n"),
                    QMessageBox::Ok, QApplication::activeWindow());
    modal::exec(box);
}

void QtDesktopServices::beep()
{
    QApplication::beep();
}

std::optional<QString> QtDesktopServices::chooseFileToOpen(const OpenFileRequest& request)
{
    QFileDialog dialog(QApplication::activeWindow(), request.title, request.initialFolder,
                       qtNameFilters(request.filter));
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setDefaultSuffix(request.defaultExtension);
    dialog.selectFile(request.initialFile);
    if (modal::exec(dialog) != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    return dialog.selectedFiles().constFirst();
}

bool startCommandLine(const QString& commandLine)
{
    const qsizetype blank = commandLine.indexOf(u' ');
    const QString name = commandLine.left(blank);
    const QStringList arguments =
        blank < 0 ? QStringList() : QStringList{commandLine.mid(blank + 1)};
    return !name.isEmpty() && QProcess::startDetached(name, arguments);
}

void QtDesktopServices::startProgram(const QString& commandLine)
{
    startCommandLine(commandLine);
}

void QtDesktopServices::openFolder(const QString& folder)
{
    QDesktopServices::openUrl(QUrl::fromLocalFile(folder));
}
