#pragma once

#include <QDialog>

class AutoSizeLabel;
class QGroupBox;
class QPushButton;
class RectangleShape;

// The About window: product, part number, version and copyright, shown modally
// over its owner and centred on it. OK, Enter or Esc closes it.
class frmAbout : public QDialog {
    Q_OBJECT

public:
    explicit frmAbout(QWidget* owner);

    QGroupBox* Frame1;
    AutoSizeLabel* lblTitle;
    AutoSizeLabel* lblPartNumber;
    AutoSizeLabel* lblVersion;
    AutoSizeLabel* lblCopyright;
    RectangleShape* Shape1;
    QPushButton* cmdOK;

    void Form_Load();
};
