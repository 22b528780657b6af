#include "ui/frmAbout.h"

#include "ui/AutoSizeLabel.h"
#include "ui/Fonts.h"
#include "ui/Placement.h"
#include "ui/RectangleShape.h"
#include "ui/VersionTexts.h"

#include <QGroupBox>
#include <QIcon>
#include <QPushButton>

namespace {

constexpr TwipsSize kClientArea{5655, 3630};

AutoSizeLabel* aboutLabel(const TwipsRect& where, QWidget* frame, const char* name)
{
    auto* label = place(new AutoSizeLabel(QString(), frame), where, name);
    label->setFont(sansSerif(13.5, true));
    label->setAlignment(Qt::AlignCenter);
    // The designed labels are centred in the window; a longer text than the
    // designed one grows to both sides instead of running off the right edge.
    label->keepCentre();
    return label;
}

} // namespace

frmAbout::frmAbout(QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint |
                         Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint)
{
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(QStringLiteral("About Vorlan's Orvelle"));
    setWindowIcon(QIcon(QStringLiteral(":/Orvelle.png")));
    setFixedSize(toPixels(kClientArea.width), toPixels(kClientArea.height));
    // Shown, a dialog with an owner is centred on it.
    setModal(true);

    Frame1 = place(new QGroupBox(this), {120, 0, 5445, 3525}, "Frame1");
    lblTitle = aboutLabel({1560, 360, 2295, 360}, Frame1, "lblTitle");
    lblPartNumber = aboutLabel({1995, 1005, 1425, 360}, Frame1, "lblPartNumber");
    lblVersion = aboutLabel({2145, 1635, 1125, 360}, Frame1, "lblVersion");
    lblCopyright = aboutLabel({2025, 2280, 1365, 360}, Frame1, "lblCopyright");
    Shape1 = place(new RectangleShape(QColor(128, 128, 255), QColor(0, 0, 255), 3, Frame1),
                   {120, 2760, 5175, 135}, "Shape1");
    cmdOK = place(new QPushButton(QStringLiteral("OK"), Frame1), {4080, 3120, 1245, 345}, "cmdOK");
    cmdOK->setFont(windowFont());
    // Enter presses the default button; Esc rejects, which closes the window as OK does.
    cmdOK->setDefault(true);
    connect(cmdOK, &QPushButton::clicked, this, &QDialog::accept);

    Form_Load();
}

void frmAbout::Form_Load()
{
    lblTitle->setCaption(kProductCaption);
    lblPartNumber->setCaption(partNumberCaption());
    lblVersion->setCaption(versionCaption());
    lblCopyright->setCaption(copyrightCaption());
}
