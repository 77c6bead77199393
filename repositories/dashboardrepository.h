#pragma once

#include <QList>
#include <QString>
#include <QVariant>

#include <optional>

namespace kestrovalin {
class IDbAdapter;
}

namespace kestrovalin::repositories {

// The figures of the main window's overview. Every count is taken against the local calendar (the dates are
// bound as parameters), and a figure whose statement fails comes back empty so the caller can keep what it
// showed before.
class DashboardRepository {
public:
    enum Period { Today = 0, Week = 1, Month = 2 };

    struct SalesSummary {
        double amount = 0.0;
        int orderCount = 0;
    };

    explicit DashboardRepository(IDbAdapter* db) : m_db(db) {}

    // Completed sales of the period around Clock::today(): Monday to Sunday for Week, the calendar month for
    // Month, any other value means today. A voided sale is no sale.
    std::optional<SalesSummary> salesSummary(int period) const;
    // Drugs with at least one batch in stock.
    std::optional<int> productsInStock() const;
    // Drugs with a stocked batch expiring between today and today + 30 days.
    std::optional<int> nearExpiryProducts() const;
    // Active suppliers with at least one document expiring between today and today + 30 days.
    std::optional<int> suppliersWithExpiringDocuments() const;
    // Non-conforming drug records still to be confirmed or processed.
    std::optional<int> pendingRejectedDrugs() const;
    // Temperature and humidity readings recorded today.
    std::optional<int> temperatureRecordsToday() const;

private:
    std::optional<int> count(const QString& sql, const QList<QVariant>& params) const;

    IDbAdapter* m_db;
};

} // namespace kestrovalin::repositories
