#pragma once

#include <QColor>
#include <QString>

namespace kestrovalin {

// How a prescription's status code is shown: its text and text colour (invalid: the default colour).
struct PrescriptionStatusLabel {
    QString text;
    QColor colour;
};

// The register: "有效" green, "已使用" blue, "已过期" red, any other code an empty cell.
PrescriptionStatusLabel registerStatusLabel(const QString& status);
// The detail view: the same three, any other code "待审核" in dark yellow.
PrescriptionStatusLabel detailStatusLabel(const QString& status);

} // namespace kestrovalin
