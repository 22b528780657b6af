#include "device/MSComm.h"
#include "support/QtPrinters.h"
#include "support/RecordingDesktop.h"
#include "support/TempProgram.h"
#include "ui/AutoSizeLabel.h"
#include "ui/ColourButton.h"
#include "ui/LineShape.h"
#include "ui/SortedComboBox.h"
#include "ui/TextBox.h"
#include "ui/frmMain.h"

#include <QApplication>
#include <QClipboard>
#include <QFontDatabase>
#include <QFontInfo>
#include <QGroupBox>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

class frmMainDesign : public testing::Test {
protected:
    void showWindow()
    {
        window.show();
        QApplication::setActiveWindow(&window);
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    }

    TempProgram program;
    RecordingDesktop desktop;
    frmMain window{desktop, program.file()};
};

const QColor kDarkBlue(0, 0, 192);

QColor pixelOf(QWidget* widget, QPoint at)
{
    return widget->grab().toImage().pixelColor(at);
}

TEST_F(frmMainDesign, CaptionsAndTextsAreTheDesignedOnes)
{
    EXPECT_EQ(window.windowTitle(), "Orvelle");
    EXPECT_FALSE(window.windowIcon().isNull());
    EXPECT_EQ(window.txtCommandList->text(), "Loading command file\r\nPlease wait...\r\n");
    EXPECT_EQ(window.lblSerialNumber->text(), "Type in the Serial Number then click Go:");
    EXPECT_EQ(window.txtSerialNumber->text(), "");
    EXPECT_EQ(window.txtSerialNumber->maxLength(), 16);
    EXPECT_EQ(window.btnSend->text(), "&Go");
    EXPECT_EQ(window.btnExit->text(), " E&xit  ");
    EXPECT_EQ(window.btnExit->toolTip(), "Click to exit");
    EXPECT_EQ(window.frmKVRPort->title(), "Select the virtual com port ");
    EXPECT_EQ(window.Combo2->currentText(), "");
    EXPECT_TRUE(window.Combo2->isEditable());
    EXPECT_EQ(window.btnOpen->text(), "&Test");
    EXPECT_EQ(window.Label3->text(), " Driver: ");
    EXPECT_EQ(window.txtDeviceDriver->text(), "closed\r\n");
    EXPECT_EQ(window.D->text(), " Device: ");
    EXPECT_EQ(window.lblDevice->text(), "none");
    EXPECT_EQ(window.frmLastUsed->title(), "Last opened:");
    EXPECT_EQ(window.txtCurrName->text(), "");
    EXPECT_EQ(window.Label2->text(), "Com Port:");
    EXPECT_EQ(window.lblCurrPort->text(), "");
    EXPECT_EQ(window.lblCurrPort->frameShape(), QFrame::Box);
    EXPECT_EQ(window.lblCurrPort->parentWidget(), window.frmLastUsed);
    EXPECT_EQ(window.frmLastUsed->parentWidget(), window.frmKVRPort);
    EXPECT_EQ(window.txtDeviceDriver->geometry(), QRect(960 / 15, 615 / 15, 6375 / 15, 480 / 15));
    for (QLabel* label : {window.Label3, window.D, window.Label2, window.lblSerialNumber}) {
        EXPECT_TRUE(label->alignment() & Qt::AlignRight) << label->objectName().toStdString();
    }
}

TEST_F(frmMainDesign, FontsFallBackToMetricCompatibleOnes)
{
    const auto family = [](QWidget* w) { return QFontInfo(w->font()).family(); };
    if (!QFontDatabase::hasFamily("Courier New")) {
        EXPECT_EQ(family(window.txtCommandList), "Liberation Mono");
        EXPECT_EQ(family(window.Combo2), "Liberation Mono");
    }
    if (!QFontDatabase::hasFamily("MS Sans Serif")) {
        EXPECT_EQ(family(window.btnExit), "Liberation Sans");
        EXPECT_EQ(family(window.Label3), "Liberation Sans");
    }
    EXPECT_DOUBLE_EQ(window.btnExit->font().pointSizeF(), 8.25);
    EXPECT_DOUBLE_EQ(window.Label3->font().pointSizeF(), 9.75);
    EXPECT_TRUE(window.btnSend->font().bold());
    EXPECT_TRUE(window.lblCurrPort->font().bold());
    EXPECT_DOUBLE_EQ(window.lblCurrPort->font().pointSizeF(), 11.25);
    EXPECT_FALSE(window.btnExit->font().bold());
}

TEST_F(frmMainDesign, ColoursShowOnScreen)
{
    showWindow();
    const QColor red = pixelOf(window.btnSend, QPoint(5, window.btnSend->height() / 2));
    EXPECT_EQ(red, QColor(255, 0, 0)) << red.name().toStdString();
    EXPECT_EQ(window.btnSend->backColor(), QColor(255, 0, 0));

    for (QWidget* blue : std::initializer_list<QWidget*>{window.txtDeviceDriver, window.lblDevice,
                                                         window.txtCurrName, window.lblCurrPort}) {
        EXPECT_EQ(blue->palette().color(QPalette::Text), kDarkBlue);
        EXPECT_EQ(blue->palette().color(QPalette::WindowText), kDarkBlue);
    }
    const QColor buttonFace = window.palette().color(QPalette::Button);
    EXPECT_EQ(pixelOf(window.txtCurrName->viewport(), QPoint(3, 3)), buttonFace);
    EXPECT_EQ(pixelOf(window.txtDeviceDriver->viewport(), QPoint(3, 3)), buttonFace);

    // The separator line is black and two pixels thick.
    const QImage frame = window.frmKVRPort->grab().toImage();
    const QPoint onLine(100, 1155 / 15);
    EXPECT_EQ(frame.pixelColor(onLine), QColor(Qt::black));
    EXPECT_EQ(frame.pixelColor(onLine - QPoint(0, 1)), QColor(Qt::black));
    EXPECT_NE(frame.pixelColor(onLine + QPoint(0, 1)), QColor(Qt::black));
    EXPECT_NE(frame.pixelColor(onLine - QPoint(0, 2)), QColor(Qt::black));
}

TEST_F(frmMainDesign, SerialNumberRowStartsHidden)
{
    showWindow();
    EXPECT_FALSE(window.lblSerialNumber->isVisible());
    EXPECT_FALSE(window.txtSerialNumber->isVisible());
    EXPECT_TRUE(window.btnSend->isVisible());
}

TEST_F(frmMainDesign, TabVisitsTheControlsInDesignOrderSkippingHiddenOnes)
{
    showWindow();
    window.btnSend->setFocus();
    QStringList visited;
    for (int i = 0; i < 8; ++i) {
        QWidget* focus = QApplication::focusWidget();
        ASSERT_NE(focus, nullptr);
        // The combo box's text field stands for the combo box.
        if (focus->parentWidget() == window.Combo2) {
            focus = window.Combo2;
        }
        visited << focus->objectName();
        QTest::keyClick(focus, Qt::Key_Tab);
    }
    EXPECT_EQ(visited, (QStringList{"btnSend", "Combo2", "btnExit", "btnOpen", "txtCurrName",
                                    "txtDeviceDriver", "txtCommandList", "btnSend"}));

    window.txtSerialNumber->show();
    window.txtCommandList->setFocus();
    QTest::keyClick(window.txtCommandList, Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), window.txtSerialNumber);
}

TEST_F(frmMainDesign, AccessKeysPressTheirButtons)
{
    showWindow();
    QSignalSpy go(window.btnSend, &QPushButton::clicked);
    QSignalSpy test(window.btnOpen, &QPushButton::clicked);
    // A button pressed by its access key shows itself pressed for a moment, then clicks.
    QTest::keyClick(&window, Qt::Key_G, Qt::AltModifier);
    EXPECT_TRUE(QTest::qWaitFor([&go] { return go.count() == 1; }, 2000));
    QTest::keyClick(&window, Qt::Key_T, Qt::AltModifier);
    EXPECT_TRUE(QTest::qWaitFor([&test] { return test.count() == 1; }, 2000));
    EXPECT_EQ(go.count(), 1);
    for (QPushButton* button : window.findChildren<QPushButton*>()) {
        EXPECT_FALSE(button->isDefault());
    }
    QTest::keyClick(&window, Qt::Key_X, Qt::AltModifier);
    EXPECT_TRUE(QTest::qWaitFor([this] { return !window.isVisible(); }, 2000));
}

TEST_F(frmMainDesign, MenusHaveTheirEntriesAccessKeysAndSeparators)
{
    const QList<QAction*> bar = window.menuBar()->actions();
    ASSERT_EQ(bar.size(), 2);
    EXPECT_EQ(bar[0]->text(), "&File");
    EXPECT_EQ(bar[1]->text(), "&Help");
    EXPECT_EQ(bar[0]->menu(), window.mnuFile);
    EXPECT_EQ(bar[1]->menu(), window.mnuHelp);

    const auto entries = [](QMenu* menu) {
        QStringList texts;
        for (const QAction* action : menu->actions()) {
            texts << (action->isSeparator() ? QStringLiteral("-") : action->text());
            EXPECT_TRUE(action->shortcut().isEmpty());
        }
        return texts;
    };
    EXPECT_EQ(entries(window.mnuFile), (QStringList{"&Open", "-", "E&xit"}));
    EXPECT_EQ(entries(window.mnuHelp), (QStringList{"Show &Help", "-", "&About Orvelle..."}));
    EXPECT_TRUE(window.mnuSep1->isSeparator());
    EXPECT_TRUE(window.mnuSep2->isSeparator());
}

TEST_F(frmMainDesign, TypingIntoTheTranscriptIsDiscardedButItCanBeCopied)
{
    showWindow();
    const QString before = window.txtCommandList->text();
    window.txtCommandList->setFocus();
    QTest::keyClicks(window.txtCommandList, "typed");
    QTest::keyClick(window.txtCommandList, Qt::Key_Backspace);
    QTest::keyClick(window.txtCommandList, Qt::Key_Delete);
    QTest::keyClick(window.txtCommandList, Qt::Key_Return);
    EXPECT_EQ(window.txtCommandList->text(), before);

    QApplication::clipboard()->clear();
    QTest::keyClick(window.txtCommandList, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(window.txtCommandList, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QApplication::clipboard()->text(), "Loading command file\nPlease wait...\n");
}

TEST_F(frmMainDesign, PortListStaysSortedWhateverTheOrderOfAdding)
{
    window.Combo2->addSorted("Reader B (COM6)");
    window.Combo2->addSorted("reader a (COM9)");
    window.Combo2->addSorted("Reader C (COM5)");
    window.Combo2->addSorted("Reader A (COM7)");
    QStringList entries;
    for (int i = 0; i < window.Combo2->count(); ++i) {
        entries << window.Combo2->itemText(i);
    }
    EXPECT_EQ(entries, (QStringList{"Reader A (COM7)", "reader a (COM9)", "Reader B (COM6)",
                                    "Reader C (COM5)"}));

    // Enter in the text field adds nothing to the list.
    showWindow();
    window.Combo2->setFocus();
    window.Combo2->setEditText("typed");
    QTest::keyClick(window.Combo2, Qt::Key_Return);
    EXPECT_EQ(window.Combo2->count(), 4);
}

TEST_F(frmMainDesign, Timer1TicksEverySixtyMilliseconds)
{
    EXPECT_TRUE(window.Timer1->isActive());
    EXPECT_EQ(window.Timer1->interval(), 60);

    window.nTicksLeft = 2;
    window.Timer1_Timer();
    EXPECT_EQ(window.nTicksLeft, 1);
    EXPECT_FALSE(window.bWaitOver);
    window.Timer1_Timer();
    EXPECT_EQ(window.nTicksLeft, 0);
    EXPECT_FALSE(window.bWaitOver);
    window.Timer1_Timer();
    EXPECT_EQ(window.nTicksLeft, 0);
    EXPECT_TRUE(window.bWaitOver);

    // The real timer drives the same rule.
    window.bWaitOver = false;
    window.nTicksLeft = 1;
    EXPECT_TRUE(QTest::qWaitFor([this] { return window.bWaitOver; }, 2000));
    EXPECT_EQ(window.nTicksLeft, 0);
}

} // namespace
