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

} // namespace kestrovalin::test
