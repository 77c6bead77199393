#include "repositories/dashboardrepository.h"

#include "core/clock.h"
#include "core/idbadapter.h"
#include "core/rowreader.h"

namespace kestrovalin::repositories {

namespace {

// Days ahead (today included) in which a batch or a supplier document counts as expiring soon.
constexpr int kExpiryWindowDays = 30;

QString dayText(const QDate& day) {
    return day.toString(QStringLiteral("yyyy-MM-dd"));
}

struct DateRange {
    QDate first;
    QDate last;
};

DateRange periodRange(int period, const QDate& today) {
    switch (period) {
    case DashboardRepository::Week: {
        const QDate monday = today.addDays(1 - today.dayOfWeek());
        return {monday, monday.addDays(6)};
    }
    case DashboardRepository::Month: {
        const QDate first(today.year(), today.month(), 1);
        return {first, first.addMonths(1).addDays(-1)};
    }
    default:
        return {today, today};
    }
}

} // namespace

std::optional<DashboardRepository::SalesSummary> DashboardRepository::salesSummary(int period) const {
    // sale_date holds "yyyy-MM-dd"; a half-open text range keeps the index usable and would also take a
    // date with a time part.
    const DateRange range = periodRange(period, Clock::today());
    const Fetched<SalesSummary> summary = fetch(
        m_db,
        QStringLiteral("SELECT COALESCE(SUM(total_amount), 0) AS amount, COUNT(*) AS orders FROM sales_order "
                       "WHERE status = 'completed' AND sale_date >= ? AND sale_date < ?"),
        {dayText(range.first), dayText(range.last.addDays(1))}, [](const Row& row) {
            return SalesSummary{row.number("amount"), row.integer("orders")};
        });
    if (!summary.found())
        return std::nullopt;
    return summary.rows.first();
}

std::optional<int> DashboardRepository::productsInStock() const {
    return count(QStringLiteral("SELECT COUNT(DISTINCT product_id) FROM inventory_batch WHERE quantity > 0"),
                 {});
}

std::optional<int> DashboardRepository::nearExpiryProducts() const {
    const QDate today = Clock::today();
    return count(QStringLiteral("SELECT COUNT(DISTINCT product_id) FROM inventory_batch "
                                "WHERE quantity > 0 AND expiry_date BETWEEN ? AND ?"),
                 {dayText(today), dayText(today.addDays(kExpiryWindowDays))});
}

std::optional<int> DashboardRepository::suppliersWithExpiringDocuments() const {
    const QDate today = Clock::today();
    const QString from = dayText(today);
    const QString to = dayText(today.addDays(kExpiryWindowDays));
    return count(QStringLiteral("SELECT COUNT(*) FROM supplier WHERE status = 'active' AND ("
                                "license_expire_date BETWEEN ? AND ? OR "
                                "business_license_expire_date BETWEEN ? AND ? OR "
                                "gsp_cert_expire_date BETWEEN ? AND ? OR "
                                "tax_reg_expire_date BETWEEN ? AND ?)"),
                 {from, to, from, to, from, to, from, to});
}

std::optional<int> DashboardRepository::pendingRejectedDrugs() const {
    return count(
        QStringLiteral("SELECT COUNT(*) FROM unqualified_drug WHERE status IN ('pending', 'confirmed')"), {});
}

std::optional<int> DashboardRepository::temperatureRecordsToday() const {
    return count(QStringLiteral("SELECT COUNT(*) FROM temperature_record WHERE record_date = ?"),
                 {Clock::todayText()});
}

std::optional<int> DashboardRepository::count(const QString& sql, const QList<QVariant>& params) const {
    const std::optional<QVariant> value = readValue(m_db, sql, params);
    if (!value)
        return std::nullopt;
    return value->toInt();
}

} // namespace kestrovalin::repositories
