#pragma once

#include "tests/support/pinnedclock.h"

namespace kestrovalin::test {

// The day the stock, warning and drug tests pin the clock to: far from the machine's real date, so a query
// on SQLite's own (UTC) clock would give other answers.
inline const QDate kToday(2031, 5, 20);

// kToday moved by offset days, as dates are stored.
inline QString day(int offset) {
    return dayText(kToday, offset);
}

} // namespace kestrovalin::test
