#include "core/clock.h"

namespace kestrovalin {

namespace {
QDateTime g_pinned;
}

QDateTime Clock::now() {
    return g_pinned.isValid() ? g_pinned : QDateTime::currentDateTime();
}
void Clock::pin(const QDateTime& localNow) {
    g_pinned = localNow;
}
void Clock::unpin() {
    g_pinned = QDateTime();
}

} // namespace kestrovalin
