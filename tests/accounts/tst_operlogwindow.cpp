#include "core/transaction.h"
#include "tests/support/pinnedclock.h"
#include "tests/support/testdatabase.h"
#include "ui/admin/operlogwindow.h"
#include "ui/common/prompts.h"

#include <QComboBox>
#include <QDateEdit>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

using namespace kestrovalin;
using kestrovalin::test::PinnedClock;
using kestrovalin::test::TestDatabase;

namespace {

const QDate kToday(2026, 3, 15);

void addEntry(TestDatabase& t, const QDateTime& at, const QString& module, const QString& action,
              const QString& detail, const QString& user = "系统管理员") {
    t.exec(
        "INSERT INTO sys_operation_log (user_id, user_name, module, action, detail, ip_address, created_at) "
        "VALUES (1, ?, ?, ?, ?, '127.0.0.1', ?)",
        {user, module, action, detail, at.toString("yyyy-MM-dd HH:mm:ss")});
}

QTableWidget* table(OperLogWindow& w) {
    return w.findChild<QTableWidget*>("tableLogs");
}
void click(OperLogWindow& w, const char* name) {
    w.findChild<QPushButton*>(name)->click();
}
QStringList column(OperLogWindow& w, int c) {
    QStringList out;
    for (int r = 0; r < table(w)->rowCount(); ++r)
        out << table(w)->item(r, c)->text();
    return out;
}

} // namespace

class TestOperLogWindow : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { Prompts::setTestMode(true); }
    void init() { Prompts::reset(); }

    void firstLoadAndResetIgnoreDatesSearchUsesThem() {
        TestDatabase t;
        PinnedClock pin(kToday);
        {
            Transaction tx(t.db());
            // 505 old entries, far outside the default month, and three recent ones.
            for (int i = 0; i < 505; ++i)
                addEntry(t, QDateTime(QDate(2025, 1, 1), QTime(8, 0)).addSecs(i), "用户管理", "启用", "old");
            addEntry(t, QDateTime(QDate(2026, 3, 1), QTime(9, 0)), "销售收银", "新增销售单", "订单号: S1");
            addEntry(t, QDateTime(QDate(2026, 3, 15), QTime(23, 59, 59)), "盘点", "审核盘点单", "盘点单ID: 7",
                     "王五");
            addEntry(t, QDateTime(QDate(2026, 2, 14), QTime(23, 0)), "用户管理", "禁用", "用户名: li");
            QVERIFY(tx.commit());
        }
        OperLogWindow w;
        auto* label = w.findChild<QLabel*>("labelCount");
        QCOMPARE(table(w)->rowCount(), 500);
        QCOMPARE(label->text(), QString("共 500 条记录"));
        QCOMPARE(table(w)->item(0, 0)->text(), QString("2026-03-15 23:59:59"));

        click(w, "btnSearch"); // default dates: the last month only
        QCOMPARE(column(w, 4), (QStringList{"盘点单ID: 7", "订单号: S1"}));
        QCOMPARE(label->text(), QString("共 2 条记录"));

        auto* keyword = w.findChild<QLineEdit*>("editKeyword");
        auto* module = w.findChild<QComboBox*>("comboModule");
        keyword->setText("  王五 ");
        QTest::keyClick(keyword, Qt::Key_Return);
        QCOMPARE(column(w, 1), QStringList{"王五"});
        keyword->clear();
        module->setCurrentIndex(4); // 销售收银
        click(w, "btnSearch");
        QCOMPARE(column(w, 3), QStringList{"新增销售单"});
        module->setCurrentIndex(0);
        w.findChild<QDateEdit*>("dateStart")->setDate(QDate(2026, 3, 16));
        click(w, "btnSearch");
        QCOMPARE(table(w)->rowCount(), 0);

        keyword->setText("x");
        module->setCurrentIndex(2);
        click(w, "btnRefresh");
        QVERIFY(keyword->text().isEmpty());
        QCOMPARE(module->currentIndex(), 0);
        QCOMPARE(w.findChild<QDateEdit*>("dateStart")->date(), QDate(2026, 2, 15));
        QCOMPARE(w.findChild<QDateEdit*>("dateEnd")->date(), kToday);
        QCOMPARE(table(w)->rowCount(), 500);
    }

    // Every row keeps its own cells through the fill, whatever column the table is sorted by.
    void rowsKeepTheirCellsWhenSorted() {
        TestDatabase t;
        PinnedClock pin(kToday);
        const QDateTime base(QDate(2026, 3, 1), QTime(10, 0));
        for (int i = 1; i <= 12; ++i)
            addEntry(t, base.addSecs(i * 37 % 12 * 60), "用户管理", "启用", "d" + QString::number(i));
        OperLogWindow w;
        table(w)->sortByColumn(4, Qt::AscendingOrder);
        click(w, "btnRefresh");
        for (int r = 0; r < 12; ++r) {
            const int id = table(w)->item(r, 6)->text().toInt();
            QCOMPARE(table(w)->item(r, 4)->text(), "d" + QString::number(id));
            QCOMPARE(table(w)->item(r, 0)->text(),
                     base.addSecs(id * 37 % 12 * 60).toString("yyyy-MM-dd HH:mm:ss"));
        }
        QCOMPARE(column(w, 4).mid(0, 2), (QStringList{"d1", "d10"})); // sorted as text
    }

    void exportWritesShownRowsExactly() {
        TestDatabase t;
        PinnedClock pin(kToday);
        addEntry(t, QDateTime(QDate(2026, 3, 2), QTime(9, 0)), "用户管理", "新增用户",
                 "用户名: a, 姓名: \"阿\"");
        addEntry(t, QDateTime(QDate(2026, 3, 3), QTime(9, 0)), "销售收银", "=HYPERLINK(1)", "-1,5");
        OperLogWindow w;
        table(w)->sortByColumn(6, Qt::AscendingOrder);
        QTemporaryDir dir;
        const QString path = dir.filePath("日志.csv");
        Prompts::queueFileName(path);
        click(w, "btnExport");
        QCOMPARE(Prompts::history().first().title, QString("导出日志"));
        QCOMPARE(Prompts::lastTitle(), QString("成功"));
        QCOMPARE(Prompts::lastText(), "日志已导出到:\n" + path);
        const QString expected = "时间,用户,模块,操作,详情,IP地址,ID\n"
                                 "\"2026-03-02 09:00:00\",\"系统管理员\",\"用户管理\",\"新增用户\","
                                 "\"用户名: a, 姓名: \"\"阿\"\"\",\"127.0.0.1\",\"1\"\n"
                                 "\"2026-03-03 09:00:00\",\"系统管理员\",\"销售收银\",\"'=HYPERLINK(1)\","
                                 "\"'-1,5\",\"127.0.0.1\",\"2\"\n";
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArray("\xEF\xBB\xBF") + expected.toUtf8());
        QCOMPARE(t.count("sys_operation_log"), 2); // the export itself is not logged

        // A failed write is reported, never a success.
        const QStringList failures = {"/nonexistent-folder/x.csv", "无法创建文件！", "/dev/full",
                                      "无法写入文件！"};
        for (int i = 0; i < failures.size(); i += 2) {
            Prompts::reset();
            Prompts::queueFileName(failures.at(i));
            click(w, "btnExport");
            QCOMPARE(Prompts::history().size(), 2);
            QCOMPARE(Prompts::lastTitle() + Prompts::lastText(), "错误" + failures.at(i + 1));
        }
    }

    // Through the real file dialog and message box.
    void exportThroughTheRealDialogs() {
        TestDatabase t;
        PinnedClock pin(kToday);
        OperLogWindow w;
        QTemporaryDir dir;
        const QString path = dir.filePath("log.csv");
        QStringList seen;
        QTimer timer;
        timer.setInterval(10);
        connect(&timer, &QTimer::timeout, [&] {
            QWidget* modal = QApplication::activeModalWidget();
            if (auto* files = qobject_cast<QFileDialog*>(modal)) {
                files->selectFile(path);
                static_cast<QDialog*>(files)->accept();
            } else if (auto* box = qobject_cast<QMessageBox*>(modal)) {
                seen << box->windowTitle() + ":" + box->text();
                box->button(QMessageBox::Ok)->click();
            }
        });
        Prompts::setTestMode(false);
        timer.start();
        click(w, "btnExport");
        Prompts::setTestMode(true);
        QCOMPARE(seen, QStringList{"成功:日志已导出到:\n" + path});
        QVERIFY(QFile::exists(path));
    }
};

QTEST_MAIN(TestOperLogWindow)
#include "tst_operlogwindow.moc"
