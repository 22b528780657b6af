#include "support/CommandListEntries.h"
#include "support/DriverLog.h"
#include "support/QtPrinters.h"
#include "support/RecordingDesktop.h"
#include "support/SimulatedDriver.h"
#include "support/TempProgram.h"
#include "ui/ColourButton.h"
#include "ui/SortedComboBox.h"
#include "ui/TextBox.h"

#include <QApplication>
#include <QGroupBox>
#include <QLineEdit>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <map>

namespace {

QWidget* focus()
{
    return QApplication::focusWidget();
}

// The main window shown and active as a user meets it; keys go to the focus.
class MainWindow : public testing::Test {
protected:
    void SetUp() override
    {
        window.show();
        QApplication::setActiveWindow(&window);
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    }

    TempProgram program;
    RecordingDesktop desktop;
    frmMain window{desktop, program.file()};
};

// Return or the keypad's Enter, released apart from the press as from the window system.
TEST_F(MainWindow, EnterInThePortListTheSerialBoxAndOnGoRunsTheDialogue)
{
    DriverLog log;
    SimulatedDriver driver({"--log", log.path()});
    ASSERT_TRUE(driver.ready());
    window.Combo2->setEditText("KVR Reader 0 (COM5)");
    loadCommandList(window, {{"/rawsend {{SN}}", false}}, true);
    for (QWidget* place : QWidgetList{window.Combo2, window.txtSerialNumber, window.btnSend}) {
        for (const auto& [key, modifiers] : {std::pair{Qt::Key_Return, Qt::NoModifier},
                                             std::pair{Qt::Key_Enter, Qt::KeypadModifier}}) {
            SCOPED_TRACE(place->objectName().toStdString() +
                         (key == Qt::Key_Enter ? " keypad" : ""));
            window.txtSerialNumber->setText("7");
            place->setFocus();
            QWidget* target = focus();
            const qsizetype before = log.lines().count("COM5: /ver");
            QTimer::singleShot(0, target, [=] { QTest::keyPress(target, key, modifiers); });
            QTimer::singleShot(1, target, [=] { QTest::keyRelease(target, key, modifiers); });
            EXPECT_TRUE(
                QTest::qWaitFor([&] { return log.lines().count("COM5: /ver") > before; }, 2000));
        }
    }
    EXPECT_EQ(window.Combo2->count(), 0) << "Enter added the typed port to the list";
}

// Typing reaches the serial-number box only, up to its 16 characters; the
// transcript and the status boxes keep their text.
TEST_F(MainWindow, TypingChangesOnlyTheSerialNumberUpToSixteenCharacters)
{
    loadCommandList(window, {{"/rawsend {{SN}}", false}}, true);
    for (TextBox* box : {window.txtCommandList, window.txtDeviceDriver, window.txtCurrName}) {
        box->setFocus();
        const QString before = box->text();
        QTest::keyClicks(focus(), "typed");
        EXPECT_EQ(box->text(), before) << box->objectName().toStdString();
    }
    window.txtSerialNumber->setFocus();
    QTest::keyClicks(focus(), "12345678901234567");
    EXPECT_EQ(window.txtSerialNumber->text(), "1234567890123456");
}

// The serial-number box is hidden until a command file asks for a number.
TEST_F(MainWindow, TabVisitsTheControlsInOrderSkippingHiddenOnes)
{
    QStringList visited;
    for (window.btnSend->setFocus(); visited.size() < 8; QTest::keyClick(focus(), Qt::Key_Tab)) {
        const bool inList = qobject_cast<SortedComboBox*>(focus()->parentWidget());
        visited << (inList ? focus()->parentWidget() : focus())->objectName();
    }
    EXPECT_EQ(visited, (QStringList{"btnSend", "Combo2", "btnExit", "btnOpen", "txtCurrName",
                                    "txtDeviceDriver", "txtCommandList", "btnSend"}));
}

// A control's left, top, width and height follow the growth across ("x"), down
// ("y") or not at all; too small, the window springs back; minimised, nothing moves.
TEST_F(MainWindow, ResizedTheControlsFollowTheWindowThatNeverGetsSmallerThanDesigned)
{
    const QMap<QString, QString> follows{
        {"frmKVRPort", "-yx-"},      {"frmLastUsed", "x---"},     {"txtCurrName", "x---"},
        {"btnOpen", "x---"},         {"Line2", "--x-"},           {"Combo2", "--x-"},
        {"lblSerialNumber", "-y--"}, {"txtSerialNumber", "-y--"}, {"btnSend", "-y--"},
        {"btnExit", "xy--"},         {"txtCommandList", "--xy"}};
    std::map<QWidget*, QRect> designed; // the controls, not the parts Qt builds them of
    for (QWidget* child : window.centralWidget()->findChildren<QWidget*>()) {
        if (child->parentWidget() == window.centralWidget() ||
            child->parentWidget()->inherits("QGroupBox")) {
            designed[child] = child->geometry();
            EXPECT_TRUE(child->parentWidget()->rect().contains(child->geometry()));
        }
    }
    EXPECT_LT(window.txtCommandList->geometry().bottom(), window.btnSend->y());
    EXPECT_LT(window.btnSend->geometry().bottom(), window.frmKVRPort->y());
    const QSize size = window.centralWidget()->size();
    const std::tuple<QSize, QSize, bool> cases[] = {
        {size + QSize(100, 150), {100, 150}, false},
        {size + QSize(200, 300), {100, 150}, true},
        {QSize(300, size.height() + 120), {0, 120}, false},
        {QSize(size.width() + 200, 100), {200, 0}, false},
        {QSize(10, 10), {0, 0}, false}};
    for (const auto& [request, growth, minimised] : cases) {
        SCOPED_TRACE(testing::Message() << request.width() << " x " << request.height());
        window.setWindowState(minimised ? Qt::WindowMinimized : Qt::WindowNoState);
        window.resize(request + (window.size() - window.centralWidget()->size()));
        QApplication::processEvents();
        ASSERT_TRUE(minimised || window.centralWidget()->size() == size + growth);
        for (const auto& [control, place] : designed) {
            const QString how = follows.value(control->objectName(), "----");
            const auto d = [&](int i) {
                return how[i] == u'x' ? growth.width() : how[i] == u'y' ? growth.height() : 0;
            };
            EXPECT_EQ(control->geometry(), place.adjusted(d(0), d(1), d(0) + d(2), d(1) + d(3)))
                << control->objectName().toStdString();
        }
    }
}

} // namespace
