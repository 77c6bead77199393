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

QDate parseStoredDate(const QString& text) {
    if (text.size() != 10 || text.at(4) != QLatin1Char('-') || text.at(7) != QLatin1Char('-'))
        return QDate();
    // The digits at [from, from + length), or -1 when one is not an ASCII digit.
    auto number = [&text](int from, int length) {
        int value = 0;
        for (int i = from; i < from + length; ++i) {
            const ushort c = text.at(i).unicode();
            if (c < '0' || c > '9')
                return -1;
            value = value * 10 + (c - '0');
        }
        return value;
    };
    const int year = number(0, 4);
    const int month = number(5, 2);
    const int day = number(8, 2);
    if (year < 0 || month < 0 || day < 0)
        return QDate();
    return QDate(year, month, day);
}

} // namespace kestrovalin
