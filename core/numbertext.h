#pragma once

#include <QString>

namespace kestrovalin {

// The text QString::number(value, 'f', decimals) gives, built without the general number formatting for the
// prices and amounts a list shows on every row; any other value takes the general formatting.
QString fixedText(double value, int decimals = 2);

} // namespace kestrovalin
