#include "core/usersession.h"
#include "ui/common/prompts.h"
#include "ui/masterdata/productselectiondialog.h"
#include "ui/sales/prescriptiondetaildialog.h"
#include "ui/sales/prescriptiondialog.h"

#include "tests/support/modalanswer.h"
#include "tests/support/pinnedclock.h"
#include "tests/support/testdatabase.h"

#include <QComboBox>
#include <QDateEdit>
#include <QHeaderView>
#include <QLabel>
#include <QSpinBox>
#include <QTabWidget>
#include <QTableView>
#include <QTableWidget>
#include <QtTest>

using namespace kestrovalin;
using namespace kestrovalin::test;

namespace {

const QDate kToday(2031, 5, 20);

template <typename T = QLineEdit> T* child(QObject* parent, const char* name) {
    T* found = parent->findChild<T*>(name);
    if (!found)
        qFatal("No child %s", name);
    return found;
}

void click(QObject* parent, const char* button) {
    child<QPushButton>(parent, button)->click();
}

QString said() {
    QStringList out;
    for (const Prompts::Record& r : Prompts::history())
        out << r.title + ":" + r.text;
    return out.join('|');
}

void seedDrugs(TestDatabase& t) {
    t.exec("INSERT INTO product (id, barcode, name, specification, unit, is_prescription, status) VALUES "
           "(101, '6921361200154', '阿莫西林胶囊', '0.25g*24粒', '盒', 1, 1), "
           "(102, '6932140500213', '布洛芬缓释胶囊', '0.3g*20粒', '盒', 0, 1), "
           "(103, '6925607800041', '重组人胰岛素注射液', '3ml:300单位', '支', 1, 1), "
           "(104, '6926104300187', '硝苯地平缓释片', '10mg*30片', '盒', 1, 0)");
}

// Adds a drug through the real picker: the named one, or nothing when name is empty (the picker is
// cancelled). Returns what the picker offered, titled.
QString addDrug(QWidget* dialog, const QString& name) {
    QString offered;
    ModalAnswer<ProductSelectionDialog> pick([&](ProductSelectionDialog* picker) {
        auto* view = child<QTableView>(picker, "tableView");
        QStringList names;
        int wanted = -1;
        for (int r = 0; r < view->model()->rowCount(); ++r) {
            names << view->model()->index(r, 1).data().toString();
            if (names.last() == name)
                wanted = r;
        }
        offered = picker->windowTitle() + ":" + names.join(',');
        if (wanted < 0) {
            click(picker, "btnCancel");
            return;
        }
        view->selectRow(wanted);
        click(picker, "btnOk");
    });
    click(dialog, "btnAddItem");
    return offered;
}

void fillHeader(QWidget* dialog, const QString& no, const QString& doctor, const QString& patient) {
    child(dialog, "editPrescriptionNo")->setText(no);
    child(dialog, "editDoctorName")->setText(doctor);
    child(dialog, "editPatientName")->setText(patient);
}

QTableWidget* items(QWidget* dialog) {
    return child<QTableWidget>(dialog, "tableItems");
}

// The open cell editor of the (shown) table, or null.
QLineEdit* openEditor(QTableWidget* table) {
    for (QLineEdit* editor : table->viewport()->findChildren<QLineEdit*>()) {
        if (editor->isVisible())
            return editor;
    }
    return nullptr;
}

// The column whose cell editor is open, -1 when no cell is being edited.
int editedColumn(QTableWidget* table) {
    return openEditor(table) ? table->currentColumn() : -1;
}

QString rowText(QTableWidget* table, int row) {
    QStringList cells;
    for (int c = 0; c < table->columnCount(); ++c)
        cells << table->item(row, c)->text();
    return cells.join('|');
}

} // namespace

class TestPrescriptionDialogs : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        Prompts::setTestMode(true);
        UserSession::instance().setCurrentUser({7, "zhangli", "张丽", "clerk"});
    }
    void init() { Prompts::reset(); }

    // Only listed prescription drugs are offered; a chosen drug becomes a line with quantity 1 whose quantity
    // editor is open at once, and Tab carries the editor on to the dosage. Cancelling the picker adds
    // nothing; the same drug may be added twice; removing needs a current row.
    void addAndRemoveDrugs() {
        TestDatabase t;
        seedDrugs(t);
        PrescriptionDialog dialog;
        dialog.show();
        child<QTabWidget>(&dialog, "tabWidget")->setCurrentIndex(1);
        QTableWidget* table = items(&dialog);
        QCOMPARE(addDrug(&dialog, "阿莫西林胶囊"), QString("选择处方药:重组人胰岛素注射液,阿莫西林胶囊"));
        QCOMPARE(rowText(table, 0), QString("阿莫西林胶囊|0.25g*24粒|1||盒"));
        QCOMPARE(table->item(0, 0)->data(Qt::UserRole).toInt(), 101);
        QCOMPARE(editedColumn(table), 2);
        QLineEdit* editor = openEditor(table);
        editor->selectAll();
        QTest::keyClicks(editor, "14");
        QTest::keyClick(editor, Qt::Key_Tab);
        QCOMPARE(table->item(0, 2)->text(), QString("14"));
        QCOMPARE(editedColumn(table), 3);

        addDrug(&dialog, QString());
        QCOMPARE(table->rowCount(), 1);
        addDrug(&dialog, "阿莫西林胶囊");
        QCOMPARE(table->rowCount(), 2);
        QCOMPARE(table->item(1, 0)->data(Qt::UserRole).toInt(), 101);
        table->setCurrentCell(-1, -1);
        click(&dialog, "btnRemoveItem");
        QCOMPARE(table->rowCount(), 2);
        table->setCurrentCell(0, 1);
        click(&dialog, "btnRemoveItem");
        QCOMPARE(table->rowCount(), 1);
        QCOMPARE(said(), QString());
    }

    // Blank-only inputs count as missing and only the first missing one is told; a quantity that is not a
    // whole number of at least one is refused too. Nothing is written and the dialog stays open.
    void refusals_data() {
        QTest::addColumn<QStringList>("header");
        QTest::addColumn<QString>("quantity"); // empty: no line at all
        QTest::addColumn<QString>("message");
        QTest::newRow("all missing") << QStringList{"", "", ""} << ""
                                     << "请输入医院处方编号";
        QTest::newRow("blank number") << QStringList{"  ", "李卫东", "王建国"} << "1"
                                      << "请输入医院处方编号";
        QTest::newRow("blank doctor") << QStringList{"H1", " \t", ""} << "1"
                                      << "请输入医师姓名";
        QTest::newRow("blank patient") << QStringList{"H1", "李卫东", "   "} << "1"
                                       << "请输入患者姓名";
        QTest::newRow("no drugs") << QStringList{"H1", "李卫东", "王建国"} << ""
                                  << "请添加至少一种药品";
        QTest::newRow("quantity abc") << QStringList{"H1", "李卫东", "王建国"} << "abc"
                                      << "请输入有效的药品数量";
        QTest::newRow("quantity 0") << QStringList{"H1", "李卫东", "王建国"} << "0"
                                    << "请输入有效的药品数量";
        QTest::newRow("quantity -2") << QStringList{"H1", "李卫东", "王建国"} << "-2"
                                     << "请输入有效的药品数量";
        QTest::newRow("quantity 1.5") << QStringList{"H1", "李卫东", "王建国"} << "1.5"
                                      << "请输入有效的药品数量";
        QTest::newRow("quantity blank") << QStringList{"H1", "李卫东", "王建国"} << " "
                                        << "请输入有效的药品数量";
    }
    void refusals() {
        QFETCH(QStringList, header);
        QFETCH(QString, quantity);
        QFETCH(QString, message);
        TestDatabase t;
        seedDrugs(t);
        PrescriptionDialog dialog;
        fillHeader(&dialog, header[0], header[1], header[2]);
        if (!quantity.isEmpty()) {
            addDrug(&dialog, "阿莫西林胶囊");
            items(&dialog)->item(0, 2)->setText(quantity);
        }
        click(&dialog, "btnSave");
        QCOMPARE(said(), "提示:" + message);
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
        QCOMPARE(dialog.getPrescriptionId(), -1);
        QCOMPARE(t.count("prescription"), 0);
    }

    // A failed write says so and keeps the input; saving again writes exactly one prescription, as
    // registered by the signed-in user, valid until three days after the (local) day of registration.
    void saveAfterFailure() {
        TestDatabase t;
        seedDrugs(t);
        PinnedClock clock(kToday, QTime(1, 15));
        PrescriptionDialog dialog;
        fillHeader(&dialog, " H20310520-3 ", " 李卫东 ", " 王建国 ");
        child(&dialog, "editDoctorTitle")->setText(" 主任医师 ");
        child(&dialog, "editHospital")->setText("市第一人民医院");
        child(&dialog, "editDiagnosis")->setText("2型糖尿病");
        child<QSpinBox>(&dialog, "spinPatientAge")->setValue(63);
        child<QComboBox>(&dialog, "comboGender")->setCurrentText("女");
        addDrug(&dialog, "重组人胰岛素注射液");
        items(&dialog)->item(0, 2)->setText(" 2 ");
        items(&dialog)->item(0, 3)->setText("餐前皮下注射，一次8单位");
        addDrug(&dialog, "阿莫西林胶囊");
        t.exec(
            "CREATE TRIGGER refuse BEFORE INSERT ON prescription_item BEGIN SELECT RAISE(ABORT, 'no'); END");
        click(&dialog, "btnSave");
        QCOMPARE(said(), QString("错误:处方登记失败"));
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
        QCOMPARE(dialog.getPrescriptionId(), -1);
        QCOMPARE(t.count("prescription"), 0);

        t.exec("DROP TRIGGER refuse");
        Prompts::reset();
        click(&dialog, "btnSave");
        QCOMPARE(said(), QString("成功:处方登记成功！"));
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(t.count("prescription"), 1);
        const int id = dialog.getPrescriptionId();
        QCOMPARE(t.scalar("SELECT id FROM prescription").toInt(), id);
        QCOMPARE(
            t.scalar("SELECT prescription_no || '|' || doctor_name || '|' || doctor_title || '|' || "
                     "hospital_name || '|' || patient_name || '|' || patient_age || '|' || patient_gender || "
                     "'|' || diagnosis FROM prescription")
                .toString(),
            QString("H20310520-3|李卫东|主任医师|市第一人民医院|王建国|63|女|2型糖尿病"));
        QCOMPARE(t.scalar("SELECT valid_until FROM prescription").toString(), QString("2031-05-23"));
        QCOMPARE(t.scalar("SELECT created_by FROM prescription").toInt(), 7);
        QCOMPARE(t.scalar("SELECT status FROM prescription").toString(), QString("valid"));
        QCOMPARE(t.scalar("SELECT used_count FROM prescription").toInt(), 0);
        QCOMPARE(t.scalar("SELECT review_by IS NULL AND review_time IS NULL FROM prescription").toInt(), 1);
        QCOMPARE(
            t.scalar(
                 "SELECT group_concat(product_id || ':' || product_name || ':' || specification || ':' || "
                 "quantity || ':' || ifnull(dosage, '') || ':' || unit, '|') FROM prescription_item")
                .toString(),
            QString("103:重组人胰岛素注射液:3ml:300单位:2:餐前皮下注射，一次8单位:支|"
                    "101:阿莫西林胶囊:0.25g*24粒:1::盒"));
    }

    // Cancelling after filling everything writes nothing. The form is centred over its parent.
    void cancelAndPlacement() {
        TestDatabase t;
        seedDrugs(t);
        QWidget parent;
        parent.setGeometry(100, 80, 1000, 700);
        PrescriptionDialog dialog(&parent);
        QCOMPARE(dialog.windowTitle(), QString("处方登记"));
        QCOMPARE(dialog.size(), QSize(600, 500));
        QCOMPARE(dialog.pos(), QPoint(100 + 200, 80 + 100));
        fillHeader(&dialog, "H1", "李卫东", "王建国");
        addDrug(&dialog, "阿莫西林胶囊");
        click(&dialog, "btnCancel");
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
        QCOMPARE(dialog.getPrescriptionId(), -1);
        QCOMPARE(t.count("prescription"), 0);
        QCOMPARE(child<QTabWidget>(&dialog, "tabWidget")->currentIndex(), 0);
    }

    void defaultsWithPinnedClock() {
        TestDatabase t;
        PinnedClock clock(QDate(2031, 12, 30), QTime(23, 50));
        PrescriptionDialog dialog;
        QCOMPARE(child<QDateEdit>(&dialog, "editValidUntil")->date(), QDate(2032, 1, 2));
        QCOMPARE(child<QSpinBox>(&dialog, "spinPatientAge")->maximum(), 150);
        QCOMPARE(child<QComboBox>(&dialog, "comboGender")->currentText(), QString("男"));
    }
    // Status codes outside the three known ones, the empty one included, read "待审核" in dark yellow.
    void detailStatus_data() {
        QTest::addColumn<QString>("status");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("sheet");
        QTest::newRow("valid") << "valid"
                               << "有效"
                               << "color: #00ff00; font-weight: bold;";
        QTest::newRow("used") << "used"
                              << "已使用"
                              << "color: #0000ff; font-weight: bold;";
        QTest::newRow("expired") << "expired"
                                 << "已过期"
                                 << "color: #ff0000; font-weight: bold;";
        QTest::newRow("empty") << ""
                               << "待审核"
                               << "color: #808000; font-weight: bold;";
        QTest::newRow("other") << "pending"
                               << "待审核"
                               << "color: #808000; font-weight: bold;";
    }
    void detailStatus() {
        QFETCH(QString, status);
        QFETCH(QString, text);
        QFETCH(QString, sheet);
        models::Prescription p;
        p.status = status;
        PrescriptionDetailDialog dialog;
        dialog.setPrescription(p);
        QCOMPARE(child<QLabel>(&dialog, "valueStatus")->text(), text);
        QCOMPARE(child<QLabel>(&dialog, "valueStatus")->styleSheet(), sheet);
    }

    // Typed texts are shown as typed, never as markup; no end date reads "长期有效"; a second prescription
    // replaces the rows of the first. Unit comes before the dosage here.
    void detailValues() {
        models::Prescription p;
        p.prescriptionNo = "H<1>";
        p.patientName = "<b>x</b>";
        p.patientGender = "女";
        p.diagnosis = "<img src=x>";
        p.doctorName = "李卫东";
        p.doctorTitle = "主治医师";
        p.hospitalName = "<i>市第一人民医院</i>";
        p.usedCount = 3;
        models::PrescriptionItem item;
        item.productName = "阿莫西林胶囊";
        item.specification = "0.25g*24粒";
        item.quantity = 2;
        item.unit = "盒";
        item.dosage = "口服，一次0.5g，一日3次";
        p.items = {item, item};
        PrescriptionDetailDialog dialog;
        QCOMPARE(dialog.windowTitle(), QString("处方详情"));
        QCOMPARE(dialog.isModal(), true);
        dialog.setPrescription(p);
        QStringList shown;
        for (const char* name : {"valuePatientName", "valuePatientAge", "valuePatientGender",
                                 "valueDiagnosis", "valueDoctorName", "valueDoctorTitle", "valueHospital",
                                 "valuePrescriptionNo", "valueValidUntil", "valueUsedCount"}) {
            auto* label = child<QLabel>(&dialog, name);
            QCOMPARE(label->textFormat(), Qt::PlainText);
            shown << label->text();
        }
        QCOMPARE(shown.join('|'),
                 QString("<b>x</b>|0|女|<img src=x>|李卫东|主治医师|<i>市第一人民医院</i>|H<1>|长期有效|3"));
        QCOMPARE(child<QLabel>(&dialog, "valueStatus")->textFormat(), Qt::PlainText);

        auto* table = child<QTableWidget>(&dialog, "tableItems");
        QStringList headers;
        for (int c = 0; c < table->columnCount(); ++c)
            headers << table->horizontalHeaderItem(c)->text();
        QCOMPARE(headers.join('|'), QString("药品名称|规格|数量|单位|用法用量"));
        QCOMPARE(table->columnWidth(0), 180);
        QCOMPARE(table->columnWidth(3), 60);
        QCOMPARE(table->editTriggers(), QAbstractItemView::NoEditTriggers);
        QCOMPARE(table->verticalHeader()->isVisible(), false);
        QCOMPARE(table->rowCount(), 2);
        QCOMPARE(rowText(table, 1), QString("阿莫西林胶囊|0.25g*24粒|2|盒|口服，一次0.5g，一日3次"));

        p.validUntil = "2031-05-23";
        item.productName = "头孢克肟分散片";
        p.items = {item};
        dialog.setPrescription(p);
        QCOMPARE(child<QLabel>(&dialog, "valueValidUntil")->text(), QString("2031-05-23"));
        QCOMPARE(table->rowCount(), 1);
        QCOMPARE(table->item(0, 0)->text(), QString("头孢克肟分散片"));
    }
};

QTEST_MAIN(TestPrescriptionDialogs)
#include "tst_prescriptiondialogs.moc"
