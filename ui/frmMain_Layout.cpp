#include "ui/AutoSizeLabel.h"
#include "ui/ColourButton.h"
#include "ui/LineShape.h"
#include "ui/MainLayout.h"
#include "ui/MainWindowDesign.h"
#include "ui/SortedComboBox.h"
#include "ui/TextBox.h"
#include "ui/frmMain.h"

#include <QGroupBox>
#include <QLineEdit>
#include <QResizeEvent>

void frmMain::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    Form_Resize();
}

void frmMain::Form_Resize()
{
    // Minimised, the controls keep their places until the window is restored.
    if (isMinimized()) {
        return;
    }
    const TwipsSize outer = OuterSize();
    const MainLayout l = layOutMainWindow(outer, toTwips(lblSerialNumber->height()));

    if (l.outer != outer) {
        // Spring back: grow the window by what the client area lacks. The
        // resize comes back here and lays the controls out at the new size.
        resize(size() + QSize(toPixels(l.outer.width - outer.width),
                              toPixels(l.outer.height - outer.height)));
        return;
    }

    frmKVRPort->setGeometry(toPixels(l.frmKVRPort));
    frmLastUsed->setGeometry(toPixels(l.frmLastUsed));
    txtCurrName->setGeometry(toPixels(l.txtCurrName));
    btnOpen->setGeometry(toPixels(l.btnOpen));
    Line2->setX2(l.line2X2);
    Combo2->setGeometry(toPixels(l.Combo2));
    btnSend->setGeometry(toPixels(l.btnSend));
    lblSerialNumber->move(lblSerialNumber->x(), toPixels(l.lblSerialNumberTop));
    txtSerialNumber->setGeometry(toPixels(l.txtSerialNumber));
    btnExit->setGeometry(toPixels(l.btnExit));
    txtCommandList->setGeometry(toPixels(l.txtCommandList));
}

// The client area below the menu bar plus the designed border, title bar and
// menu bar: the outer size whatever frame the window system draws.
TwipsSize frmMain::OuterSize() const
{
    const QSize client = centralWidget()->size();
    return {toTwips(client.width()) + design::nonClientArea.width,
            toTwips(client.height()) + design::nonClientArea.height};
}
