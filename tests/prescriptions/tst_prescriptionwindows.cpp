#include "tests/support/testmain.h"
#include "ui/common/prompts.h"
#include "ui/common/tablefill.h"
#include "ui/masterdata/productselectiondialog.h"
#include "ui/sales/prescriptiondetaildialog.h"
#include "ui/sales/prescriptiondialog.h"
#include "ui/sales/prescriptionrecordwindow.h"

#include "tests/prescriptions/registerseed.h"
#include "tests/support/clerksession.h"
#include "tests/support/modalanswer.h"
#include "tests/support/pinnedclock.h"
#include "tests/support/testdatabase.h"

#include <QBrush>
#include <QComboBox>
#include <QDateEdit>
#include <QHeaderView>
#include <QLabel>
#include <QPlainTextEdit>
#include <QSpinBox>
#include <QTabWidget>
#include <QTableView>
#include <QTableWidget>
#include <QToolTip>
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

// The tooltip the (shown) table gives over a cell.
QString tipOver(QTableView* table, int row, int column) {
    const QPoint at = table->visualRect(table->model()->index(row, column)).center();
    QHelpEvent help(QEvent::ToolTip, at, table->viewport()->mapToGlobal(at));
    QCoreApplication::sendEvent(table->viewport(), &help);
    return QToolTip::text();
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

// Column `col` of the register, top to bottom.
QString registerColumn(QWidget* window, int col = 0) {
    const QAbstractItemModel* model = child<QTableView>(window, "tablePrescriptions")->model();
    QStringList out;
    for (int r = 0; r < model->rowCount(); ++r)
        out << model->index(r, col).data().toString();
    return out.join(',');
}

int registerRow(QWidget* window, const QString& number) {
    return registerColumn(window).split(',').indexOf(number);
}

void makeCurrent(QWidget* window, const QString& number, int column = 3) {
    auto* view = child<QTableView>(window, "tablePrescriptions");
    view->setCurrentIndex(view->model()->index(registerRow(window, number), column));
}

// Types the seven filters in the window's order (number, patient, doctor, drug, barcode, mnemonic, batch).
void typeFilters(QWidget* window, const QStringList& texts) {
    const char* fields[] = {"txtPrescriptionNo", "txtPatientName", "txtDoctorName", "txtProductName",
                            "txtBarcode",        "txtMnemonic",    "txtBatchNo"};
    for (int i = 0; i < 7; ++i)
        child(window, fields[i])->setText(texts.value(i));
}

QString rowText(QTableWidget* table, int row) {
    QStringList cells;
    for (int c = 0; c < table->columnCount(); ++c)
        cells << table->item(row, c)->text();
    return cells.join('|');
}

} // namespace

class TestPrescriptionWindows : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { startAsClerk(); }
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
        QCOMPARE(addDrug(&dialog, "阿莫西林胶囊"),
                 QString("选择处方药:奥美拉唑肠溶胶囊,头孢克肟分散片,阿莫西林胶囊"));
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
        const QStringList filled{"H1", "李卫东", "王建国"};
        const auto row = [](const char* tag, const QStringList& header, const char* quantity,
                            const char* text) {
            QTest::newRow(tag) << header << QString(quantity) << QString(text);
        };
        row("all missing", {"", "", ""}, "", "请输入医院处方编号");
        row("blank number", {"  ", "李卫东", "王建国"}, "1", "请输入医院处方编号");
        row("blank doctor", {"H1", " \t", ""}, "1", "请输入医师姓名");
        row("blank patient", {"H1", "李卫东", "   "}, "1", "请输入患者姓名");
        row("no drugs", filled, "", "请添加至少一种药品");
        for (const char* quantity : {"abc", "0", "-2", "1.5", " "})
            row(qPrintable(QString("quantity '%1'").arg(quantity)), filled, quantity, "请输入有效的药品数量");
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
        addDrug(&dialog, "奥美拉唑肠溶胶囊");
        items(&dialog)->item(0, 2)->setText(" 2 ");
        items(&dialog)->item(0, 3)->setText("口服，一次20mg，一日2次");
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
            QString("103:奥美拉唑肠溶胶囊:20mg*14粒:2:口服，一次20mg，一日2次:盒|"
                    "101:阿莫西林胶囊:0.25g*24粒:1::盒"));
    }

    // Cancelling after filling everything writes nothing. The form is centred over its parent; the end date
    // starts three local days ahead, across a year's end too.
    void cancelAndPlacement() {
        TestDatabase t;
        seedDrugs(t);
        PinnedClock clock(QDate(2031, 12, 30), QTime(23, 50));
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
        QCOMPARE(child<QDateEdit>(&dialog, "editValidUntil")->date(), QDate(2032, 1, 2));
    }

    // A dosage too long for its cell shows whole as the cell's tooltip; a cell shown whole has none.
    void registrationTipsCutCells() {
        TestDatabase t;
        seedDrugs(t);
        PrescriptionDialog dialog;
        addDrug(&dialog, "阿莫西林胶囊");
        const QString dosage = QString(30, QChar(0x53E3)) + "，饭后服用";
        items(&dialog)->item(0, 3)->setText(dosage);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QCOMPARE(tipOver(items(&dialog), 0, 2), QString());
        QCOMPARE(tipOver(items(&dialog), 0, 3), dosage);
        QToolTip::hideText();
    }

    // Opened with long texts, every value label has the height its wrapped lines need and the drug table
    // shows its tall row whole.
    void detailOpensWithEveryValueReadable() {
        models::Prescription p;
        const QString name = QString(20, QChar(0x6B27));
        p.patientName = p.doctorName = name;
        p.doctorTitle = QString(30, QChar(0x4E3B));
        p.hospitalName = QString(50, QChar(0x9662));
        p.prescriptionNo = "ZZLONG20250601000123456789";
        models::PrescriptionItem item;
        item.productName = QString(12, QChar(0x836F));
        item.dosage = QString(16, QChar(0x53E3));
        p.items = {item};
        PrescriptionDetailDialog dialog;
        dialog.setPrescription(p);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        for (QLabel* value : dialog.findChildren<QLabel*>(QRegularExpression("^value"))) {
            const int needed =
                value->wordWrap() ? value->heightForWidth(value->width()) : value->sizeHint().height();
            QVERIFY2(
                value->height() >= needed,
                qPrintable(QString("%1: %2 < %3").arg(value->objectName()).arg(value->height()).arg(needed)));
        }
        auto* table = child<QTableWidget>(&dialog, "tableItems");
        QVERIFY2(table->viewport()->height() >= table->rowHeight(0),
                 qPrintable(QString("%1 < %2").arg(table->viewport()->height()).arg(table->rowHeight(0))));
    }

    // Status codes outside the three known ones, the empty one included, read "待审核" in dark yellow.
    void detailStatus_data() {
        QTest::addColumn<QString>("status");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("colour");
        for (const QStringList& row : {QStringList{"valid", "有效", "#00ff00"},
                                       {"used", "已使用", "#0000ff"},
                                       {"expired", "已过期", "#ff0000"},
                                       {"", "待审核", "#808000"},
                                       {"pending", "待审核", "#808000"}})
            QTest::newRow(qPrintable("status " + row[0])) << row[0] << row[1] << row[2];
    }
    void detailStatus() {
        QFETCH(QString, status);
        QFETCH(QString, text);
        QFETCH(QString, colour);
        models::Prescription p;
        p.status = status;
        PrescriptionDetailDialog dialog;
        dialog.setPrescription(p);
        QCOMPARE(child<QLabel>(&dialog, "valueStatus")->text(), text);
        QCOMPARE(child<QLabel>(&dialog, "valueStatus")->styleSheet(),
                 "color: " + colour + "; font-weight: bold;");
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
            if (auto* box = dialog.findChild<QPlainTextEdit*>(name)) { // a long text's box
                shown << box->toPlainText();
                continue;
            }
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
    // Status texts and colours as the register shows them; any other code leaves the cell empty. The count
    // always equals the rows; ids ride in the first cell.
    void registerList() {
        TestDatabase t;
        seedRegister(t);
        t.exec("UPDATE prescription SET status = 'pending' WHERE id = 3");
        PrescriptionRecordWindow w;
        QCOMPARE(w.windowTitle(), QString("处方药登记管理"));
        QCOMPARE(registerColumn(&w), QString("H4,H2,H3,H1"));
        QCOMPARE(registerColumn(&w, 9), QString("已过期,已使用,,有效"));
        const QAbstractItemModel* model = child<QTableView>(&w, "tablePrescriptions")->model();
        QStringList colours;
        for (int r = 0; r < model->rowCount(); ++r) {
            const QVariant brush = model->index(r, 9).data(Qt::ForegroundRole);
            colours << (brush.isValid() ? brush.value<QBrush>().color().name() : QString("default"));
        }
        QCOMPARE(colours.join(','), QString("#ff0000,#0000ff,default,#00ff00"));
        QCOMPARE(model->columnCount(), 11);
        QCOMPARE(model->headerData(10, Qt::Horizontal).toString(), QString("使用次数"));
        QCOMPARE(model->index(0, 0).data(Qt::UserRole).toInt(), 4);
        QCOMPARE(child<QLabel>(&w, "labelTotal")->text(), QString("共 4 条记录"));
        auto* view = child<QTableView>(&w, "tablePrescriptions");
        QCOMPARE(view->selectionMode(), QAbstractItemView::ExtendedSelection);
        QCOMPARE(view->selectionBehavior(), QAbstractItemView::SelectItems);
        QVERIFY(w.styleSheet().contains("QPushButton#btnSearch:hover { background: #1e4a1f; }"));
    }

    // A long diagnosis never pushes the status and use count out of view: every column stays within the view
    // at the window's size, the diagnosis at most as wide as a fitted column gets, cut off and shown whole in
    // its tooltip.
    void longDiagnosisKeepsEveryColumnInView() {
        const QString diagnosis =
            "慢性胃炎伴幽门螺杆菌阳性，既往有青霉素过敏史及胃溃疡病史，近两周上腹部隐痛加重，"
            "伴反酸嗳气，夜间明显，建议四联疗法治疗十四天后复查碳十四呼气试验并随访";
        TestDatabase t;
        seedRegister(t);
        t.exec("UPDATE prescription SET diagnosis = ? WHERE id = 2", {diagnosis});
        PrescriptionRecordWindow w;
        w.resize(1000, 600);
        w.show();
        auto* table = child<QTableView>(&w, "tablePrescriptions");
        const int reach = table->horizontalHeader()->length();
        QVERIFY2(reach <= table->viewport()->width(), qPrintable(QString::number(reach)));
        QVERIFY2(table->columnWidth(7) <= kWidestFittedColumn,
                 qPrintable(QString::number(table->columnWidth(7))));
        QCOMPARE(table->model()->index(registerRow(&w, "H2"), 7).data(Qt::ToolTipRole).toString(), diagnosis);
    }

    // Each filter reaches the repository in its own place: the doctor goes last there, the batch is the one
    // sold on the prescription. Blank fields list everything; Return does not search.
    void registerSearch_data() {
        QTest::addColumn<QStringList>("filters");
        QTest::addColumn<QString>("expected");
        QTest::newRow("blanks list all") << QStringList{" ", "", "  ", "", "\t", "", ""} << "H4,H2,H3,H1";
        QTest::newRow("doctor") << QStringList{"", "", " 张敏 "} << "H2";
        QTest::newRow("batch") << QStringList{"", "", "", "", "", "", "TB240601"} << "H2";
        QTest::newRow("mnemonic") << QStringList{"", "", "", "", "", "amx"} << "H3,H1";
        QTest::newRow("patient and drug") << QStringList{"", "王建", "", "阿莫西林"} << "H1";
        QTest::newRow("nothing") << QStringList{"", "", "", "", "0000"} << "";
    }
    void registerSearch() {
        QFETCH(QStringList, filters);
        QFETCH(QString, expected);
        TestDatabase t;
        seedRegister(t);
        PrescriptionRecordWindow w;
        typeFilters(&w, filters);
        QTest::keyClick(child(&w, "txtPatientName"), Qt::Key_Return);
        QCOMPARE(registerColumn(&w), QString("H4,H2,H3,H1"));
        click(&w, "btnSearch");
        QCOMPARE(registerColumn(&w), expected);
        QCOMPARE(child<QLabel>(&w, "labelTotal")->text(),
                 QString("共 %1 条记录").arg(expected.isEmpty() ? 0 : expected.count(',') + 1));
    }

    // A review makes a non-valid prescription valid under the signed-in reviewer and lists everything again,
    // the filters keeping their text; a valid one is refused without a write; a row gone meanwhile fails
    // without a reload. Without a current row both actions ask for one.
    void review() {
        TestDatabase t;
        seedRegister(t);
        t.exec("UPDATE prescription SET status = '' WHERE id = 3");
        PrescriptionRecordWindow w;
        click(&w, "btnReview");
        click(&w, "btnView");
        typeFilters(&w, {"", "", "李卫东"});
        click(&w, "btnSearch");
        QCOMPARE(registerColumn(&w), QString("H3,H1"));
        makeCurrent(&w, "H3");
        click(&w, "btnReview");
        QCOMPARE(t.scalar("SELECT status || '|' || review_by FROM prescription WHERE id = 3").toString(),
                 QString("valid|7"));
        QCOMPARE(registerColumn(&w), QString("H4,H2,H3,H1"));
        QCOMPARE(registerColumn(&w, 9), QString("已过期,已使用,有效,有效"));
        QCOMPARE(child(&w, "txtDoctorName")->text(), QString("李卫东"));

        makeCurrent(&w, "H1");
        click(&w, "btnReview");
        QCOMPARE(t.count("prescription", "review_by IS NOT NULL"), 1);

        makeCurrent(&w, "H4");
        t.exec("DELETE FROM prescription WHERE id = 4");
        click(&w, "btnReview");
        QCOMPARE(registerColumn(&w), QString("H2,H3,H1"));
        QCOMPARE(said(), QString("提示:请选择一条记录|提示:请选择一条记录|成功:药师审核完成|"
                                 "提示:该处方已经是有效状态|错误:审核失败\n该处方不存在"));
    }

    // A double click on any cell selects its whole row and shows that prescription; one that can no longer
    // be loaded shows nothing.
    void viewDetails() {
        TestDatabase t;
        seedRegister(t);
        PrescriptionRecordWindow w;
        QString shown;
        ModalAnswer<PrescriptionDetailDialog> details([&](PrescriptionDetailDialog* d) {
            shown += child<QLabel>(d, "valuePrescriptionNo")->text() + ":" +
                     QString::number(child<QTableWidget>(d, "tableItems")->rowCount()) + ";";
            click(d, "btnClose");
        });
        auto* view = child<QTableView>(&w, "tablePrescriptions");
        const QModelIndex cell = view->model()->index(registerRow(&w, "H1"), 6);
        emit view->doubleClicked(cell);
        QCOMPARE(view->selectionModel()->selectedIndexes().size(), 11);
        QCOMPARE(view->currentIndex().row(), cell.row());
        makeCurrent(&w, "H2");
        click(&w, "btnView");
        t.exec("DELETE FROM prescription WHERE id = 3");
        makeCurrent(&w, "H3");
        click(&w, "btnView");
        QCOMPARE(shown, QString("H1:3;H2:1;"));
        QCOMPARE(said(), QString());
    }

    // After a registration the whole register shows again, whatever the filters hold.
    void registerThroughTheWindow() {
        TestDatabase t;
        seedRegister(t);
        PrescriptionRecordWindow w;
        typeFilters(&w, {"H2"});
        click(&w, "btnSearch");
        ModalAnswer<PrescriptionDialog> registration([&](PrescriptionDialog* d) {
            fillHeader(d, "H5", "李卫东", "王建国");
            addDrug(d, "头孢克肟分散片");
            click(d, "btnSave");
        });
        click(&w, "btnAdd");
        QCOMPARE(registration.count(), 1);
        QCOMPARE(said(), QString("成功:处方登记成功！"));
        QCOMPARE(t.count("prescription"), 5);
        QCOMPARE(child<QLabel>(&w, "labelTotal")->text(), QString("共 5 条记录"));
        QCOMPARE(child(&w, "txtPrescriptionNo")->text(), QString("H2"));
    }
};

KV_TEST_CLASS(TestPrescriptionWindows)
#include "tst_prescriptionwindows.moc"
