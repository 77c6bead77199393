#pragma once

#include "core/currentuser.h"
#include "core/transaction.h"
#include "repositories/operlogrepository.h"

#include <QString>

namespace kestrovalin {

// The one writer of the operation log: the signed-in user, the caller's texts, the local address. A failed
// write is not reported to the caller.
class OperLogHelper {
public:
    // An entry of its own, through the shared adapter, after the caller's operation has succeeded.
    static void log(const QString& module, const QString& action, const QString& detail) {
        OperLogRepository(nullptr).insert(entry(module, action, detail));
    }

    // A document's entry, written through the document's adapter inside its open transaction, just before
    // its commit: the row commits with the document or not at all, so no document is ever stored without
    // its audit row. The write is a savepoint of its own, so a failed log write is undone alone and never
    // fails the document.
    static void logInDocument(IDbAdapter* db, const QString& module, const QString& action,
                              const QString& detail) {
        Transaction savepoint(db);
        if (savepoint.isActive() && OperLogRepository(db).insert(entry(module, action, detail)))
            (void)savepoint.commit();
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
    static void logSales(const QString& action, const QString& detail) { log(salesModule(), action, detail); }
    static QString salesModule() { return QStringLiteral("销售收银"); }

    // Amounts in log details: general format, at most six significant digits, no trailing zeros
    // (12.5, 100, 1.23457e+06).
    static QString formatAmount(double amount) { return QString::number(amount, 'g', 6); }

private:
    static models::OperLog entry(const QString& module, const QString& action, const QString& detail) {
        models::OperLog e;
        e.userId = CurrentUser::instance().getUserId();
        e.userName = CurrentUser::instance().getRealName();
        e.module = module;
        e.action = action;
        e.detail = detail;
        e.ipAddress = QStringLiteral("127.0.0.1");
        return e;
    }
};

} // namespace kestrovalin
