#include "core/transaction.h"
#include "tests/support/modalanswer.h"
#include "tests/support/pinnedclock.h"
#include "tests/support/testdatabase.h"
#include "ui/admin/operlogwindow.h"
#include "ui/common/prompts.h"

#include <QComboBox>
#include <QDateEdit>
#include <QFileDialog>
#include <QLabel>
#include <QMessageBox>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QtTest>

using namespace kestrovalin;
using namespace kestrovalin::test;

namespace {

const QDate kToday(2026, 3, 15);

void addEntry(TestDatabase& t, const QDateTime& at, const QString& module, const QString& detail) {
    t.exec(
        "INSERT INTO sys_operation_log (user_id, user_name, module, action, detail, ip_address, created_at) "
        "VALUES (1, '系统管理员', ?, '动作', ?, '127.0.0.1', ?)",
        {module, detail, at.toString("yyyy-MM-dd HH:mm:ss")});
}

QStringList column(OperLogWindow& w, int c) {
    auto* table = w.findChild<QTableWidget*>();
    QStringList out;
    for (int r = 0; r < table->rowCount(); ++r)
        out << table->item(r, c)->text();
    return out;
}
void click(OperLogWindow& w, const char* name) {
    w.findChild<QPushButton*>(name)->click();
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
            for (int i = 0; i < 505; ++i) // far outside the default month
                addEntry(t, QDateTime(QDate(2025, 1, 1), QTime(8, 0)).addSecs(i), "用户管理", "old");
            addEntry(t, QDateTime(QDate(2026, 3, 1), QTime(9, 0)), "销售收银", "S1");
            addEntry(t, QDateTime(kToday, QTime(23, 59, 59)), "盘点", "C7");
            addEntry(t, QDateTime(QDate(2026, 2, 14), QTime(23, 0)), "用户管理", "before the month");
            QVERIFY(tx.commit());
        }
        OperLogWindow w;
        auto* label = w.findChild<QLabel*>("labelCount");
        QCOMPARE(label->text(), QString("共 500 条记录"));
        QCOMPARE(column(w, 0).first(), QString("2026-03-15 23:59:59"));

        click(w, "btnSearch"); // default dates: the last month only
        QCOMPARE(column(w, 4), (QStringList{"C7", "S1"}));
        QCOMPARE(label->text(), QString("共 2 条记录"));
        auto* keyword = w.findChild<QLineEdit*>("editKeyword");
        keyword->setText("  动作 ");                   // every entry's action, once trimmed
        w.findChild<QComboBox*>()->setCurrentIndex(4); // 销售收银
        QTest::keyClick(keyword, Qt::Key_Return);
        QCOMPARE(column(w, 4), QStringList{"S1"});

        keyword->setText("x");
        w.findChild<QDateEdit*>("dateStart")->setDate(QDate(2026, 3, 16));
        click(w, "btnRefresh");
        QVERIFY(keyword->text().isEmpty() && w.findChild<QComboBox*>()->currentIndex() == 0);
        QCOMPARE(w.findChild<QDateEdit*>("dateStart")->date(), QDate(2026, 2, 15));
        QCOMPARE(column(w, 4).size(), 500);
    }

    void exportWritesShownRowsExactly() {
        TestDatabase t;
        addEntry(t, QDateTime(QDate(2026, 3, 2), QTime(9, 0)), "用户管理", "姓名: \"阿\"");
        addEntry(t, QDateTime(QDate(2026, 3, 3), QTime(9, 0)), "销售收银", "=HYPERLINK(1)");
        OperLogWindow w;
        // Refilled while sorted by a middle column: each row must keep its own cells, in the order shown.
        w.findChild<QTableWidget*>()->sortByColumn(4, Qt::DescendingOrder);
        click(w, "btnRefresh");
        QTemporaryDir dir;
        const QString path = dir.filePath("log.csv");
        QStringList seen; // through the real file dialog and message box
        {
            ModalAnswer<QFileDialog> files([&](QFileDialog* d) {
                seen << d->windowTitle();
                // Typed as a person would: selectFile() leaves a focused name field alone.
                d->findChild<QLineEdit*>("fileNameEdit")->setText(path);
                static_cast<QDialog*>(d)->accept();
            });
            ModalAnswer<QMessageBox> box([&](QMessageBox* b) {
                seen << b->windowTitle() + ":" + b->text();
                b->button(QMessageBox::Ok)->click();
            });
            Prompts::setTestMode(false);
            click(w, "btnExport");
            Prompts::setTestMode(true);
        }
        QCOMPARE(seen, (QStringList{"导出日志", "成功:日志已导出到:\n" + path}));
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(
            file.readAll(),
            QByteArray(
                "\xEF\xBB\xBF时间,用户,模块,操作,详情,IP地址,ID\n"
                "\"2026-03-02 09:00:00\",\"系统管理员\",\"用户管理\",\"动作\",\"姓名: "
                "\"\"阿\"\"\",\"127.0.0.1\",\"1\"\n"
                "\"2026-03-03 "
                "09:00:00\",\"系统管理员\",\"销售收银\",\"动作\",\"'=HYPERLINK(1)\",\"127.0.0.1\",\"2\"\n"));
        QCOMPARE(t.count("sys_operation_log"), 2); // the export itself is not logged

        // A failed write is reported, never a success.
        for (const QString failure : {"/nonexistent/x.csv|无法创建文件！", "/dev/full|无法写入文件！"}) {
            Prompts::reset();
            Prompts::queueFileName(failure.section('|', 0, 0));
            click(w, "btnExport");
            QCOMPARE(Prompts::history().size(), 2);
            QCOMPARE(Prompts::lastTitle() + Prompts::lastText(), "错误" + failure.section('|', 1));
        }
    }
};

QTEST_MAIN(TestOperLogWindow)
#include "tst_operlogwindow.moc"
