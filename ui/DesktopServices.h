#pragma once

#include <QString>

#include <optional>

// What the open-file dialog is asked for. The filter is written as pairs of a
// description and a pattern joined by "|", e.g. "Command File (*.xls)|*.xls".
struct OpenFileRequest {
    QString title;
    QString filter;
    QString defaultExtension;
    QString initialFile;
    QString initialFolder;
};

// The style value of a message box: one icon value, plus a buttons value (0:
// OK only). Icon values may be added together; the box then shows the most
// severe one.
namespace messageStyle {
constexpr int kPlain = 0;
constexpr int kCritical = 16;
constexpr int kQuestion = 32;
constexpr int kExclamation = 48;
constexpr int kInformation = 64;
} // namespace messageStyle

// Everything that waits for the user or reaches outside the program: message
// boxes, the beep, the open-file dialog, starting another program and the file manager. The
// windows call these only through this interface, so tests can answer for the user.
class DesktopServices {
public:
    static inline const QString kProgramTitle = QStringLiteral("Orvelle");

    virtual ~DesktopServices() = default;

    // `style` is a value of messageStyle. Returns when dismissed.
    virtual void messageBox(const QString& text, int style, const QString& title) = 0;
    void messageBox(const QString& text, int style) { messageBox(text, style, kProgramTitle); }

    virtual void beep() = 0;

    // The chosen path, or nothing when the user cancels.
    virtual std::optional<QString> chooseFileToOpen(const OpenFileRequest& request) = 0;

    // Starts a program from a command line without waiting for it.
    virtual void startProgram(const QString& commandLine) = 0;

    // Shows a folder in the desktop's file manager without waiting for it.
    virtual void openFolder(const QString& folder) = 0;
};
