#include "app/TerminationSignals.h"

#include "ui/frmMain.h"

#include <QPointer>

#include <cstdlib>

namespace {

QPointer<frmMain> windowAtExit;

void unloadWindowAtExit()
{
    if (windowAtExit && windowAtExit->isVisible()) {
        windowAtExit->Form_UnloadWithoutDisplay();
    }
}

} // namespace

void storeSettingsAtExit(frmMain* window)
{
    static const bool registered = std::atexit(unloadWindowAtExit) == 0;
    if (registered) {
        windowAtExit = window;
    }
}

#ifndef _WIN32
#include "ui/ModalWindows.h"

#include <QSocketNotifier>
#include <QTimer>
#include <QWidget>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int signalPipe[2] = {-1, -1};

extern "C" void onTerminationSignal(int)
{
    const int savedErrno = errno;
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = write(signalPipe[1], &byte, 1);
    errno = savedErrno;
}

// Tries again until the window has closed: a modal window's loop may still
// have to return, the close may be refused while the port is being opened,
// and the close may show a message of its own.
constexpr int kRetryMs = 10;

void endProgram(const QPointer<QWidget>& window, QTimer& retry)
{
    if (!window || !window->isVisible()) {
        return;
    }
    modal::closeAll();
    // Started first: the close may show a message, whose loop the next try closes.
    retry.start();
    if (!modal::anyRunning()) {
        window->close();
    }
}

} // namespace

void closeOnTerminationSignals(QWidget* window)
{
    if (signalPipe[0] < 0) {
        if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, signalPipe) != 0) {
            return;
        }
        struct sigaction action {};
        action.sa_handler = onTerminationSignal;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        for (const int signal : {SIGTERM, SIGHUP, SIGINT}) {
            sigaction(signal, &action, nullptr);
        }
    }
    auto* notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, window);
    auto* retry = new QTimer(window);
    retry->setSingleShot(true);
    retry->setInterval(kRetryMs);
    QPointer<QWidget> target(window);
    QObject::connect(retry, &QTimer::timeout, window,
                     [target, retry] { endProgram(target, *retry); });
    QObject::connect(notifier, &QSocketNotifier::activated, window, [target, retry] {
        char bytes[16];
        while (read(signalPipe[0], bytes, sizeof bytes) > 0) {
        }
        endProgram(target, *retry);
    });
}

#else
// On Windows the end of a session reaches the windows as an ordinary close request.
void closeOnTerminationSignals(QWidget*) {}
#endif
