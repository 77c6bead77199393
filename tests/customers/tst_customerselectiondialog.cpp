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

    void liveSearchAsTyped() {
        TestDatabase t;
        seed(t);
        CustomerSelectionDialog dlg;
        auto* table = dlg.findChild<QTableWidget*>("tableWidget");
        QTest::keyClicks(dlg.findChild<QLineEdit*>("editSearch"), "138");
        QCOMPARE(names(table), QStringList({"王五", "张三"}));
        dlg.findChild<QLineEdit*>("editSearch")->clear();
        QCOMPARE(names(table), QStringList({"零售客户", "王五", "李四", "张三"}));
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
        QCOMPARE(QString::number(c.id) + c.name + c.phone, QString("21李四13912345678"));
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

    // Confirm without a current row, through the real message box.
    void confirmWithoutARowWarns() {
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
        QCOMPARE(title + text, QString("提示请选择一个客户"));
        QCOMPARE(dlg.result(), int(QDialog::Rejected));
        QCOMPARE(dlg.getSelectedCustomer().id, 0);
    }
};

QTEST_MAIN(TestCustomerSelectionDialog)
#include "tst_customerselectiondialog.moc"
