#pragma once

#include "core/listquery.h"

#include <QList>
#include <QString>

namespace kestrovalin {
class IDbAdapter;
class Row;
} // namespace kestrovalin

namespace kestrovalin::repositories {

// One in-stock batch that expires soon, with its drug, its supplier and the days it has left.
struct ExpiryWarningItem {
    int productId = 0;
    QString productName;
    QString barcode;
    QString specification;
    QString manufacturer;
    QString batchNo;
    QString productionDate; // "yyyy-MM-dd"
    QString expiryDate;     // "yyyy-MM-dd"
    int quantity = 0;
    int remainingDays = 0;
    QString supplierName; // empty when the batch has no known supplier
};

// Batches in normal status with stock that expire after today and within a number of days.
class ExpiryWarningRepository {
public:
    explicit ExpiryWarningRepository(IDbAdapter* adapter) : m_adapter(adapter) {}
    ~ExpiryWarningRepository() {}

    QList<ExpiryWarningItem> findNearExpiryItems(int days);
    // Filters are applied when not empty, as given (callers trim them); all must match.
    QList<ExpiryWarningItem> findNearExpiryItems(int days, const QString& supplierName,
                                                 const QString& productName, const QString& barcode,
                                                 const QString& mnemonicCode, const QString& batchNo);
    // The same batches as a statement to page, newest first, read with readItem.
    static ListQuery nearExpiryList(int days, const QString& supplierName, const QString& productName,
                                    const QString& barcode, const QString& mnemonicCode,
                                    const QString& batchNo);
    static ExpiryWarningItem readItem(const Row& row);

private:
    IDbAdapter* m_adapter;
};

} // namespace kestrovalin::repositories
