#pragma once

#include <QStringList>
#include <QVariant>
#include <QtTest>

namespace kestrovalin::test {

// One data row of a data-driven test on one line.
template <class... A> void addRow(const char* tag, const A&... values) {
    (QTest::newRow(tag) << ... << values);
}

// The values joined by '|', for one comparison that shows every difference at once.
template <class... A> QString row(const A&... values) {
    return QStringList{QVariant(values).toString()...}.join('|');
}

} // namespace kestrovalin::test
