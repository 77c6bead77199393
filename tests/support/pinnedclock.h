#pragma once

#include "core/clock.h"

namespace kestrovalin::test {

// Pins the program's clock to a local date-time for the lifetime of the object.
class PinnedClock {
public:
    explicit PinnedClock(const QDateTime& localNow) { Clock::pin(localNow); }
    PinnedClock(const QDate& day, const QTime& time = QTime(10, 0)) { Clock::pin(QDateTime(day, time)); }
    ~PinnedClock() { Clock::unpin(); }
    PinnedClock(const PinnedClock&) = delete;
    PinnedClock& operator=(const PinnedClock&) = delete;
};

// The day `offset` days after `from`, in the stored text form "yyyy-MM-dd".
inline QString dayText(const QDate& from, int offset) {
    return from.addDays(offset).toString(QStringLiteral("yyyy-MM-dd"));
}

} // namespace kestrovalin::test
