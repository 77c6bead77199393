#pragma once

#include "models/maintenancecheck.h"
#include "ui/common/rowtablemodel.h"

#include <QColor>
#include <QString>

namespace kestrovalin {

// How the quality records and their books show readings and checks.

// Text colour of a reading's status cell: none for "normal", red for "critical", dark yellow for any other.
QColor tempHumidityStatusColour(const QString& status);

// A temperature as the record book shows it: the decimals the reading has, one at least and two at most
// (25 as "25.0", 28.49 as "28.49"), so that no value reads as if it lay on the other side of a limit.
QString bookTemperatureText(double temperature);

// "2025年5月" for the month value 202505 (year × 100 + month, the month unpadded).
QString maintenanceMonthText(int month);

// The verdict words of a check's items, the first for a ticked item.
QString verdictNormal(bool ok);    // "正常" / "异常": humidity, temperature, facilities
QString verdictCompliant(bool ok); // "合规" / "不合规": storage conditions
QString verdictInPlace(bool ok);   // "到位" / "未到位": pest control
QString verdictColour(bool ok);    // passed green / failed red, as the verdict labels

// A check as the maintenance list and its book show it: 检查月份, 检查日期, 检查人, the verdicts of 湿度,
// 温度, 储存条件 and 设施设备 in their colours, 备注 ("-" when empty). firstColumn is the table column of
// 检查月份, where the verdict colours are counted from. The row's id is the check's.
TableRow maintenanceRow(const models::MaintenanceCheck& check, int firstColumn);

} // namespace kestrovalin
