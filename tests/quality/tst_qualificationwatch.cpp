#include "repositories/supplierrepository.h"
#include "tests/support/testmain.h"
#include "ui/common/prompts.h"
#include "ui/quality/qualificationwarningwindow.h"
#include "ui/reports/supplierreportwindow.h"

#include "tests/support/modeltexts.h"
#include "tests/support/pinnedclock.h"
#include "tests/support/reportprobe.h"
#include "tests/support/testdatabase.h"
#include "tests/support/windowprobe.h"

#include <QComboBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QTableView>
#include <QTemporaryDir>
#include <QtTest>

using namespace kestrovalin;
using namespace kestrovalin::test;

namespace {

const QDate kToday(2025, 6, 15);

QString day(int offset) {
    return kToday.addDays(offset).toString("yyyy-MM-dd");
}

const QString kFarOff = day(2000);

// The four expiry dates as given: a null QVariant is stored as NULL, a QString as that text ('' included).
struct Dates {
    QVariant licence = kFarOff;
    QVariant business = kFarOff;
    QVariant gsp = kFarOff;
    QVariant tax = kFarOff;
};

void addSupplier(TestDatabase& t, int id, const QString& name, const Dates& d,
                 const QString& qualification = "valid", const QString& status = "active",
                 const QString& scope = "中成药") {
    t.exec(
        "INSERT INTO supplier (id, name, license_no, business_license_no, business_scope, "
        "license_expire_date, business_license_expire_date, gsp_cert_no, gsp_cert_expire_date, tax_reg_no, "
        "tax_reg_expire_date, qualification_status, status) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)",
        {id, name, QString("许%1").arg(id), QString("营%1").arg(id), scope, d.licence, d.business,
         QString("GSP%1").arg(id), d.gsp, QString("税%1").arg(id), d.tax, qualification, status});
}

const QAbstractItemModel* modelOf(QObject* window, const char* table) {
    return tableModel(window, table);
}

// The supplier whose licence date is the one under test, beside one that is never listed.
void oneLicenceDate(TestDatabase& t, const QVariant& licence) {
    Dates d;
    d.licence = licence;
    addSupplier(t, 1, "华东医药", d);
    addSupplier(t, 2, "远期医药", Dates());
}

} // namespace

class TestQualificationWatch : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { startReportTests(); }
    void init() { Prompts::reset(); }

    // ---- the rule ----

    // Days to a stored date, read in the stored form only; anything else counts for nothing.
    void daysUntil_data() {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<int>("days"); // -9999: no date
        QTest::newRow("tomorrow") << "2025-06-16" << 1;
        QTest::newRow("long ago") << "1999-12-31" << int(QDate(1999, 12, 31).daysTo(kToday)) * -1;
        QTest::newRow("no such day") << "2025-02-29" << -9999;
        QTest::newRow("month 13") << "2025-13-01" << -9999;
        QTest::newRow("unpadded") << "2025-6-16" << -9999;
        QTest::newRow("slashes") << "2025/06/16" << -9999;
        QTest::newRow("with time") << "2025-06-16 08:00:00" << -9999;
        QTest::newRow("full-width digits") << "２０２５-０６-１６" << -9999;
        QTest::newRow("empty") << "" << -9999;
    }
    void daysUntil() {
        QFETCH(QString, stored);
        QFETCH(int, days);
        const std::optional<qint64> found = repositories::SupplierRepository::daysUntil(stored, kToday);
        QCOMPARE(found ? int(*found) : -9999, days);
    }

    // ---- warning window ----

    // One date decides: passed or up to 30 days ahead lists the supplier with its suffix; further off, in
    // another form or empty, it is not listed.
    void warningDateRule_data() {
        QTest::addColumn<QVariant>("licence");
        QTest::addColumn<QString>("cell");
        QTest::addColumn<QString>("status");
        QTest::newRow("yesterday") << QVariant(day(-1)) << day(-1) + " (已过期)" << QString("已过期");
        QTest::newRow("today") << QVariant(day(0)) << day(0) + " (0天后到期)" << QString("即将到期");
        QTest::newRow("in 30 days") << QVariant(day(30)) << day(30) + " (30天后到期)" << QString("即将到期");
        QTest::newRow("in 31 days") << QVariant(day(31)) << QString() << QString();
        QTest::newRow("other form") << QVariant("2025/06/01") << QString() << QString();
        QTest::newRow("empty text") << QVariant("") << QString() << QString();
        QTest::newRow("NULL") << QVariant(QVariant::String) << QString() << QString();
    }
    void warningDateRule() {
        QFETCH(QVariant, licence);
        QFETCH(QString, cell);
        QFETCH(QString, status);
        PinnedClock clock(kToday, QTime(0, 10));
        TestDatabase t;
        oneLicenceDate(t, licence);
        QualificationWarningWindow w;
        const QAbstractItemModel* m = modelOf(&w, "tableWidget");
        QCOMPARE(texts(m, -1, 2), cell);
        QCOMPARE(texts(m, -1, 6), status);
        QCOMPARE(labelText(&w, "labelTotal"), QString("共 %1 条预警记录").arg(cell.isEmpty() ? 0 : 1));
    }

    // Colours follow the supplier: with a passed date every filled date cell is red, the far one without a
    // suffix; an expiring supplier's cells are dark yellow; empty cells keep the default; a date in another
    // form is shown as stored. Newest id first; suspended suppliers and the stored status play no part.
    void warningRowsFollowTheSupplier() {
        PinnedClock clock(kToday);
        TestDatabase t;
        addSupplier(t, 1, "甲医药", {day(-1), kFarOff, day(800), QVariant(QVariant::String)}, "valid");
        addSupplier(t, 2, "乙医药", {"2026/12/31", "", day(5), kFarOff}, "expired");
        addSupplier(t, 3, "丙医药", {day(-3), day(10), kFarOff, kFarOff}, "valid");
        addSupplier(t, 4, "停用医药", {day(-1), kFarOff, kFarOff, kFarOff}, "expired", "suspended");
        addSupplier(t, 5, "续期医药", Dates(), "expired");
        QualificationWarningWindow w;
        const QAbstractItemModel* m = modelOf(&w, "tableWidget");
        QCOMPARE(texts(m, -1, 0), QString("丙医药|乙医药|甲医药"));
        QCOMPARE(texts(m, -1, 1), QString("许3|许2|许1"));
        QCOMPARE(texts(m, -1, 2), day(-3) + " (已过期)|2026/12/31|" + day(-1) + " (已过期)");
        QCOMPARE(texts(m, -1, 3), day(10) + " (10天后到期)||" + kFarOff);
        QCOMPARE(texts(m, -1, 4), kFarOff + "|" + day(5) + " (5天后到期)|" + day(800));
        QCOMPARE(texts(m, -1, 5), kFarOff + "|" + kFarOff + "|");
        QCOMPARE(texts(m, -1, 6), QString("已过期|即将到期|已过期"));
        const QString red = "#ff0000", yellow = "#808000";
        QCOMPARE(columnColours(m, 0), QString("-|-|-"));
        QCOMPARE(columnColours(m, 2), red + "|" + yellow + "|" + red);
        QCOMPARE(columnColours(m, 3), red + "|-|" + red);
        QCOMPARE(columnColours(m, 4), red + "|" + yellow + "|" + red);
        QCOMPARE(columnColours(m, 5), red + "|" + yellow + "|-");
        QCOMPARE(columnColours(m, 6), red + "|" + yellow + "|" + red);
        QCOMPARE(labelText(&w, "labelTotal"), QString("共 3 条预警记录"));
    }

    // A blank or all-space search shows every listed supplier again; a part of the name matches anywhere;
    // Return in the field does not search; suspended suppliers never show.
    void warningSearch() {
        PinnedClock clock(kToday);
        TestDatabase t;
        addSupplier(t, 1, "上海康联医药", {day(-1), kFarOff, kFarOff, kFarOff});
        addSupplier(t, 2, "江苏恒泰医药", {day(3), kFarOff, kFarOff, kFarOff});
        addSupplier(t, 3, "上海停用医药", {day(-1), kFarOff, kFarOff, kFarOff}, "valid", "suspended");
        QualificationWarningWindow w;
        const QAbstractItemModel* m = modelOf(&w, "tableWidget");
        auto* name = child<QLineEdit>(&w, "txtSupplierName");
        name->setText(" 上海 ");
        click(&w, "btnSearch");
        QCOMPARE(texts(m, -1, 0), QString("上海康联医药"));
        name->setText("恒泰");
        QTest::keyClick(name, Qt::Key_Return);
        QCOMPARE(texts(m, -1, 0), QString("上海康联医药"));
        click(&w, "btnSearch");
        QCOMPARE(texts(m, -1, 0), QString("江苏恒泰医药"));
        name->setText("   ");
        click(&w, "btnSearch");
        QCOMPARE(texts(m, -1, 0), QString("江苏恒泰医药|上海康联医药"));
        QCOMPARE(labelText(&w, "labelTotal"), QString("共 2 条预警记录"));
    }

    // The window's own frame: title, placement on the parent, no row numbers, the view's own selection,
    // read-only; no adapter gives an empty list with 0.
    void warningFrame() {
        PinnedClock clock(kToday);
        QWidget parent;
        parent.setGeometry(0, 0, 1000, 700);
        {
            TestDatabase t;
            QualificationWarningWindow w(&parent);
            QCOMPARE(w.windowTitle(), QString("供应商资质到期预警"));
            QCOMPARE(w.size(), QSize(900, 560));
            auto* table = child<QTableView>(&w, "tableWidget");
            QVERIFY(!table->verticalHeader()->isVisible());
            QCOMPARE(table->selectionBehavior(), QAbstractItemView::SelectItems);
            QCOMPARE(table->editTriggers(), QAbstractItemView::NoEditTriggers);
            QVERIFY(table->horizontalHeader()->stretchLastSection());
            QCOMPARE(texts(table->model(), -1, 0), QString());
        }
        QualificationWarningWindow closed;
        QCOMPARE(labelText(&closed, "labelTotal"), QString("共 0 条预警记录"));
    }

    // ---- supplier qualification book ----

    // Each choice filters the same base list with the same test as the status column: an empty-text date
    // counts for nothing (not expired), a supplier with a passed and an expiring date is under both, the
    // GSP and tax dates count though the tax date has no column; suspended suppliers never show.
    void bookChoices_data() {
        QTest::addColumn<int>("choice");
        QTest::addColumn<QString>("names");
        QTest::newRow("全部") << 0 << QString("停用码|空日期|税务过期|GSP将到|双重|今天到期|昨天过期|有效");
        QTest::newRow("资质有效") << 1 << QString("停用码|空日期|有效");
        QTest::newRow("即将到期") << 2 << QString("GSP将到|双重|今天到期");
        QTest::newRow("已过期") << 3 << QString("税务过期|双重|昨天过期");
    }
    void bookChoices() {
        QFETCH(int, choice);
        QFETCH(QString, names);
        PinnedClock clock(kToday, QTime(0, 30));
        TestDatabase t;
        addSupplier(t, 1, "有效", {day(31), day(31), day(31), day(31)});
        addSupplier(t, 2, "昨天过期", {day(-1), kFarOff, kFarOff, kFarOff});
        addSupplier(t, 3, "今天到期", {kFarOff, day(0), kFarOff, kFarOff});
        addSupplier(t, 4, "双重", {day(-5), day(30), kFarOff, kFarOff});
        addSupplier(t, 5, "GSP将到", {kFarOff, kFarOff, day(7), kFarOff});
        addSupplier(t, 6, "税务过期", {kFarOff, kFarOff, kFarOff, day(-2)});
        addSupplier(t, 7, "空日期", {"", "", "2025/01/01", QVariant(QVariant::String)});
        addSupplier(t, 8, "停用码", Dates(), "pending");
        addSupplier(t, 9, "已停用", {day(-1), day(1), kFarOff, kFarOff}, "expired", "suspended");
        SupplierReportWindow w;
        child<QComboBox>(&w, "comboStatus")->setCurrentIndex(choice);
        QCOMPARE(texts(tableModel(&w, "tableReport"), -1, 1), names);
        QCOMPARE(labelText(&w, "labelTotal"), QString("共 %1 条记录").arg(names.split('|').size()));
    }

    // Status words and colours from the local date; date colours only in the licence and business licence
    // columns, which are centred with the status; the GSP date neither; a stale stored code shown as stored.
    void bookStatusAndColours() {
        PinnedClock clock(kToday);
        TestDatabase t;
        addSupplier(t, 1, "有效", {day(31), "2025/01/01", kFarOff, day(31)}, "valid", "active",
                    "中成药,中药饮片");
        addSupplier(t, 2, "昨天过期", {day(-1), day(0), kFarOff, kFarOff}, "valid", "active", "");
        addSupplier(t, 3, "将到", {day(30), kFarOff, kFarOff, kFarOff}, "expired");
        addSupplier(t, 4, "GSP过期", {kFarOff, kFarOff, day(-2), kFarOff});
        addSupplier(t, 5, "税务将到", {kFarOff, kFarOff, kFarOff, day(9)});
        addSupplier(t, 6, "旧码", Dates(), "expired");
        SupplierReportWindow w;
        const QAbstractItemModel* m = tableModel(&w, "tableReport");
        QCOMPARE(texts(m, -1, 0), QString("1|2|3|4|5|6"));
        QCOMPARE(texts(m, -1, 1), QString("旧码|税务将到|GSP过期|将到|昨天过期|有效"));
        QCOMPARE(texts(m, -1, 4), QString("中成药|中成药|中成药|中成药||中成药、中药饮片"));
        QCOMPARE(texts(m, -1, 5),
                 QStringList({kFarOff, kFarOff, kFarOff, day(30), day(-1), day(31)}).join('|'));
        QCOMPARE(texts(m, -1, 6),
                 QStringList({kFarOff, kFarOff, kFarOff, kFarOff, day(0), "2025/01/01"}).join('|'));
        QCOMPARE(texts(m, -1, 8),
                 QStringList({kFarOff, kFarOff, day(-2), kFarOff, kFarOff, kFarOff}).join('|'));
        QCOMPARE(texts(m, -1, 10), QString("expired|即将到期|已过期|即将到期|已过期|有效"));
        QCOMPARE(columnColours(m, 10), QString("-|#ff8c00|#ff0000|#ff8c00|#ff0000|#009900"));
        QCOMPARE(columnColours(m, 5, Qt::BackgroundRole), QString("-|-|-|#808000|#800000|-"));
        QCOMPARE(columnColours(m, 5), QString("-|-|-|#ffffff|#ffffff|-"));
        QCOMPARE(columnColours(m, 6, Qt::BackgroundRole), QString("-|-|-|-|#808000|-"));
        QCOMPARE(columnColours(m, 8, Qt::BackgroundRole), QString("-|-|-|-|-|-"));
        QCOMPARE(columnColours(m, 8), QString("-|-|-|-|-|-"));
        QCOMPARE(m->index(0, 5).data(Qt::TextAlignmentRole).toInt(), int(Qt::AlignCenter));
        QCOMPARE(m->index(0, 6).data(Qt::TextAlignmentRole).toInt(), int(Qt::AlignCenter));
        QCOMPARE(m->index(0, 10).data(Qt::TextAlignmentRole).toInt(), int(Qt::AlignCenter));
        QVERIFY(!m->index(0, 8).data(Qt::TextAlignmentRole).isValid());
    }

    // A change of the choice queries again at once; the name field waits for the button, Return does nothing;
    // a keyword narrows every choice the same way (ASCII letters in either case).
    void bookRequeries() {
        PinnedClock clock(kToday);
        TestDatabase t;
        addSupplier(t, 1, "ABC医药", {day(-1), kFarOff, kFarOff, kFarOff});
        SupplierReportWindow w;
        const QAbstractItemModel* m = tableModel(&w, "tableReport");
        QCOMPARE(texts(m, -1, 1), QString("ABC医药"));
        addSupplier(t, 2, "XYZ医药", {kFarOff, kFarOff, kFarOff, day(-3)});
        auto* name = child<QLineEdit>(&w, "editSupplier");
        name->setText(" abc ");
        QTest::keyClick(name, Qt::Key_Return);
        QCOMPARE(texts(m, -1, 1), QString("ABC医药"));
        child<QComboBox>(&w, "comboStatus")->setCurrentIndex(3);
        QCOMPARE(texts(m, -1, 1), QString("ABC医药"));
        name->setText("");
        click(&w, "btnQuery");
        QCOMPARE(texts(m, -1, 1), QString("XYZ医药|ABC医药"));
        child<QComboBox>(&w, "comboStatus")->setCurrentIndex(1);
        QCOMPARE(texts(m, -1, 1), QString());
        QCOMPARE(labelText(&w, "labelTotal"), QString("共 0 条记录"));
    }

    // The combo's items with their codes, and the export: header line, cells as shown, log under 供应商管理.
    void bookComboAndExport() {
        PinnedClock clock(kToday);
        TestDatabase t;
        addSupplier(t, 1, "康联医药", {day(-1), kFarOff, kFarOff, kFarOff}, "valid", "active",
                    "中成药,抗生素");
        SupplierReportWindow w;
        auto* combo = child<QComboBox>(&w, "comboStatus");
        QStringList items;
        for (int i = 0; i < combo->count(); ++i)
            items << combo->itemText(i) + "=" + combo->itemData(i).toString();
        QCOMPARE(items.join(','), QString("全部=all,资质有效=valid,即将到期=expiring,已过期=expired"));
        QCOMPARE(combo->currentIndex(), 0);
        QTemporaryDir dir;
        Prompts::queueFileName(dir.filePath("suppliers.csv"));
        click(&w, "btnExport");
        QCOMPARE(Prompts::history().at(0).title, QString("导出供应商资质一览表"));
        const QStringList lines = fileLines(dir.filePath("suppliers.csv"));
        QCOMPARE(lines.value(0), QString("供应商资质一览表"));
        QCOMPARE(lines.value(1),
                 QString("序号,供应商名称,许可证号,营业执照号,经营范围,许可证到期日,营业执照到期日,"
                         "GSP证书号,GSP证书有效期至,税务登记号,资质状态"));
        QCOMPARE(lines.value(2),
                 QString("\"1\",\"康联医药\",\"许1\",\"营1\",\"中成药、抗生素\",\"%1\",\"%2\","
                         "\"GSP1\",\"%2\",\"税1\",\"已过期\"")
                     .arg(day(-1), kFarOff));
        QCOMPARE(Prompts::lastText(), "供应商资质一览表已导出到:\n" + dir.filePath("suppliers.csv"));
        QCOMPARE(operationLogRows(t), QString("系统管理员/供应商管理/导出供应商资质一览表/导出 1 条记录"));
    }
};

KV_TEST_CLASS(TestQualificationWatch)
#include "tst_qualificationwatch.moc"
