#pragma once

#include <QMessageBox>
#include <QString>

// The icon that a message-box style value asks for. Combinations that name no
// single icon (information and critical together, 80) show the most severe one.
QMessageBox::Icon messageIcon(int style);

// "Desc|*.x|Desc2|*.y" as Qt name filters: "Desc (*.x);;Desc2 (*.y)". A
// description that already shows its pattern is not given it twice.
QString qtNameFilters(const QString& filter);
