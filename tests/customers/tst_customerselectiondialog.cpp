#include "ui/common/prompts.h"
#include "ui/masterdata/customerselectiondialog.h"

#include "tests/customers/modalhelper.h"
#include "tests/support/testdatabase.h"

#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTableWidget>
#include <QtTest>

using namespace kestrovalin;
using kestrovalin::test::TestDatabase;
using kestrovalin::test::WhenModal;

namespace {

QStringList names(QTableWidget* table) {
    QStringList out;
    for (int r = 0; r < table->rowCount(); ++r)
        out.append(table->item(r, 1)->text());
    return out;
}

void seed(TestDatabase& t) {
    t.exec("INSERT INTO customer (id, name, phone, address, created_at) VALUES "
           "(20, '张三', '13800001111', '北京', '2030-01-01 08:00:00'), "
           "(21, '李四', '13912345678', '上海 浦东', '2030-01-02 08:00:00'), "
           "(22, '王五', '021-1380', '杭州', '2030-01-03 08:00:00')");
}

} // namespace

class TestCustomerSelectionDialog : public QObject {
    Q_OBJECT
private slots:
    void init() {
        Prompts::setTestMode(true);
        Prompts::reset();
    }

    void freshDatabaseListsTheShadedRetailCustomer() {
        TestDatabase t;
        CustomerSelectionDialog dlg;
        auto* table = dlg.findChild<QTableWidget*>("tableWidget");
        QCOMPARE(dlg.windowTitle(), QString("选择客户"));
        QCOMPARE(dlg.size(), QSize(600, 400));
        QCOMPARE(table->columnCount(), 4);
        QCOMPARE(table->horizontalHeaderItem(3)->text(), QString("地址"));
        QCOMPARE(table->columnWidth(1), 150);
        QCOMPARE(names(table), QStringList({"零售客户"}));
        for (int c = 0; c < 4; ++c)
            QCOMPARE(table->item(0, c)->background(), QBrush(QColor(200, 255, 200, 255), Qt::SolidPattern));

        dlg.findChild<QPushButton*>("btnConfirm")->click(); // no current row yet
        QCOMPARE(Prompts::lastTitle(), QString("提示"));
        QCOMPARE(Prompts::lastText(), QString("请选择一个客户"));
        QCOMPARE(dlg.result(), int(QDialog::Rejected));
        QCOMPARE(dlg.getSelectedCustomer().id, 0);
    }

    void liveSearchAsTyped() {
        TestDatabase t;
        seed(t);
        CustomerSelectionDialog dlg;
        auto* table = dlg.findChild<QTableWidget*>("tableWidget");
        auto* search = dlg.findChild<QLineEdit*>("editSearch");
        QCOMPARE(names(table), QStringList({"零售客户", "王五", "李四", "张三"}));
        QTest::keyClicks(search, "138");
        QCOMPARE(names(table), QStringList({"王五", "张三"}));
        search->setText(" ");
        QCOMPARE(names(table), QStringList({"李四"}));
        search->clear();
        QCOMPARE(table->rowCount(), 4);
    }

    void confirmAndDoubleClickReturnTheCustomer_data() {
        QTest::addColumn<bool>("doubleClick");
        QTest::newRow("confirm button") << false;
        QTest::newRow("double click") << true;
    }
    void confirmAndDoubleClickReturnTheCustomer() {
        QFETCH(bool, doubleClick);
        TestDatabase t;
        seed(t);
        CustomerSelectionDialog dlg;
        auto* table = dlg.findChild<QTableWidget*>("tableWidget");
        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        table->setCurrentCell(2, 0); // 李四
        if (doubleClick) {
            const QPoint point = table->visualItemRect(table->item(2, 3)).center();
            QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, point);
            QTest::mouseDClick(table->viewport(), Qt::LeftButton, {}, point);
        } else {
            dlg.findChild<QPushButton*>("btnConfirm")->click();
        }
        QCOMPARE(dlg.result(), int(QDialog::Accepted));
        QVERIFY(!dlg.isVisible());
        const models::Customer c = dlg.getSelectedCustomer();
        QCOMPARE(c.id, 21);
        QCOMPARE(c.name, QString("李四"));
        QCOMPARE(c.phone, QString("13912345678"));
        QVERIFY(Prompts::history().isEmpty());
    }

    void rowDeletedMeanwhileGivesIdZero() {
        TestDatabase t;
        seed(t);
        CustomerSelectionDialog dlg;
        dlg.findChild<QTableWidget*>("tableWidget")->setCurrentCell(1, 0);
        t.exec("DELETE FROM customer WHERE id=22");
        dlg.findChild<QPushButton*>("btnConfirm")->click();
        QCOMPARE(dlg.result(), int(QDialog::Accepted));
        QCOMPARE(dlg.getSelectedCustomer().id, 0);
    }

    void realWarningBoxIsWired() {
        TestDatabase t;
        Prompts::setTestMode(false);
        CustomerSelectionDialog dlg;
        QString title, text;
        WhenModal<QMessageBox> answer([&](QMessageBox* box) {
            title = box->windowTitle();
            text = box->text();
            box->button(QMessageBox::Ok)->click();
        });
        dlg.findChild<QPushButton*>("btnConfirm")->click();
        Prompts::setTestMode(true);
        QCOMPARE(title, QString("提示"));
        QCOMPARE(text, QString("请选择一个客户"));
    }
};

QTEST_MAIN(TestCustomerSelectionDialog)
#include "tst_customerselectiondialog.moc"
