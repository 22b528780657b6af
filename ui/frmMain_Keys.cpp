#include "ui/SortedComboBox.h"
#include "ui/frmMain.h"

#include <QKeyEvent>
#include <QLineEdit>

// Enter in the port list and in the serial-number box: passed on to the
// handlers as key code 13, and on to the control unchanged.
bool frmMain::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<const QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            if (watched == Combo2->lineEdit()) {
                Combo2_KeyPress(13);
            } else if (watched == txtSerialNumber) {
                txtSerialNumber_KeyPress(13);
            }
        }
    }
    return QMainWindow::eventFilter(watched, event);
}
