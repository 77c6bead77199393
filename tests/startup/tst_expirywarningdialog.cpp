#include "ui/purchasing/expirywarningdialog.h"

#include <QDialogButtonBox>
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
        ExpiryWarningDialog dialog(
            {item("阿莫西林胶囊", 12, 30), item("复方甘草片", 150, 8), item("蒙脱石散", 60, 45)});
        QTableWidget* table = tableOf(dialog);
        QCOMPARE(labelOf(dialog),
                 QStringLiteral("共 3 条近效期药品预警，以下药品将在近6个月内到期，请注意销售："));
        QStringList cells;
        for (int r = 0; r < table->rowCount(); ++r)
            for (int c = 0; c < table->columnCount(); ++c)
                cells << table->item(r, c)->text();
        QCOMPARE(cells,
                 (QStringList{"阿莫西林胶囊", "B12", "2026-03-13", "12 天", "30", "复方甘草片", "B150",
                              "2026-07-29", "150 天", "8", "蒙脱石散", "B60", "2026-04-30", "60 天", "45"}));
        ExpiryWarningDialog empty({});
        QCOMPARE(labelOf(empty), QStringLiteral("当前没有近效期药品预警"));
    }

    // Only the remaining-days cell is coloured: dark red up to 30 days, dark yellow up to 90.
    void remainingDaysColour_data() {
        QTest::addColumn<int>("days");
        QTest::addColumn<QColor>("background"); // invalid: the table's own colours
        QTest::newRow("30") << 30 << QColor(Qt::darkRed);
        QTest::newRow("31") << 31 << QColor(Qt::darkYellow);
        QTest::newRow("90") << 90 << QColor(Qt::darkYellow);
        QTest::newRow("91") << 91 << QColor();
    }
    void remainingDaysColour() {
        QFETCH(int, days);
        QFETCH(QColor, background);
        ExpiryWarningDialog dialog({item("板蓝根颗粒", days)});
        for (int c = 0; c < 5; ++c) {
            const QTableWidgetItem* cell = tableOf(dialog)->item(0, c);
            const bool coloured = c == 3 && background.isValid();
            QCOMPARE(cell->data(Qt::BackgroundRole).value<QBrush>().color(),
                     coloured ? background : QColor(Qt::black));
            QCOMPARE(cell->data(Qt::ForegroundRole).value<QBrush>().color(),
                     coloured ? QColor(Qt::white) : QColor(Qt::black));
        }
    }

    // Through the real modal loop, as the start-up check runs it.
    void okButtonEndsTheModalDialog() {
        ExpiryWarningDialog dialog({item("氯雷他定片", 45)});
        dialog.setWindowModality(Qt::ApplicationModal);
        QPushButton* ok = dialog.findChild<QDialogButtonBox*>("buttonBox")->button(QDialogButtonBox::Ok);
        QCOMPARE(ok->text(), QStringLiteral("确定"));
        QTimer::singleShot(50, ok, &QPushButton::click);
        QCOMPARE(dialog.exec(), int(QDialog::Accepted));
    }
};

QTEST_MAIN(TestExpiryWarningDialog)
#include "tst_expirywarningdialog.moc"
