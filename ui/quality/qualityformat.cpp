#include "ui/quality/qualityformat.h"

#include "ui/common/styles.h"

namespace kestrovalin {

QColor tempHumidityStatusColour(const QString& status) {
    if (status == QLatin1String("normal"))
        return QColor();
    return status == QLatin1String("critical") ? QColor(Qt::red) : QColor(Qt::darkYellow);
}

QString bookTemperatureText(double temperature) {
    QString text = QString::number(temperature, 'f', 2);
    if (text.endsWith(QLatin1Char('0')))
        text.chop(1);
    return text;
}

QString maintenanceMonthText(int month) {
    return QStringLiteral("%1年%2月").arg(month / 100).arg(month % 100);
}

QString verdictNormal(bool ok) {
    return ok ? QStringLiteral("正常") : QStringLiteral("异常");
}

QString verdictCompliant(bool ok) {
    return ok ? QStringLiteral("合规") : QStringLiteral("不合规");
}

QString verdictInPlace(bool ok) {
    return ok ? QStringLiteral("到位") : QStringLiteral("未到位");
}

QString verdictColour(bool ok) {
    return QLatin1String(ok ? colours::verdictPassed : colours::verdictFailed);
}

TableRow maintenanceRow(const models::MaintenanceCheck& check, int firstColumn) {
    const bool items[] = {check.humidityNormal, check.temperatureNormal, check.storageConditionOk,
                          check.facilitiesOk};
    TableRow row(check.id,
                 {maintenanceMonthText(check.checkMonth), check.checkDate, check.checkedByName,
                  verdictNormal(items[0]), verdictNormal(items[1]), verdictCompliant(items[2]),
                  verdictNormal(items[3]), check.remark.isEmpty() ? QStringLiteral("-") : check.remark});
    for (int i = 0; i < 4; ++i)
        row.mark(firstColumn + 3 + i, QColor(verdictColour(items[i])), QColor());
    return row;
}

} // namespace kestrovalin
