#include "ui/purchasing/expirywarningdialog.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>
#include <QtTest>

using namespace kestrovalin;
using kestrovalin::repositories::ExpiryWarningItem;

namespace {

ExpiryWarningItem item(const QString& name, int remainingDays, int quantity = 20) {
    ExpiryWarningItem it;
    it.productName = name;
    it.batchNo = QStringLiteral("B%1").arg(remainingDays);
    it.expiryDate = QDate(2026, 3, 1).addDays(remainingDays).toString("yyyy-MM-dd");
    it.remainingDays = remainingDays;
    it.quantity = quantity;
    return it;
}

QTableWidget* tableOf(ExpiryWarningDialog& dialog) {
    return dialog.findChild<QTableWidget*>("tableWidget");
}

QString labelOf(ExpiryWarningDialog& dialog) {
    return dialog.findChild<QLabel*>("labelTitle")->text();
}

} // namespace

class TestExpiryWarningDialog : public QObject {
    Q_OBJECT
private slots:
    void showsTheRowsInListOrder() {
        const QList<ExpiryWarningItem> items = {item("阿莫西林胶囊", 12, 30), item("复方甘草片", 150, 8),
                                                item("蒙脱石散", 60, 45)};
        ExpiryWarningDialog dialog(items);
        QCOMPARE(dialog.windowTitle(), QStringLiteral("近效期药品预警"));
        QCOMPARE(dialog.size(), QSize(800, 500));
        QTableWidget* table = tableOf(dialog);
        QCOMPARE(table->columnCount(), 5);
        QCOMPARE(table->horizontalHeaderItem(3)->text(), QStringLiteral("剩余天数"));
        QCOMPARE(table->editTriggers(), QAbstractItemView::NoEditTriggers);

        QCOMPARE(table->rowCount(), 3);
        QCOMPARE(labelOf(dialog),
                 QStringLiteral("共 3 条近效期药品预警，以下药品将在近6个月内到期，请注意销售："));
        const QStringList firstRow = {table->item(0, 0)->text(), table->item(0, 1)->text(),
                                      table->item(0, 2)->text(), table->item(0, 3)->text(),
                                      table->item(0, 4)->text()};
        QCOMPARE(firstRow, (QStringList{"阿莫西林胶囊", "B12", "2026-03-13", "12 天", "30"}));
        QCOMPARE(table->item(1, 0)->text(), QStringLiteral("复方甘草片"));
        QCOMPARE(table->item(2, 3)->text(), QStringLiteral("60 天"));
        QCOMPARE(table->item(2, 3)->textAlignment(), int(Qt::AlignCenter));
    }

    void emptyListSaysSo() {
        ExpiryWarningDialog dialog({});
        QCOMPARE(tableOf(dialog)->rowCount(), 0);
        QCOMPARE(labelOf(dialog), QStringLiteral("当前没有近效期药品预警"));
    }

    // Only the remaining-days cell is coloured: dark red up to 30 days, dark yellow up to 90.
    void remainingDaysColour_data() {
        QTest::addColumn<int>("days");
        QTest::addColumn<QColor>("background"); // invalid: the table's own colours
        QTest::newRow("negative") << -2 << QColor(Qt::darkRed);
        QTest::newRow("0") << 0 << QColor(Qt::darkRed);
        QTest::newRow("30") << 30 << QColor(Qt::darkRed);
        QTest::newRow("31") << 31 << QColor(Qt::darkYellow);
        QTest::newRow("90") << 90 << QColor(Qt::darkYellow);
        QTest::newRow("91") << 91 << QColor();
        QTest::newRow("180") << 180 << QColor();
    }
    void remainingDaysColour() {
        QFETCH(int, days);
        QFETCH(QColor, background);
        ExpiryWarningDialog dialog({item("板蓝根颗粒", days)});
        QTableWidget* table = tableOf(dialog);
        for (int c = 0; c < 5; ++c) {
            const QTableWidgetItem* cell = table->item(0, c);
            const bool coloured = c == 3 && background.isValid();
            QCOMPARE(cell->data(Qt::BackgroundRole).value<QBrush>().color(),
                     coloured ? background : QBrush().color());
            QCOMPARE(cell->data(Qt::ForegroundRole).isValid(), coloured);
            if (coloured)
                QCOMPARE(cell->foreground().color(), QColor(Qt::white));
        }
    }

    // Through the real modal loop, as the start-up check runs it.
    void okButtonEndsTheModalDialog() {
        ExpiryWarningDialog dialog({item("氯雷他定片", 45)});
        dialog.setWindowModality(Qt::ApplicationModal);
        QPushButton* ok = dialog.findChild<QDialogButtonBox*>("buttonBox")->button(QDialogButtonBox::Ok);
        QVERIFY(ok);
        QCOMPARE(ok->text(), QStringLiteral("确定"));
        QTimer timer;
        timer.setInterval(10);
        connect(&timer, &QTimer::timeout, [&] {
            if (QApplication::activeModalWidget() == &dialog)
                ok->click();
        });
        timer.start();
        QCOMPARE(dialog.exec(), int(QDialog::Accepted));
    }
};

QTEST_MAIN(TestExpiryWarningDialog)
#include "tst_expirywarningdialog.moc"
