#include "ui/frmSplash.h"

#include "ui/AutoSizeLabel.h"
#include "ui/Fonts.h"
#include "ui/Placement.h"
#include "ui/VersionTexts.h"

#include <QEvent>
#include <QLabel>
#include <QScreen>

namespace {

constexpr TwipsSize kClientArea{5160, 4215};

// The active-border colour of the classic Windows desktop; Qt's palette has no
// role for it.
const QColor kActiveBorder(212, 208, 200);

AutoSizeLabel* splashLabel(const TwipsRect& where, qreal points, QWidget* window, const char* name)
{
    auto* label = place(new AutoSizeLabel(QString(), window), where, name);
    label->setFont(sansSerif(points, true));
    label->setAlignment(Qt::AlignCenter);
    // The designed labels are centred in the window; a longer text than the
    // designed one grows to both sides instead of running off the right edge.
    label->keepCentre();
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, Qt::black);
    label->setPalette(palette);
    return label;
}

} // namespace

frmSplash::frmSplash(QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint |
                          Qt::WindowTitleHint | Qt::WindowCloseButtonHint)
{
    setObjectName(QStringLiteral("frmSplash"));
    setWindowTitle(QStringLiteral("Orvelle - Vorlan Ltd. "));
    setFixedSize(toPixels(kClientArea.width), toPixels(kClientArea.height));
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, kActiveBorder);
    setPalette(palette);
    setAutoFillBackground(true);

    // The picture sizes itself to the logo within its sunken border.
    Picture1 = place(new QLabel(this), {188, 120, 4785, 930}, "Picture1");
    Picture1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    Picture1->setLineWidth(2);
    Picture1->setPixmap(QPixmap(QStringLiteral(":/Logo.jpg")));
    Picture1->resize(Picture1->sizeHint());

    lblCompanyProduct = splashLabel({1080, 1440, 3000, 435}, 18, this, "lblCompanyProduct");
    lblProductName = splashLabel({1380, 2010, 2400, 435}, 18, this, "lblProductName");
    lblPartNumber = splashLabel({1508, 2580, 2145, 435}, 18, this, "lblPartNumber");
    lblVersion = splashLabel({1898, 3150, 1365, 435}, 18, this, "lblVersion");
    lblCopyright = splashLabel({1905, 3720, 1350, 360}, 13.5, this, "lblCopyright");

    for (QWidget* clickable :
         std::initializer_list<QWidget*>{Picture1, lblCompanyProduct, lblProductName, lblPartNumber,
                                         lblVersion, lblCopyright}) {
        clickable->installEventFilter(this);
    }
    if (const QScreen* screen = this->screen()) {
        move(screen->geometry().center() - rect().center());
    }
    Form_Load();
}

void frmSplash::Form_Load()
{
    lblCompanyProduct->setCaption(kCompanyBanner);
    lblProductName->setCaption(kProductCaption);
    lblPartNumber->setCaption(partNumberCaption());
    lblVersion->setCaption(versionCaption());
    lblCopyright->setCaption(copyrightCaption());
}

void frmSplash::mousePressEvent(QMouseEvent*)
{
    close();
}

void frmSplash::keyPressEvent(QKeyEvent*)
{
    close();
}

// A click on the picture or a label closes the window as a click beside them does.
bool frmSplash::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::MouseButtonPress) {
        close();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}
