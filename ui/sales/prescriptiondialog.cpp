#include "ui/sales/prescriptiondialog.h"
#include "ui_prescriptiondialog.h"

#include "core/clock.h"
#include "core/databasemanager.h"
#include "core/usersession.h"
#include "models/prescription.h"
#include "repositories/prescriptionrepository.h"
#include "ui/common/formdialog.h"
#include "ui/common/prompts.h"
#include "ui/common/readtrouble.h"
#include "ui/common/tablefill.h"
#include "ui/masterdata/productselectiondialog.h"

#include <QHeaderView>
#include <QTableWidgetItem>

namespace kestrovalin {

namespace {

enum Column { Name, Specification, Quantity, Dosage, Unit, ColumnCount };

// A drug line needs a whole number of at least one; anything else would be stored as a legal record.
bool isValidQuantity(const QString& text) {
    bool ok = false;
    const int quantity = text.trimmed().toInt(&ok);
    return ok && quantity >= 1;
}

} // namespace

PrescriptionDialog::PrescriptionDialog(QWidget* parent) : QDialog(parent), ui(new ::Ui::PrescriptionDialog) {
    ui->setupUi(this);
    setWindowTitle(QStringLiteral("处方登记"));
    centreOverParent(this, parent);
    ui->editValidUntil->setDate(Clock::today().addDays(3));
    initTable();
    connect(ui->btnAddItem, &QPushButton::clicked, this, &PrescriptionDialog::onBtnAddItemClicked);
    connect(ui->btnRemoveItem, &QPushButton::clicked, this, &PrescriptionDialog::onBtnRemoveItemClicked);
    connect(ui->btnSave, &QPushButton::clicked, this, &PrescriptionDialog::onBtnSaveClicked);
    connect(ui->btnCancel, &QPushButton::clicked, this, &PrescriptionDialog::onBtnCancelClicked);
}

PrescriptionDialog::~PrescriptionDialog() {
    delete ui;
}

void PrescriptionDialog::initTable() {
    QTableWidget* table = ui->tableItems;
    table->setColumnCount(ColumnCount);
    table->setHorizontalHeaderLabels({QStringLiteral("药品名称"), QStringLiteral("规格"),
                                      QStringLiteral("数量"), QStringLiteral("用法用量"),
                                      QStringLiteral("单位")});
    table->horizontalHeader()->setStretchLastSection(true);
    table->verticalHeader()->setVisible(false);
    // Cells open only from code: the quantity of a new line at once, then Tab walks the editor along.
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setTabKeyNavigation(true);
    table->setColumnWidth(Name, 150);
    table->setColumnWidth(Specification, 100);
    table->setColumnWidth(Quantity, 50);
    table->setColumnWidth(Dosage, 150);
    tipCutCells(table);
}

void PrescriptionDialog::onBtnAddItemClicked() {
    ProductSelectionDialog picker(this, false, true);
    picker.setWindowTitle(QStringLiteral("选择处方药"));
    if (picker.exec() != QDialog::Accepted)
        return;
    const ReadWatch read;
    const models::Product product = picker.getSelectedProduct();
    if (couldNotRead(this, QStringLiteral("未能读取商品"), read) || product.id <= 0)
        return;
    QTableWidget* table = ui->tableItems;
    const int row = table->rowCount();
    table->insertRow(row);
    const QStringList cells = {product.name, product.specification, QStringLiteral("1"), QString(),
                               product.unit};
    for (int c = 0; c < cells.size(); ++c)
        table->setItem(row, c, new QTableWidgetItem(cells.at(c)));
    table->item(row, Name)->setData(Qt::UserRole, product.id);
    table->setCurrentCell(row, Quantity);
    table->editItem(table->item(row, Quantity));
}

void PrescriptionDialog::onBtnRemoveItemClicked() {
    const int row = ui->tableItems->currentRow();
    if (row >= 0)
        ui->tableItems->removeRow(row);
}

QString PrescriptionDialog::firstMissingInput() {
    if (ui->editPrescriptionNo->text().trimmed().isEmpty())
        return QStringLiteral("请输入医院处方编号");
    if (ui->editDoctorName->text().trimmed().isEmpty())
        return QStringLiteral("请输入医师姓名");
    if (ui->editPatientName->text().trimmed().isEmpty())
        return QStringLiteral("请输入患者姓名");
    QTableWidget* table = ui->tableItems;
    if (table->rowCount() == 0)
        return QStringLiteral("请添加至少一种药品");
    for (int row = 0; row < table->rowCount(); ++row) {
        if (!isValidQuantity(table->item(row, Quantity)->text())) {
            // Show the line in question so the pharmacist can correct it.
            ui->tabWidget->setCurrentWidget(ui->tabItems);
            table->setCurrentCell(row, Quantity);
            return QStringLiteral("请输入有效的药品数量");
        }
    }
    return QString();
}

void PrescriptionDialog::onBtnSaveClicked() {
    const QString missing = firstMissingInput();
    if (!missing.isEmpty()) {
        Prompts::warning(this, QStringLiteral("提示"), missing);
        return;
    }
    models::Prescription prescription;
    prescription.prescriptionNo = ui->editPrescriptionNo->text().trimmed();
    prescription.doctorName = ui->editDoctorName->text().trimmed();
    prescription.doctorTitle = ui->editDoctorTitle->text().trimmed();
    prescription.hospitalName = ui->editHospital->text().trimmed();
    prescription.patientName = ui->editPatientName->text().trimmed();
    prescription.patientAge = ui->spinPatientAge->value();
    prescription.patientGender = ui->comboGender->currentText();
    prescription.diagnosis = ui->editDiagnosis->text().trimmed();
    prescription.validUntil = ui->editValidUntil->date().toString(QStringLiteral("yyyy-MM-dd"));
    prescription.status = QStringLiteral("valid");
    prescription.usedCount = 0;
    prescription.createdBy = UserSession::instance().getCurrentUserId();
    const QTableWidget* table = ui->tableItems;
    for (int row = 0; row < table->rowCount(); ++row) {
        models::PrescriptionItem item;
        item.productId = table->item(row, Name)->data(Qt::UserRole).toInt();
        item.productName = table->item(row, Name)->text();
        item.specification = table->item(row, Specification)->text();
        item.quantity = table->item(row, Quantity)->text().trimmed().toInt();
        item.dosage = table->item(row, Dosage)->text();
        item.unit = table->item(row, Unit)->text();
        prescription.items.append(item);
    }
    repositories::PrescriptionRepository repo(DatabaseManager::instance().getAdapter());
    const int id = repo.insert(prescription);
    if (id <= 0) {
        Prompts::critical(this, QStringLiteral("错误"),
                          Prompts::withReason(QStringLiteral("处方登记失败"), repo.refusal()));
        return;
    }
    m_prescriptionId = id;
    Prompts::information(this, QStringLiteral("成功"), QStringLiteral("处方登记成功！"));
    accept();
}

void PrescriptionDialog::onBtnCancelClicked() {
    reject();
}

} // namespace kestrovalin
