#pragma once

#include <QString>
#include <QVariant>
#include <QVector>

namespace kestrovalin {

// Rows read at once by their keys to learn a row's number near the top of a list rather than count it.
int walkedRows();
// Keys as one hashable text; the values of one statement's columns keep their types.
QString keyText(const QVector<QVariant>& keys);

} // namespace kestrovalin
