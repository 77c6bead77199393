#include "repositories/expirywarningrepository.h"
#include "tests/support/logcapture.h"
#include "tests/support/pinnedclock.h"
#include "tests/support/testdatabase.h"
#include "ui/purchasing/expirywarningdialog.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>
#include <QtTest>

using namespace kestrovalin;
using kestrovalin::repositories::ExpiryWarningItem;
using kestrovalin::repositories::ExpiryWarningRepository;
using kestrovalin::test::LogCapture;
using kestrovalin::test::PinnedClock;
using kestrovalin::test::TestDatabase;

namespace {

const QDate kToday(2026, 3, 1);

QString day(int offset) {
    return kToday.addDays(offset).toString("yyyy-MM-dd");
}

// Two suppliers, three drugs (one delisted), batches added per test.
void seedMasterData(TestDatabase& t) {
    t.exec("INSERT INTO supplier (id, name) VALUES (1, '国药控股华东医药有限公司'), (2, '九州通医药集团')");
    t.exec(
        "INSERT INTO product (id, name, barcode, specification, manufacturer, mnemonic_code, status) VALUES "
        "(1, '阿莫西林胶囊', '6901234567890', '0.25g*24粒', '华北制药股份有限公司', 'AMXLJN', 1), "
        "(2, '布洛芬缓释胶囊', '6902345678901', '0.3g*20粒', '中美天津史克制药有限公司', 'BLFHSJN', 1), "
        "(3, '复方甘草片', '6903456789012', '100片/瓶', '北京双鹤药业股份有限公司', 'FFGCP', 0)");
}

void addBatch(TestDatabase& t, int id, int productId, int supplierId, const QString& batchNo,
              const QString& expiry, int quantity = 100, const QString& status = "normal") {
    t.exec(
        "INSERT INTO inventory_batch (id, product_id, supplier_id, batch_no, production_date, expiry_date, "
        "quantity, status) VALUES (?, ?, ?, ?, '2024-01-01', ?, ?, ?)",
        {id, productId, supplierId, batchNo, expiry, quantity, status});
}

QStringList batchNos(const QList<ExpiryWarningItem>& items) {
    QStringList out;
    for (const ExpiryWarningItem& item : items)
        out << item.batchNo;
    return out;
}

} // namespace

// The near-expiry list and the start-up dialog that shows it.
class TestExpiryWarning : public QObject {
    Q_OBJECT
private slots:
    // Which batches are listed: by date window, stock, status and join.
    void listsStockedNormalBatchesInsideTheWindow() {
        TestDatabase t;
        seedMasterData(t);
        addBatch(t, 1, 1, 1, "expires-today", day(0));
        addBatch(t, 2, 1, 1, "tomorrow", day(1));
        addBatch(t, 3, 1, 2, "last-day", day(180));
        addBatch(t, 4, 1, 2, "one-too-far", day(181));
        addBatch(t, 5, 1, 1, "expired", day(-3));
        addBatch(t, 6, 2, 1, "no-stock", day(10), 0);
        addBatch(t, 7, 2, 1, "locked", day(10), 50, "locked");
        addBatch(t, 8, 3, 1, "delisted-drug", day(20));
        addBatch(t, 9, 99, 1, "drug-missing", day(20));
        addBatch(t, 10, 2, 0, "no-supplier", day(30));
        PinnedClock pin(kToday, QTime(14, 0));
        ExpiryWarningRepository repo(t.db());
        const QList<ExpiryWarningItem> items = repo.findNearExpiryItems(180);
        // Newest batch first, whatever the expiry dates.
        QCOMPARE(batchNos(items), (QStringList{"no-supplier", "delisted-drug", "last-day", "tomorrow"}));
        QCOMPARE(items.at(0).supplierName + items.at(1).productName, QStringLiteral("复方甘草片"));

        const ExpiryWarningItem& it = items.at(2);
        QCOMPARE((QStringList{QString::number(it.productId), it.productName, it.barcode, it.specification,
                              it.manufacturer, it.productionDate, it.expiryDate, QString::number(it.quantity),
                              QString::number(it.remainingDays), it.supplierName}),
                 (QStringList{"1", "阿莫西林胶囊", "6901234567890", "0.25g*24粒", "华北制药股份有限公司",
                              "2024-01-01", day(180), "100", "180", "九州通医药集团"}));
        QVERIFY(repo.findNearExpiryItems(0).isEmpty());
        QCOMPARE(batchNos(repo.findNearExpiryItems(1)), QStringList{"tomorrow"});
    }

    // Remaining days and the window follow the program's local date at any hour, also before 08:00 when
    // the UTC date is still yesterday. The pinned date is far from the machine's, so a count against
    // SQLite's own clock could never match.
    void remainingDaysCountFromTheLocalDate_data() {
        QTest::addColumn<QTime>("time");
        QTest::addColumn<int>("offset");
        for (const QTime& time : {QTime(0, 0, 0), QTime(7, 59, 59), QTime(8, 0), QTime(23, 59, 59)}) {
            for (int offset : {1, 180}) {
                const QByteArray name =
                    time.toString("HH:mm:ss").toLatin1() + " +" + QByteArray::number(offset);
                QTest::newRow(name.constData()) << time << offset;
            }
        }
    }
    void remainingDaysCountFromTheLocalDate() {
        QFETCH(QTime, time);
        QFETCH(int, offset);
        TestDatabase t;
        seedMasterData(t);
        addBatch(t, 1, 1, 1, "B1", day(offset));
        PinnedClock pin(kToday, time);
        const QList<ExpiryWarningItem> items = ExpiryWarningRepository(t.db()).findNearExpiryItems(180);
        QCOMPARE(items.size(), 1);
        QCOMPARE(items.at(0).remainingDays, offset);
    }

    void filtersAllMustMatch_data() {
        QTest::addColumn<QStringList>("filters"); // supplier, product, barcode, mnemonic, batch
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("supplier and product")
            << QStringList{"九州通", "阿莫西林", "", "", ""} << QStringList{"B2"};
        QTest::newRow("barcode part") << QStringList{"", "", "01234", "", ""} << QStringList{"B2", "B1"};
        QTest::newRow("mnemonic typed in lower case")
            << QStringList{"", "", "", "blf", ""} << QStringList{"B3"};
        QTest::newRow("only blanks is applied") << QStringList{"", " ", "", "", ""} << QStringList{};
    }
    void filtersAllMustMatch() {
        QFETCH(QStringList, filters);
        QFETCH(QStringList, expected);
        TestDatabase t;
        seedMasterData(t);
        addBatch(t, 1, 1, 1, "B1", day(40));
        addBatch(t, 2, 1, 2, "B2", day(50));
        addBatch(t, 3, 2, 2, "B3", day(60));
        PinnedClock pin(kToday);
        const QList<ExpiryWarningItem> items = ExpiryWarningRepository(t.db()).findNearExpiryItems(
            180, filters.at(0), filters.at(1), filters.at(2), filters.at(3), filters.at(4));
        QCOMPARE(batchNos(items), expected);
    }

    void failuresGiveAnEmptyList() {
        QVERIFY(ExpiryWarningRepository(nullptr).findNearExpiryItems(180).isEmpty());
        TestDatabase t;
        t.exec("DROP TABLE supplier");
        LogCapture log;
        QVERIFY(ExpiryWarningRepository(t.db()).findNearExpiryItems(180).isEmpty());
    }

    // The dialog shows the list in its order; only the remaining-days cell is coloured: dark red up to 30
    // days, dark yellow up to 90.
    void dialogShowsTheList() {
        TestDatabase t;
        seedMasterData(t);
        const QList<int> offsets = {91, 90, 31, 30};
        for (int i = 0; i < offsets.size(); ++i)
            addBatch(t, 4 - i, 1, 1, "B" + QString::number(offsets.at(i)), day(offsets.at(i)), 10 + i);
        PinnedClock pin(kToday);
        ExpiryWarningDialog dialog(ExpiryWarningRepository(t.db()).findNearExpiryItems(180));
        QCOMPARE(dialog.findChild<QLabel*>("labelTitle")->text(),
                 QStringLiteral("共 4 条近效期药品预警，以下药品将在近6个月内到期，请注意销售："));
        auto* table = dialog.findChild<QTableWidget*>("tableWidget");
        QStringList cells;
        for (int c = 0; c < 5; ++c)
            cells << table->item(0, c)->text();
        QCOMPARE(cells, (QStringList{"阿莫西林胶囊", "B91", day(91), "91 天", "10"}));
        const QList<QColor> colours = {QColor(Qt::black), Qt::darkYellow, Qt::darkYellow, Qt::darkRed};
        for (int r = 0; r < 4; ++r) {
            for (int c = 0; c < 5; ++c) {
                const QColor expected = c == 3 ? colours.at(r) : QColor(Qt::black);
                QCOMPARE(table->item(r, c)->data(Qt::BackgroundRole).value<QBrush>().color(), expected);
                QCOMPARE(table->item(r, c)->data(Qt::ForegroundRole).value<QBrush>().color(),
                         expected == Qt::black ? expected : QColor(Qt::white));
            }
        }
        ExpiryWarningDialog empty({});
        QCOMPARE(empty.findChild<QLabel*>("labelTitle")->text(), QStringLiteral("当前没有近效期药品预警"));
    }

    // Through the real modal loop, as the start-up check runs it.
    void okButtonEndsTheModalDialog() {
        ExpiryWarningDialog dialog({});
        dialog.setWindowModality(Qt::ApplicationModal);
        QPushButton* ok = dialog.findChild<QDialogButtonBox*>("buttonBox")->button(QDialogButtonBox::Ok);
        QCOMPARE(ok->text(), QStringLiteral("确定"));
        QTimer::singleShot(50, ok, &QPushButton::click);
        QCOMPARE(dialog.exec(), int(QDialog::Accepted));
    }
};

QTEST_MAIN(TestExpiryWarning)
#include "tst_expirywarning.moc"
