#pragma once

#include <QDate>
#include <QDateTime>

namespace kestrovalin {

// Every "today" and "now" of the program comes from here, so tests can pin the local clock.
class Clock {
public:
    static QDateTime now();
    static QDate today() { return now().date(); }
    // Local dates in the stored text form.
    static QString todayText() { return today().toString(QStringLiteral("yyyy-MM-dd")); }
    static QString nowText() { return now().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")); }

    static void pin(const QDateTime& localNow);
    static void unpin();
};

// A stored date "yyyy-MM-dd" read back; an invalid date for any other text or a day that does not exist.
// Far cheaper than QDate::fromString with a format, which matters on lists of thousands of batches.
QDate parseStoredDate(const QString& text);

} // namespace kestrovalin
