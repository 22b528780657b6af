#include "support/QtPrinters.h"
#include "support/RecordingDesktop.h"
#include "support/TempProgram.h"
#include "ui/AutoSizeLabel.h"
#include "ui/RectangleShape.h"
#include "ui/SortedComboBox.h"
#include "ui/VersionTexts.h"
#include "ui/frmAbout.h"
#include "ui/frmMain.h"
#include "ui/frmSplash.h"

#include <QApplication>
#include <QFile>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

namespace {

TEST(frmSplash, ShowsTheVersionDataCentredOnTheScreenWithoutOwner)
{
    frmSplash splash;
    EXPECT_EQ(splash.windowTitle(), "Orvelle - Vorlan Ltd. ");
    EXPECT_EQ(splash.parentWidget(), nullptr);
    EXPECT_EQ(splash.size(), QSize(344, 281));
    EXPECT_EQ(splash.geometry().center(), splash.screen()->geometry().center());
    EXPECT_EQ(splash.lblCompanyProduct->text(), " VORLAN Windows ");
    EXPECT_EQ(splash.lblProductName->text(), " Orvelle ");
    EXPECT_EQ(splash.lblPartNumber->text(), partNumberCaption());
    EXPECT_EQ(splash.lblVersion->text(), " Version: 1.04.00 ");
    EXPECT_EQ(splash.lblCopyright->text(), copyrightCaption());
    // The logo, 315 x 58, within a border of two pixels a side.
    EXPECT_EQ(splash.Picture1->pixmap().size(), QSize(315, 58));
    EXPECT_EQ(splash.Picture1->geometry(), QRect(13, 8, 319, 62));
    // Every label fits its text and stays within the window, about the designed centre.
    for (const AutoSizeLabel* label :
         {splash.lblCompanyProduct, splash.lblProductName, splash.lblPartNumber, splash.lblVersion,
          splash.lblCopyright}) {
        EXPECT_EQ(label->size(), label->sizeHint()) << label->objectName().toStdString();
        EXPECT_TRUE(splash.rect().contains(label->geometry())) << label->objectName().toStdString();
        EXPECT_NEAR(label->geometry().center().x(), 172, 1) << label->objectName().toStdString();
    }
}

class AboutWindow : public testing::Test {
protected:
    // Runs `whileShown` on the About window once Help, About has shown it; a
    // window still up a second later is closed, so the test fails instead of hanging.
    void chooseAbout(const std::function<void(frmAbout&)>& whileShown)
    {
        QTimer::singleShot(0, [&] {
            auto* about = qobject_cast<frmAbout*>(QApplication::activeModalWidget());
            ASSERT_NE(about, nullptr);
            whileShown(*about);
        });
        QTimer::singleShot(1000, [] {
            if (QWidget* modal = QApplication::activeModalWidget()) {
                ADD_FAILURE() << "the About window stayed open";
                modal->close();
            }
        });
        window.mnuHelpAbout->trigger();
    }

    TempProgram program;
    RecordingDesktop desktop;
    frmMain window{desktop, program.file()};
};

TEST_F(AboutWindow, IsModalOverTheMainWindowCentredOnItWithTheVersionData)
{
    window.show();
    QPointer<frmAbout> shown;
    chooseAbout([&](frmAbout& about) {
        shown = &about;
        EXPECT_EQ(about.parentWidget(), &window);
        EXPECT_TRUE(about.isModal());
        EXPECT_EQ(about.windowTitle(), "About Vorlan's Orvelle");
        EXPECT_EQ(about.size(), QSize(377, 242));
        EXPECT_FALSE(about.windowIcon().isNull());
        EXPECT_NEAR(about.frameGeometry().center().x(), window.frameGeometry().center().x(), 1);
        EXPECT_NEAR(about.frameGeometry().center().y(), window.frameGeometry().center().y(), 1);
        EXPECT_EQ(about.lblTitle->text(), " Orvelle ");
        EXPECT_EQ(about.lblPartNumber->text(), partNumberCaption());
        EXPECT_EQ(about.lblVersion->text(), " Version: 1.04.00 ");
        EXPECT_EQ(about.lblCopyright->text(), copyrightCaption());
        EXPECT_TRUE(about.cmdOK->isDefault());
        // The bar: light blue within a blue outline three pixels wide.
        const QImage bar = about.Shape1->grab().toImage();
        EXPECT_EQ(bar.size(), QSize(345, 9));
        EXPECT_EQ(bar.pixelColor(1, 1), QColor(0, 0, 255));
        EXPECT_EQ(bar.pixelColor(172, 4), QColor(128, 128, 255));
        about.cmdOK->click();
    });
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    EXPECT_TRUE(shown.isNull()) << "closing unloads the window";
}

TEST_F(AboutWindow, EnterAndEscCloseItAndEachShowingLoadsItAfresh)
{
    window.show();
    for (const Qt::Key key : {Qt::Key_Return, Qt::Key_Escape}) {
        bool closed = false;
        chooseAbout([&](frmAbout& about) {
            // Whatever a showing did to its texts is gone at the next one.
            EXPECT_EQ(about.lblVersion->text(), " Version: 1.04.00 ");
            about.lblVersion->setCaption("changed");
            QObject::connect(&about, &QDialog::finished, [&] { closed = true; });
            QTest::keyClick(&about, key);
        });
        EXPECT_TRUE(closed) << int(key);
    }
}

TEST_F(AboutWindow, TheMainWindowActivatesAgainWhenItCloses)
{
    {
        QFile settings(program.settingsFile());
        ASSERT_TRUE(settings.open(QIODevice::WriteOnly));
        settings.write("[Current_Port]\nPort_Num= 1\n"
                       "[Select_Window_frmMain]\nSettings= 1500, 1200, 9555, 6930\n");
    }
    window.Combo2->addSorted("Reader A (COM5)");
    window.Combo2->addSorted("Reader B (COM6)");
    window.show();
    window.Combo2->setCurrentIndex(0);
    window.move(300, 300);
    chooseAbout([](frmAbout& about) { about.cmdOK->click(); });
    EXPECT_EQ(window.Combo2->currentIndex(), 1);
    EXPECT_EQ(window.pos(), QPoint(80, 100));
}

} // namespace
