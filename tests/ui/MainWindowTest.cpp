#include "app/Module1.h"
#include "support/WindowTests.h"
#include "ui/HelpCommand.h"
#include "ui/MessageStyle.h"
#include "ui/QtDesktopServices.h"
#include "ui/RectangleShape.h"
#include "ui/VersionTexts.h"
#include "ui/frmAbout.h"
#include "ui/frmSplash.h"

#include <QClipboard>
#include <QIcon>
#include <QScreen>

namespace {

const auto focus = [] { return QApplication::focusWidget(); };

// Keys go to the widget with the focus once the window system has made the window active.
class MainWindow : public ShownWindow {
protected:
    void SetUp() override { ASSERT_TRUE(QTest::qWaitForWindowActive(&window)); }
};

// Minor number and revision keep their last two digits, the major number all; empty ones blanks.
TEST(Texts, VersionsAndFileFiltersShowAsDesigned)
{
    const auto texts = [](const ProgramVersion& v) {
        return versionCaption(v) + partNumberCaption(v) + copyrightCaption(v);
    };
    EXPECT_EQ(texts({1, 12, 7, "12345678", "(C) Maker"}),
              " Version: 1.12.07  Part Number: 12345678  (C) Maker ");
    EXPECT_EQ(texts({123, 0, 123, {}, {}}), " Version: 123.00.23  Part Number:    ");
    EXPECT_EQ(qtNameFilters("Command File (*.xls)|*.xls|All|*"), "Command File (*.xls);;All (*)");
}

TEST(frmSplash, ShowsTheBuildsDataInLabelsThatFitUntilAClickOrAKeyOrForFourSeconds)
{
    frmSplash splash;
    EXPECT_EQ(splash.geometry().center(), splash.screen()->geometry().center());
    EXPECT_EQ(splash.lblPartNumber->text() + splash.lblVersion->text(),
              partNumberCaption() + versionCaption());
    for (const AutoSizeLabel* label : splash.findChildren<AutoSizeLabel*>()) {
        EXPECT_EQ(label->size(), label->sizeHint()) << label->objectName().toStdString();
        EXPECT_TRUE(splash.rect().contains(label->geometry()));
        EXPECT_NEAR(label->geometry().center().x(), splash.width() / 2, 1);
        EXPECT_TRUE(label->font().bold());
        EXPECT_EQ(label->font().pointSizeF(), label == splash.lblCopyright ? 13.5 : 18);
    }
    EXPECT_EQ(splash.grab().toImage().pixelColor(1, 1), QColor(212, 208, 200)); // its ground
    QList<std::function<void()>> actions{[&] { QTest::keyClick(&splash, Qt::Key_Space); },
                                         [&] { QTest::keyClick(&splash, Qt::Key_Escape); }};
    for (QWidget* part : splash.findChildren<QWidget*>() + QWidgetList{&splash}) {
        actions << [part] { QTest::mouseClick(part, Qt::LeftButton); };
    }
    ManualClock clock; // standing still, a wait ends by the user's action or 5 s later
    for (const auto& action : actions) {
        splash.show();
        const QObject unseen;
        QTimer::singleShot(0, action);
        QTimer::singleShot(5000, &unseen, [&clock] { clock.advance(std::chrono::hours(1)); });
        Module1::WaitForSplash(splash, clock);
        EXPECT_FALSE(splash.isVisible());
    }
    splash.show();
    const auto start = clock.now();
    const ClockDriver driver(clock, std::chrono::milliseconds(100));
    Module1::WaitForSplash(splash, clock);
    EXPECT_GE(clock.now() - start, std::chrono::seconds(4));
    EXPECT_LT(clock.now() - start, std::chrono::milliseconds(4100));
}

// Dragged smaller than its design, the window springs back to it. It shows the program's icon.
TEST_F(MainWindow, ControlsFollowAResizeAndTheWindowSpringsBackAtItsMinimum)
{
    const QSize designed = window.size();
    const QRect list = ui.txtCommandList()->geometry(), exit = ui.btnExit()->geometry(),
                ports = ui.Combo2()->geometry();
    // What a user sees stay put: the list's margins to the window's sides and to Go's row, Exit's
    // to the right side (level with Go), the port list's to Test, and Test's to the port last used.
    const auto margins = [&] {
        const QRect client = window.centralWidget()->rect(), list = ui.txtCommandList()->geometry(),
                    go = ui.btnSend()->geometry(), exit = ui.btnExit()->geometry();
        return QList<int>() << list.left() << client.right() - list.right()
                            << go.top() - list.bottom() << client.right() - exit.right()
                            << exit.top() - go.top()
                            << ui.btnOpen()->x() - ui.Combo2()->geometry().right()
                            << ui.txtCurrName()->x() - ui.btnOpen()->geometry().right();
    };
    const QList<int> kept{3, 6, 14, 2, 0, 26, 11};
    EXPECT_EQ(margins(), kept);
    window.resize(designed + QSize(120, 90));
    ASSERT_TRUE(QTest::qWaitFor([&] { return window.size() == designed + QSize(120, 90); }));
    EXPECT_EQ(margins(), kept);
    EXPECT_EQ(ui.txtCommandList()->geometry(), list.adjusted(0, 0, 120, 90));
    EXPECT_EQ(ui.btnExit()->geometry(), exit.translated(120, 90));
    EXPECT_EQ(ui.Combo2()->geometry(), ports.adjusted(0, 0, 120, 0)) << "in its frame";
    window.resize(designed - QSize(200, 100));
    EXPECT_TRUE(QTest::qWaitFor([&] { return window.size() == designed; }))
        << window.width() << "x" << window.height();
    EXPECT_EQ(ui.txtCommandList()->geometry(), list);
    EXPECT_EQ(window.windowIcon().pixmap(32).toImage(),
              QIcon(":/Orvelle.png").pixmap(32).toImage());
    EXPECT_FALSE(window.windowIcon().isNull());
    EXPECT_EQ(paintedColour(*ui.btnSend()), sendColour::kNoCommands) << "Go before any list";
}

// Return or the keypad's Enter, released apart from the press as from the window system: Test's
// dialogue in the port list, Go's in the serial-number box and on Go. An access key works wherever
// the focus is (Alt+T first: the dialogue sets the button's caption again).
TEST_F(MainWindow, EnterAndTheAccessKeysRunTestAndGoAltXEnds)
{
    DriverLog log;
    SimulatedDriver driver({"--log", log.path()});
    ASSERT_TRUE(driver.ready());
    loadCommandList(window, {{"/rawsend {{SN}}", false}}, true);
    const auto sent = [&](bool go) {
        return go ? log.commands().size() : log.lines().count("COM5: /ver");
    };
    const QList<QKeyCombination> enter{Qt::Key_Return, Qt::KeypadModifier | Qt::Key_Enter},
        accessKeys{Qt::AltModifier | Qt::Key_T, Qt::AltModifier | Qt::Key_G};
    QWidget* anywhere = ui.txtCommandList();
    for (QWidget* place : QWidgetList{anywhere, ui.Combo2(), ui.txtSerialNumber(), ui.btnSend()}) {
        for (const QKeyCombination keys : place == anywhere ? accessKeys : enter) {
            SCOPED_TRACE((place->objectName() + QKeySequence(keys).toString()).toStdString());
            const auto [key, modifiers] = std::pair(keys.key(), keys.keyboardModifiers());
            const bool go = place != ui.Combo2() && key != Qt::Key_T;
            ui.txtSerialNumber()->setText("7");
            place->setFocus();
            QWidget* target = focus();
            const qsizetype before = sent(go), commands = sent(true);
            // The press alone starts the work, which then waits for the key to come up.
            QTimer release;
            release.callOnTimeout([&] {
                if (window.busy() != Busy::Idle) {
                    release.stop();
                    QTest::keyRelease(target, key, modifiers);
                }
            });
            release.start(1);
            QTimer::singleShot(0, target, [=] { QTest::keyPress(target, key, modifiers); });
            EXPECT_TRUE(QTest::qWaitFor([&] { return sent(go) > before; }, 2000));
            QCoreApplication::processEvents(); // a second run, had the release started one
            EXPECT_EQ(sent(go), before + 1) << "one key, one run";
            EXPECT_EQ(sent(true) > commands, go);
        }
    }
    EXPECT_EQ(ui.Combo2()->count(), 0) << "Enter added the typed port to the list";
    QTest::keyClick(focus(), Qt::Key_X, Qt::AltModifier);
    EXPECT_TRUE(QTest::qWaitFor([this] { return !window.isVisible(); }, 2000));
}

// What the reader and the driver said, and the port last opened, are painted in dark blue: some of
// their text's pixels are far more blue than red or green, smoothed edges or not.
TEST_F(MainWindow, StatusTextsArePaintedDarkBlue)
{
    ui.txtCurrName()->setText("Bench");
    ui.lblCurrPort()->setCaption("5");
    for (QWidget* status :
         QWidgetList{ui.txtDeviceDriver(), ui.lblDevice(), ui.txtCurrName(), ui.lblCurrPort()}) {
        const QImage image = status->grab().toImage().convertToFormat(QImage::Format_ARGB32);
        const auto* pixels = reinterpret_cast<const QRgb*>(image.constBits());
        EXPECT_TRUE(std::any_of(pixels, pixels + image.width() * image.height(), [](QRgb c) {
            return qBlue(c) - std::max(qRed(c), qGreen(c)) > 100;
        })) << status->objectName().toStdString();
    }
}

// Typing reaches only the serial-number box, up to 16 characters; the other boxes keep their text.
TEST_F(MainWindow, TypingChangesOnlyTheSerialNumberTheOtherBoxesCanBeCopied)
{
    loadCommandList(window, {{"/rawsend {{SN}}", false}}, true);
    ui.txtCurrName()->setText("Reader A (COM5)");
    for (TextBox* box : {ui.txtCommandList(), ui.txtDeviceDriver(), ui.txtCurrName()}) {
        SCOPED_TRACE(box->objectName().toStdString());
        box->setFocus();
        const QString before = box->text();
        QApplication::clipboard()->setText("pasted");
        QTest::keyClicks(focus(), "typed");
        QTest::keySequence(focus(), QKeySequence("Backspace, Del, Ctrl+V"));
        EXPECT_EQ(box->text(), before);
        QApplication::clipboard()->clear();
        QTest::keySequence(focus(), QKeySequence("Ctrl+A, Ctrl+C"));
        EXPECT_EQ(QApplication::clipboard()->text(), QString(before).replace("\r\n", "\n"));
    }
    ui.txtSerialNumber()->setFocus();
    QTest::keyClicks(focus(), "12345678901234567");
    EXPECT_EQ(ui.txtSerialNumber()->text(), "1234567890123456");
}

// Each showing loads it afresh; closed, the main window activates and takes the stored place and
// port, unless a text that is no entry was typed into the list. Closed by Enter, whose release then
// reaches none of the program's windows, it leaves Test no key to wait for.
TEST_F(MainWindow, AboutIsShownCentredAfreshClosedByOKEnterOrEscThenTheMainWindowActivates)
{
    ui.Combo2()->addItems({"Reader A (COM5)", "Reader B (COM6)"});
    QFile settings(program.settingsFile());
    ASSERT_TRUE(settings.open(QIODevice::WriteOnly));
    settings.write("[Current_Port]\nPort_Num= 1\n"
                   "[Select_Window_frmMain]\nSettings= 1500, 1200, 9555, 6930\n");
    settings.close();
    for (const auto& [key, typed, port] :
         {std::tuple{Qt::Key_unknown, "", "Reader B (COM6)"},
          {Qt::Key_Return, "com7", "com7"},
          {Qt::Key_Escape, "Reader A (COM5)", "Reader B (COM6)"}}) {
        SCOPED_TRACE(port);
        ui.Combo2()->setCurrentIndex(0);
        ui.Combo2()->setFocus();
        QTest::keyClick(focus(), Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(focus(), typed);
        window.move(10, 20);
        QPointer<frmAbout> shown;
        QTimer::singleShot(0, [&] {
            shown = qobject_cast<frmAbout*>(QApplication::activeModalWidget());
            ASSERT_TRUE(shown);
            const QPoint off = shown->frameGeometry().center() - window.frameGeometry().center();
            EXPECT_LE(off.manhattanLength(), 2) << off.x() << ", " << off.y();
            EXPECT_EQ(shown->lblPartNumber->text() + shown->lblVersion->text(),
                      partNumberCaption() + versionCaption());
            const QImage bar = shown->Shape1->grab().toImage(); // a blue 3-pixel outline
            EXPECT_EQ(bar.pixelColor(2, bar.height() / 2), QColor(0, 0, 255));
            EXPECT_EQ(bar.pixelColor(3, bar.height() / 2), QColor(128, 128, 255));
            shown->lblVersion->setCaption("changed in an earlier showing");
            ASSERT_TRUE(QTest::qWaitFor([&] { return shown->isAncestorOf(focus()); }, 5000));
            key == Qt::Key_unknown ? shown->cmdOK->click() : QTest::keyPress(focus(), key);
        });
        ui.mnuHelpAbout()->trigger();
        EXPECT_TRUE(shown.isNull() && !QApplication::activeModalWidget()) << key;
        // The window system gives the keyboard back, as it would to the window left.
        window.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
        EXPECT_EQ(ui.Combo2()->currentText(), port);
        EXPECT_EQ(window.pos(), QPoint(80, 100));
        // Test's dialogue is past its wait for keys by the first turn of the event loop.
        QString caption;
        QTimer::singleShot(0, [&] { caption = ui.btnOpen()->text(); });
        ui.btnOpen()->click();
        EXPECT_TRUE(QTest::qWaitFor([&] { return !caption.isEmpty(); }) && caption != "&Test");
        window.SetClosedState();
        EXPECT_TRUE(readFile(program.settingsFile()).contains("Port_Num= 1\n"));
    }
    // Alt held keeps it waiting, look after look of the dialogue, until the key comes up.
    QString caption;
    QTimer::singleShot(50, [&] {
        caption = ui.btnOpen()->text();
        QTest::keyRelease(focus(), Qt::Key_Alt);
    });
    QTest::keyPress(focus(), Qt::Key_Alt);
    ui.btnOpen()->click();
    EXPECT_EQ(caption, "&Test");
}

// Show Help starts xchm or else kchmviewer on the help beside the program, else xdg-open on its
// pages (on Windows HH.exe), with all after the first blank as one argument, as recorded here.
TEST(ShowHelp, StartsTheFirstViewerOnThePathOnTheHelpBesideTheProgram)
{
    EXPECT_EQ(windowsHelpCommandLine(R"(C:\My Tools)"),
              R"(HH.exe C:\My Tools\Help\OrvelleHelp.chm)");
    const QTemporaryDir viewers;
    for (const char* viewer : {"xdg-open", "kchmviewer", "xchm"}) {
        QFile script(viewers.filePath(viewer));
        ASSERT_TRUE(script.open(QIODevice::WriteOnly));
        script.write("#!/bin/sh\nprintf '%s %s|%s' \"${0##*/}\" $# \"$1\" >\"$0.tmp\"\n"
                     "/bin/mv \"$0.tmp\" \"${0%/*}/started\"\n");
        script.setPermissions(QFile::ReadOwner | QFile::ExeOwner);
    }
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", "/nonexistent:" + viewers.path().toLocal8Bit());
    const QString help = QCoreApplication::applicationDirPath() + "/Help/";
    QtDesktopServices desktop;
    const SteadyClock clock;
    frmMain window(desktop, clock, QCoreApplication::applicationDirPath() + "/Orvelle");
    // Show Help where no line is given; ">" stands for the help folder.
    for (const auto& [removed, line, got] :
         {std::tuple{"", QString(), "xchm 1|>OrvelleHelp.chm"},
          {"xchm", QString(), "kchmviewer 1|>OrvelleHelp.chm"},
          {"kchmviewer", QString(), "xdg-open 1|>html/index.html"},
          {"", viewers.filePath("xdg-open /opt/My Tools/a.chm"), "xdg-open 1|/opt/My Tools/a.chm"},
          {"", QString("xdg-open"), "xdg-open 0|"},
          {"", QString("xdg-open  x "), "xdg-open 1| x "}}) {
        QFile::remove(viewers.filePath(removed));
        QFile record(viewers.filePath("started"));
        record.remove();
        EXPECT_TRUE(line.isNull() ? (access(window).mnuShowHelp()->trigger(), true)
                                  : startCommandLine(line));
        EXPECT_TRUE(QTest::qWaitFor([&] { return record.exists(); }, 10000)) << got;
        const QString expected = QString(got).replace(">", help);
        EXPECT_TRUE(record.open(QIODevice::ReadOnly) && record.readAll() == expected) << got;
        EXPECT_TRUE(!line.isNull() || QFile::exists(expected.section(u'|', 1))) << got;
    }
    for (const char* line : {"orvelle-no-such-program x", "/nonexistent/xchm", "", " x"}) {
        EXPECT_FALSE(startCommandLine(line)) << line;
    }
    qputenv("PATH", path);
}

} // namespace
