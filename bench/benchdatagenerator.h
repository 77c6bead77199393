#pragma once

#include <QDate>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QVector>

#include <random>

namespace kestrovalin::bench {

// Writes five years of one busy pharmacy straight into an already created database file: drugs, suppliers,
// customers, purchases with their stock batches, sales with their lines, temperature readings, the operation
// log and a few non-conforming drug records. Deterministic for a given seed and end date.
class BenchDataGenerator {
public:
    struct Sizes {
        int products = 20000;
        int suppliers = 2000;
        int customers = 300;
        int batches = 150000; // including the purchase lines' batches
        int purchaseLines = 100000;
        int sales = 600000;
        int salesLines = 1500000;
        int temperatureReadings = 3600;
        int logRows = 50000;
        int rejectedDrugs = 120;
        int prescriptions = 60000; // about one sale in ten, each registered for the sale's prescription drugs

        Sizes scaled(double factor) const;
    };

    BenchDataGenerator(QSqlDatabase db, const QDate& lastDay, quint64 seed = 20260301);

    // False (with a message on stderr) when a statement or a commit fails; the file then holds only what was
    // committed before.
    bool run(const Sizes& sizes);

private:
    struct ProductInfo {
        double purchasePrice;
        double salePrice;
        bool prescription;
    };
    struct BatchInfo {
        int id;
        int product;
        int day; // inbound day index
        QString batchNo;
        QString productionDate;
        QString expiryDate;
    };

    bool users();
    bool suppliers(int count);
    bool customers(int count);
    bool products(int count);
    bool purchases(int lines, int batchesTotal);
    bool sales(int orders, int lines);
    bool temperatures(int readings);
    bool maintenanceChecks();
    bool operationLog(int rows);
    bool rejectedDrugs(int rows);
    bool prescriptions(int count);

    bool begin();
    bool commit();
    bool exec(QSqlQuery& q, const char* what);

    int randInt(int low, int high); // inclusive
    double randReal(double low, double high);
    bool chance(double p);
    template <typename T> const T& pick(const QVector<T>& list) {
        return list.at(randInt(0, list.size() - 1));
    }
    int popularProduct();
    QDate dayDate(int day) const { return m_firstDay.addDays(day); }
    QString personName();
    QString phoneNumber();
    // The newest batch of a product received on or before the day, or -1.
    int batchOnDay(int product, int day) const;

    QSqlDatabase m_db;
    QDate m_firstDay;
    int m_days;
    std::mt19937_64 m_rng;

    QVector<ProductInfo> m_products;        // index = product id - 1
    QVector<QString> m_productNames;        // index = product id - 1
    QVector<double> m_popularityCumulative; // for picking products by how often they sell
    QVector<int> m_activeSuppliers;
    QVector<QString> m_supplierNames;
    QVector<BatchInfo> m_batches;             // index = batch id - 1
    QVector<QVector<int>> m_batchesByProduct; // batch indexes in inbound order
    QVector<int> m_userIds;
    QVector<QString> m_userNames;
    int m_customerCount = 0;
};

} // namespace kestrovalin::bench
