#pragma once

#include <QWidget>

class AutoSizeLabel;
class QLabel;

// The identity window shown at start-up. A click on it, on its picture or on
// any of its labels, or a key pressed while it has the focus, closes it.
class frmSplash : public QWidget {
    Q_OBJECT

public:
    explicit frmSplash(QWidget* parent = nullptr);

    QLabel* Picture1;
    AutoSizeLabel* lblCompanyProduct;
    AutoSizeLabel* lblProductName;
    AutoSizeLabel* lblPartNumber;
    AutoSizeLabel* lblVersion;
    AutoSizeLabel* lblCopyright;

    void Form_Load();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
};
