#include "ui/sales/prescriptionstatus.h"

namespace kestrovalin {

PrescriptionStatusLabel registerStatusLabel(const QString& status) {
    if (status == QLatin1String("valid"))
        return {QStringLiteral("有效"), QColor(Qt::green)};
    if (status == QLatin1String("used"))
        return {QStringLiteral("已使用"), QColor(Qt::blue)};
    if (status == QLatin1String("expired"))
        return {QStringLiteral("已过期"), QColor(Qt::red)};
    return {};
}

PrescriptionStatusLabel detailStatusLabel(const QString& status) {
    const PrescriptionStatusLabel known = registerStatusLabel(status);
    return known.text.isEmpty() ? PrescriptionStatusLabel{QStringLiteral("待审核"), QColor(Qt::darkYellow)}
                                : known;
}

} // namespace kestrovalin
