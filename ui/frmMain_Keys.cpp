#include "ui/SortedComboBox.h"
#include "ui/frmMain.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QTimer>

// Enter in the port list and in the serial-number box: passed on to the
// handlers as key code 13, and on to the control unchanged. The port list
// takes the keys itself while it has the focus and hands them to its text
// field by a direct call that passes no filter; a key sent to the text field
// itself does pass its filter. Either way one of the two sees it, once.
//
// The handler runs once the key has been delivered: neither box takes Enter,
// so the key press goes on to the window after the filter, and were the open
// dialogue run in between, the press would reach the window after its
// release and the program would take Enter for held down.
bool frmMain::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<const QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            if (watched == Combo2 || watched == Combo2->lineEdit()) {
                QTimer::singleShot(0, this, [this] {
                    if (allows(UserAction::Test)) {
                        Combo2_KeyPress(13);
                    }
                });
            } else if (watched == txtSerialNumber) {
                QTimer::singleShot(0, this, [this] {
                    if (allows(UserAction::Go)) {
                        txtSerialNumber_KeyPress(13);
                    }
                });
            }
        }
    }
    return QMainWindow::eventFilter(watched, event);
}
