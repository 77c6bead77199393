#pragma once

#include "core/currentuser.h"
#include "repositories/operlogrepository.h"

#include <QString>

namespace kestrovalin {

// The one writer of the operation log: the signed-in user, the caller's texts, the local address. Callers
// log after their own operation has succeeded; a failed write is not reported to them.
class OperLogHelper {
public:
    static void log(const QString& module, const QString& action, const QString& detail) {
        models::OperLog entry;
        entry.userId = CurrentUser::instance().getUserId();
        entry.userName = CurrentUser::instance().getRealName();
        entry.module = module;
        entry.action = action;
        entry.detail = detail;
        entry.ipAddress = QStringLiteral("127.0.0.1");
        OperLogRepository(nullptr).insert(entry);
    }

    static void logPurchase(const QString& action, const QString& detail) {
        log(QStringLiteral("采购入库"), action, detail);
    }
    static void logSupplier(const QString& action, const QString& detail) {
        log(QStringLiteral("供应商管理"), action, detail);
    }
    static void logInventory(const QString& action, const QString& detail) {
        log(QStringLiteral("库存管理"), action, detail);
    }
    static void logUser(const QString& action, const QString& detail) {
        log(QStringLiteral("用户管理"), action, detail);
    }
    static void logSales(const QString& action, const QString& detail) {
        log(QStringLiteral("销售收银"), action, detail);
    }

    // Amounts in log details: general format, at most six significant digits, no trailing zeros
    // (12.5, 100, 1.23457e+06).
    static QString formatAmount(double amount) { return QString::number(amount, 'g', 6); }
};

} // namespace kestrovalin
