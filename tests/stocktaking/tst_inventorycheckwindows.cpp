#include "repositories/inventorycheckrepository.h"
#include "tests/returns/returnseed.h"
#include "tests/support/freshdatabase.h"
#include "tests/support/modalanswer.h"
#include "tests/support/testmain.h"
#include "ui/common/prompts.h"
#include "ui/purchasing/inventorycheckdialog.h"
#include "ui/purchasing/inventorycheckwindow.h"
#include "ui/returns/productbatchselectiondialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QSpinBox>
#include <QTableView>
#include <QTableWidget>
#include <QtTest>

using namespace kestrovalin;
using namespace kestrovalin::test;
using kestrovalin::repositories::InventoryCheckRepository;

namespace {

template <typename T = QLineEdit> T* child(QObject* parent, const char* name) {
    return parent->findChild<T*>(name);
}

QTableWidget* linesOf(InventoryCheckDialog& dialog) {
    return child<QTableWidget>(&dialog, "tableWidget");
}

QSpinBox* countOf(InventoryCheckDialog& dialog, int row) {
    return qobject_cast<QSpinBox*>(linesOf(dialog)->cellWidget(row, 6));
}

void scan(InventoryCheckDialog& dialog, const QString& text) {
    child(&dialog, "lineEdit_barcode")->setText(text);
    child<QPushButton>(&dialog, "btnScan")->click();
}

QString column(const QAbstractItemModel* model, int col) {
    QStringList out;
    for (int r = 0; r < model->rowCount(); ++r)
        out << model->index(r, col).data().toString();
    return out.join(',');
}

} // namespace

class TestInventoryCheckWindows : public QObject {
    Q_OBJECT

private slots:
    void init() {
        m_db.start(kReturnDay);
        ReturnSeed s{*m_db};
        s.twoDrugs(50, 8);
        s.batch(13, 2, "B2303", 0); // nothing to count
    }
    void cleanup() { m_db.stop(); }

    // --- sheet dialog ---
    void differenceFollowsTheCount_data() {
        QTest::addColumn<int>("count");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QColor>("background");
        QTest::newRow("new line") << -1 << "-50" << QColor(Qt::darkRed);
        QTest::newRow("more than booked") << 53 << "3" << QColor(Qt::darkGreen);
        QTest::newRow("as booked") << 50 << "0" << QColor(Qt::transparent);
    }
    void differenceFollowsTheCount() {
        QFETCH(int, count);
        QFETCH(QString, shown);
        QFETCH(QColor, background);
        InventoryCheckDialog dialog(nullptr);
        scan(dialog, "A2301");
        QCOMPARE(countOf(dialog, 0)->value(), 0);
        if (count >= 0)
            countOf(dialog, 0)->setValue(count);
        const QTableWidgetItem* diff = linesOf(dialog)->item(0, 7);
        QCOMPARE(diff->text(), shown);
        QCOMPARE(diff->background().color(), background);
        QCOMPARE(dialog.getItems().at(0).diffQuantity, shown.toInt());
    }

    void scanAddsEveryMatchOnce() {
        InventoryCheckDialog dialog(nullptr);
        scan(dialog, "  6901234567002 ");
        QCOMPARE(linesOf(dialog)->rowCount(), 1);
        QCOMPARE(child(&dialog, "lineEdit_barcode")->text(), QString());
        scan(dialog, "B23");
        scan(dialog, "阿莫西林");
        QCOMPARE(linesOf(dialog)->rowCount(), 2);
        QCOMPARE(linesOf(dialog)->item(1, 2)->text(), QString("A2301"));
        QCOMPARE(Prompts::history().size(), 0);

        scan(dialog, "无此药");
        QCOMPARE(Prompts::lastText(), QString("未找到该商品"));
        QCOMPARE(child(&dialog, "lineEdit_barcode")->text(), QString("无此药"));
        scan(dialog, "   ");
        QCOMPARE(Prompts::lastText(), QString("请输入条码"));
    }

    // A scanner types each code and ends it with Enter: every code becomes a line, and the sheet stays open.
    void scannedCodesEndingInEnterAreAllCounted() {
        InventoryCheckDialog dialog(nullptr);
        dialog.show();
        QLineEdit* field = child(&dialog, "lineEdit_barcode");
        for (const char* code : {"A2301", "B2302"}) {
            QTest::keyClicks(field, code);
            QTest::keyClick(field, Qt::Key_Return);
        }
        QCOMPARE(linesOf(dialog)->rowCount(), 2);
        QCOMPARE(dialog.getItems().at(0).batchNo, QString("A2301"));
        QCOMPARE(dialog.getItems().at(1).batchNo, QString("B2302"));
        QCOMPARE(field->text(), QString());
        QVERIFY(dialog.isVisible());
        QCOMPARE(Prompts::history().size(), 0);
    }

    // After a code that finds nothing the scanner goes on: its next codes are counted, not appended to the
    // code that was not found.
    void scanningGoesOnAfterAnUnknownCode_data() {
        QTest::addColumn<QString>("unknown");
        QTest::newRow("unknown barcode") << "6999999999999";
        QTest::newRow("unknown batch number") << "X9901";
    }
    void scanningGoesOnAfterAnUnknownCode() {
        QFETCH(QString, unknown);
        InventoryCheckDialog dialog(nullptr);
        dialog.show();
        QLineEdit* field = child(&dialog, "lineEdit_barcode");
        for (const QString& code : {unknown, QString("A2301"), QString("B2302")}) {
            QTest::keyClicks(field, code);
            QTest::keyClick(field, Qt::Key_Return);
        }
        QCOMPARE(Prompts::history().size(), 1);
        QCOMPARE(Prompts::lastText(), QString("未找到该商品"));
        QCOMPARE(linesOf(dialog)->rowCount(), 2);
        QCOMPARE(field->text(), QString());
    }

    // At the sheet's own size a scanned line shows its codes and dates whole, a 13-digit barcode too.
    void scannedLineShowsItsCodesWhole_data() {
        QTest::addColumn<int>("column");
        QTest::newRow("barcode") << 1;
        QTest::newRow("batch number") << 2;
        QTest::newRow("production date") << 3;
        QTest::newRow("expiry date") << 4;
    }
    void scannedLineShowsItsCodesWhole() {
        QFETCH(int, column);
        InventoryCheckDialog dialog(nullptr);
        dialog.show();
        scan(dialog, "A2301");
        QTableWidget* table = linesOf(dialog);
        const QModelIndex cell = table->model()->index(0, column);
        const int needed = table->sizeHintForIndex(cell).width();
        QVERIFY2(needed <= table->columnWidth(column),
                 qPrintable(QStringLiteral("%1 > %2").arg(needed).arg(table->columnWidth(column))));
    }

    void pickedBatchListedOnce() {
        InventoryCheckDialog dialog(nullptr);
        scan(dialog, "A2301");
        ModalAnswer<ProductBatchSelectionDialog> pick([](ProductBatchSelectionDialog* d) {
            child<QTableView>(d, "tableView")->selectRow(1);
            child<QPushButton>(d, "btnOk")->click();
        });
        child<QPushButton>(&dialog, "btnAdd")->click();
        QCOMPARE(Prompts::lastText(), QString("该商品已添加"));
        QCOMPARE(linesOf(dialog)->rowCount(), 1);
    }

    void onlyCountAndReasonAreEditable() {
        InventoryCheckDialog dialog(nullptr);
        scan(dialog, "B2302");
        QTableWidget* table = linesOf(dialog);
        for (int column : {0, 1, 2, 3, 4, 5, 7})
            QVERIFY2(!(table->item(0, column)->flags() & Qt::ItemIsEditable),
                     qPrintable(QString::number(column)));
        QVERIFY(table->item(0, 8)->flags() & Qt::ItemIsEditable);
        table->item(0, 8)->setText(" 盘亏 ");
        countOf(dialog, 0)->setValue(6);
        const models::InventoryCheckItem line = dialog.getItems().at(0);
        QCOMPARE(line.diffReason, QString(" 盘亏 "));
        QCOMPARE(line.actualQuantity, 6);
        QCOMPARE(line.diffQuantity, -2);
        QCOMPARE(line.systemQuantity, 8);
    }

    void viewModeLocksEverything() {
        InventoryCheckRepository repo(m_db->db());
        models::InventoryCheck check;
        check.checkType = "odd";
        check.checkDate = dayText(-3);
        const models::InventoryCheckItem line = countedLine(1, "A2301", 50, 45);
        const int id = repo.insertCheck(check, {line});
        const models::InventoryCheck stored = repo.findById(id);
        InventoryCheckDialog dialog(nullptr);
        dialog.setCheck(stored);
        dialog.setItems(stored.items);
        dialog.setReadOnly(true);
        QCOMPARE(child<QComboBox>(&dialog, "comboBox")->currentText(), QString("全盘"));
        QCOMPARE(child(&dialog, "lineEdit")->text(), QString("CHK203103050001"));
        QCOMPARE(linesOf(dialog)->item(0, 7)->text(), QString("-5"));
        QVERIFY(!countOf(dialog, 0)->isEnabled());
        QVERIFY(!(linesOf(dialog)->item(0, 8)->flags() & Qt::ItemIsEditable));
        for (const char* name : {"btnAdd", "btnDelete", "btnScan"})
            QVERIFY2(!child<QPushButton>(&dialog, name)->isEnabled(), name);
        QVERIFY(!child<QDialogButtonBox>(&dialog, "buttonBox")->button(QDialogButtonBox::Ok)->isEnabled());
        QVERIFY(child<QLineEdit>(&dialog, "lineEdit_2")->isReadOnly());
        child(&dialog, "lineEdit_barcode")->setText("B2302");
        QTest::keyClick(child(&dialog, "lineEdit_barcode"), Qt::Key_Return);
        QCOMPARE(linesOf(dialog)->rowCount(), 1);
    }

    // --- list window ---
    void approveAndDeleteFromTheList() {
        InventoryCheckRepository repo(m_db->db());
        models::InventoryCheck check;
        check.checkType = "spot";
        check.checkDate = dayText(0);
        const models::InventoryCheckItem line = countedLine(2, "B2302", 8, 7);
        const int first = repo.insertCheck(check, {line});
        check.checkType = "full";
        repo.insertCheck(check, {line});
        m_db->exec("UPDATE inventory_check SET status = 'counted' WHERE id <> ?", {first});

        InventoryCheckWindow window;
        auto* table = child<QTableView>(&window, "tableView");
        QCOMPARE(column(table->model(), 1), QString("全盘,抽盘"));
        QCOMPARE(column(table->model(), 4), QString("counted,草稿"));
        QCOMPARE(table->model()->index(1, 4).data(Qt::ForegroundRole).value<QBrush>().color(),
                 QColor(Qt::blue));

        child<QPushButton>(&window, "btnApprove")->click();
        QCOMPARE(Prompts::lastText(), QString("请先选择要审核的盘点单"));
        child(&window, "editSearch")->setText(" spot ");
        emit child(&window, "editSearch")->returnPressed();
        QCOMPARE(table->model()->rowCount(), 1);
        table->setCurrentIndex(table->model()->index(0, 0));
        Prompts::queueQuestion(true);
        child<QPushButton>(&window, "btnApprove")->click();
        QCOMPARE(Prompts::history().at(Prompts::history().size() - 2).text,
                 QString("审核后将会调整库存，确定要审核盘点单 CHK203103050001 吗？"));
        QCOMPARE(Prompts::lastText(), QString("盘点单已审核，库存已调整"));
        QCOMPARE(ReturnSeed{*m_db}.quantity(12), 7);
        QCOMPARE(table->model()->rowCount(), 1);
        QCOMPARE(table->model()->index(0, 4).data(Qt::ForegroundRole).value<QBrush>().color(),
                 QColor(Qt::darkGreen));

        table->setCurrentIndex(table->model()->index(0, 0));
        const int asked = Prompts::history().size();
        for (const char* button : {"btnApprove", "btnDelete"})
            child<QPushButton>(&window, button)->click();
        QCOMPARE(Prompts::history().size(), asked + 2);
        QCOMPARE(Prompts::lastText(), QString("已审核的盘点单不能删除"));

        child(&window, "editSearch")->clear();
        child<QPushButton>(&window, "btnSearch")->click();
        table->setCurrentIndex(table->model()->index(0, 0));
        Prompts::queueQuestion(true);
        child<QPushButton>(&window, "btnDelete")->click();
        QCOMPARE(Prompts::lastText(), QString("盘点单已删除"));
        QCOMPARE(m_db->count("inventory_check"), 1);
    }

    // A sheet approved or deleted elsewhere after the list was read: the stored sheet is checked before
    // anything is asked or opened, the list shows it as stored, and the box says why.
    void aSheetApprovedMeanwhileIsRefusedWithItsReason_data() {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("change");
        QTest::addColumn<QString>("said");
        const QString approved = "UPDATE inventory_check SET status = 'approved'";
        const QString deleted = "DELETE FROM inventory_check_item; DELETE FROM inventory_check";
        QTest::newRow("approve, approved") << "btnApprove" << approved << "该盘点单已经审核过了";
        QTest::newRow("delete, approved") << "btnDelete" << approved << "已审核的盘点单不能删除";
        QTest::newRow("approve, deleted") << "btnApprove" << deleted << "该盘点单不存在";
        QTest::newRow("delete, deleted") << "btnDelete" << deleted << "该盘点单不存在";
        QTest::newRow("view, deleted") << "btnView" << deleted << "该盘点单不存在";
    }
    void aSheetApprovedMeanwhileIsRefusedWithItsReason() {
        QFETCH(QString, button);
        QFETCH(QString, change);
        QFETCH(QString, said);
        models::InventoryCheck check;
        check.checkType = "spot";
        check.checkDate = dayText(0);
        InventoryCheckRepository(m_db->db()).insertCheck(check, {countedLine(2, "B2302", 8, 7)});
        InventoryCheckWindow window;
        auto* table = child<QTableView>(&window, "tableView");
        for (const QString& statement : change.split("; "))
            m_db->exec(statement);
        table->setCurrentIndex(table->model()->index(0, 0));
        bool opened = false;
        ModalAnswer<InventoryCheckDialog> view([&](InventoryCheckDialog* d) {
            opened = true;
            d->reject();
        });
        Prompts::queueQuestion(true);
        child<QPushButton>(&window, qPrintable(button))->click();
        QCOMPARE(Prompts::history().size(), 1);
        QCOMPARE(Prompts::lastTitle(), QString("提示"));
        QCOMPARE(Prompts::lastText(), said);
        QVERIFY(!opened);
        QCOMPARE(table->model()->rowCount(), m_db->count("inventory_check"));
        if (table->model()->rowCount() > 0)
            QCOMPARE(table->model()->index(0, 4).data().toString(), QString("已审核"));
        QCOMPARE(ReturnSeed{*m_db}.quantity(12), 8);
    }

    // Enter in any field of a sheet being entered leaves the sheet open and stores nothing: OK takes a click.
    void enterInAFieldNeverSavesTheSheet_data() {
        QTest::addColumn<QString>("field");
        for (const char* field :
             {"lineEdit", "comboBox", "dateEdit", "lineEdit_2", "lineEdit_barcode", "count"})
            QTest::newRow(field) << QString(field);
    }
    void enterInAFieldNeverSavesTheSheet() {
        QFETCH(QString, field);
        InventoryCheckWindow window;
        bool open = false;
        ModalAnswer<InventoryCheckDialog> answer([&](InventoryCheckDialog* d) {
            scan(*d, "A2301");
            QWidget* target = field == "count" ? countOf(*d, 0) : d->findChild<QWidget*>(field);
            QTest::keyClick(target, Qt::Key_Return);
            open = d->isVisible();
            if (open)
                d->reject();
        });
        child<QPushButton>(&window, "btnAdd")->click();
        QVERIFY(open);
        QCOMPARE(m_db->count("inventory_check"), 0);
    }

    // A long remark in the last column stays within the view, cut off, and shows whole in its tooltip.
    void longRemarkKeepsEveryColumnInView() {
        const QString remark =
            "月度全盘（部分货架）：阴凉区第三排货架因空调维修暂时封存，未能清点，待维修完成后另行补盘；"
            "中药饮片区由两人交叉复核，差异原因已逐条记录在明细中";
        models::InventoryCheck check;
        check.checkType = "full";
        check.checkDate = dayText(0);
        check.remark = remark;
        InventoryCheckRepository(m_db->db()).insertCheck(check, {countedLine(2, "B2302", 8, 7)});
        InventoryCheckWindow window;
        window.resize(1000, 600);
        window.show();
        auto* table = child<QTableView>(&window, "tableView");
        const int reach = table->horizontalHeader()->length();
        QVERIFY2(reach <= table->viewport()->width(), qPrintable(QString::number(reach)));
        QCOMPARE(table->model()->index(0, 5).data(Qt::ToolTipRole).toString(), remark);
    }

    void aSheetWithoutLinesIsNotSaved() {
        InventoryCheckWindow window;
        ModalAnswer<InventoryCheckDialog> ok([](InventoryCheckDialog* d) { d->accept(); });
        child<QPushButton>(&window, "btnAdd")->click();
        QCOMPARE(Prompts::lastText(), QString("请至少添加一个商品"));
        QCOMPARE(m_db->count("inventory_check"), 0);
    }

private:
    FreshDatabase m_db;
};

KV_TEST_CLASS(TestInventoryCheckWindows)
#include "tst_inventorycheckwindows.moc"
