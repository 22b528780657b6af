#pragma once

#include <QString>

namespace Module1 {

// The text without its control characters (codes 0 to 31); everything from
// the blank up, codes of 127 and more included, stays in order.
QString StripCtrlChars(const QString& sText);

} // namespace Module1
