#include "app/Module1.h"
#include "support/ManualClock.h"
#include "support/QtPrinters.h"
#include "support/RecordingDesktop.h"
#include "support/TempProgram.h"
#include "ui/AutoSizeLabel.h"
#include "ui/MessageStyle.h"
#include "ui/SortedComboBox.h"
#include "ui/VersionTexts.h"
#include "ui/frmAbout.h"
#include "ui/frmMain.h"
#include "ui/frmSplash.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

TEST(Texts, VersionsMessageIconsAndFileFiltersShowAsDesigned)
{
    EXPECT_EQ(versionCaption(), " Version: 1.04.00 ");
    const std::pair<int, QMessageBox::Icon> icons[] = {
        {0, QMessageBox::NoIcon},   {16, QMessageBox::Critical},    {32, QMessageBox::Question},
        {48, QMessageBox::Warning}, {64, QMessageBox::Information}, {80, QMessageBox::Critical}};
    for (const auto& [style, icon] : icons) {
        EXPECT_EQ(messageIcon(style), icon) << style;
    }
    EXPECT_EQ(qtNameFilters("Command File (*.xls)|*.xls"), "Command File (*.xls)");
}

// Centred on the screen, it stays four seconds, or until a click on it or a key.
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
    }
    ManualClock clock; // standing still, a wait ends only by the user's action
    const QWidgetList parts = splash.findChildren<QWidget*>() << &splash << nullptr;
    for (QWidget* part : parts) {
        splash.show();
        QTimer::singleShot(0, [&splash, part] {
            part ? QTest::mouseClick(part, Qt::LeftButton)
                 : QTest::keyClick(&splash, Qt::Key_Space);
        });
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

TEST(frmAbout, ShownCentredOnTheMainWindowAfreshClosedByOKEnterOrEscThenTheMainWindowActivates)
{
    TempProgram program;
    QFile settings(program.settingsFile());
    ASSERT_TRUE(settings.open(QIODevice::WriteOnly));
    settings.write("[Current_Port]\nPort_Num= 1\n"
                   "[Select_Window_frmMain]\nSettings= 1500, 1200, 9555, 6930\n");
    settings.close();
    RecordingDesktop desktop;
    frmMain window(desktop, program.file());
    window.Combo2->addItems({"Reader A (COM5)", "Reader B (COM6)"});
    window.show();
    for (const Qt::Key key : {Qt::Key_unknown, Qt::Key_Return, Qt::Key_Escape}) {
        window.Combo2->setCurrentIndex(0);
        window.move(10, 20);
        QPointer<frmAbout> shown;
        bool shownOnce = false;
        QTimer::singleShot(0, [&] {
            shown = qobject_cast<frmAbout*>(QApplication::activeModalWidget());
            ASSERT_TRUE(shown);
            shownOnce = true;
            const QPoint off = shown->frameGeometry().center() - window.frameGeometry().center();
            EXPECT_LE(off.manhattanLength(), 2) << off.x() << ", " << off.y();
            EXPECT_EQ(shown->lblPartNumber->text() + shown->lblVersion->text(),
                      partNumberCaption() + versionCaption());
            shown->lblVersion->setCaption("changed in an earlier showing");
            // Keys go to the focus, once the window is active.
            ASSERT_TRUE(QTest::qWaitFor(
                [&] { return shown->isAncestorOf(QApplication::focusWidget()); }, 5000));
            key == Qt::Key_unknown ? shown->cmdOK->click()
                                   : QTest::keyClick(QApplication::focusWidget(), key);
        });
        window.mnuHelpAbout->trigger();
        EXPECT_TRUE(shownOnce && shown.isNull()) << key;
        EXPECT_EQ(window.Combo2->currentIndex(), 1);
        EXPECT_EQ(window.pos(), QPoint(80, 100));
    }
}

} // namespace
