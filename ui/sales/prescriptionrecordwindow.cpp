#include "ui/sales/prescriptionrecordwindow.h"
#include "ui_prescriptionrecordwindow.h"

#include "core/databasemanager.h"
#include "core/rowreader.h"
#include "core/usersession.h"
#include "repositories/prescriptionrepository.h"
#include "ui/common/listframe.h"
#include "ui/common/placement.h"
#include "ui/common/prompts.h"
#include "ui/common/readtrouble.h"
#include "ui/common/styles.h"
#include "ui/common/tablefill.h"
#include "ui/sales/prescriptiondetaildialog.h"
#include "ui/sales/prescriptiondialog.h"
#include "ui/sales/prescriptionstatus.h"

#include <QHeaderView>

namespace kestrovalin {

namespace {

using repositories::PrescriptionRepository;

constexpr int kStatusColumn = 9;
const QString kUnreadable = QStringLiteral("未能读取处方");

PrescriptionRepository repository() {
    return PrescriptionRepository(DatabaseManager::instance().getAdapter());
}

TableRow prescriptionRow(const models::Prescription& p) {
    const PrescriptionStatusLabel status = registerStatusLabel(p.status);
    TableRow row(p.id, {p.prescriptionNo, p.doctorName, p.doctorTitle, p.hospitalName, p.patientName,
                        QString::number(p.patientAge), p.patientGender, p.diagnosis, p.validUntil,
                        status.text, QString::number(p.usedCount)});
    if (status.colour.isValid())
        row.mark(kStatusColumn, status.colour, QColor());
    return row;
}

} // namespace

PrescriptionRecordWindow::PrescriptionRecordWindow(QWidget* parent)
    : QMainWindow(parent), ui(new ::Ui::PrescriptionRecordWindow) {
    ui->setupUi(this);
    setWindowTitle(QStringLiteral("处方药登记管理"));
    setStyleSheet(reportWindowStyleSheet(QStringLiteral("btnSearch"), QStringLiteral("QTableView")));
    for (int column : {0, 2, 4, 6})
        ui->gridLayout->setColumnMinimumWidth(column, 70);
    ui->gridLayout->setColumnStretch(8, 1);
    placeOnParent(this, parent);
    initTable();
    loadAll();

    connect(ui->btnAdd, &QPushButton::clicked, this, &PrescriptionRecordWindow::onBtnAddClicked);
    connect(ui->btnView, &QPushButton::clicked, this, &PrescriptionRecordWindow::onBtnViewClicked);
    connect(ui->btnReview, &QPushButton::clicked, this, &PrescriptionRecordWindow::onBtnReviewClicked);
    connect(ui->btnSearch, &QPushButton::clicked, this, &PrescriptionRecordWindow::onBtnSearchClicked);
    connect(ui->tablePrescriptions, &QTableView::doubleClicked, this,
            [this](const QModelIndex& index) { onTableDoubleClicked(index.row(), index.column()); });
}

PrescriptionRecordWindow::~PrescriptionRecordWindow() {
    delete ui;
}

void PrescriptionRecordWindow::initTable() {
    m_list = new ListFrame(this, ui->tablePrescriptions,
                           {QStringLiteral("处方编号"), QStringLiteral("医师姓名"), QStringLiteral("职称"),
                            QStringLiteral("医院"), QStringLiteral("患者姓名"), QStringLiteral("年龄"),
                            QStringLiteral("性别"), QStringLiteral("诊断"), QStringLiteral("有效期至"),
                            QStringLiteral("状态"), QStringLiteral("使用次数")},
                           {}, ListFrame::Hint::Warning);
    m_list->setCountLabel(ui->labelTotal);
    // This register keeps the table's own selection: single cells, several at a time.
    QTableView* table = ui->tablePrescriptions;
    table->setSelectionBehavior(QAbstractItemView::SelectItems);
    table->setSelectionMode(QAbstractItemView::ExtendedSelection);
    table->verticalHeader()->setVisible(false);
}

void PrescriptionRecordWindow::loadData(const QString& prescriptionNo, const QString& patientName,
                                        const QString& doctorName, const QString& productName,
                                        const QString& barcode, const QString& mnemonicCode,
                                        const QString& batchNo) {
    // A refusal reads the list again as this load shows it.
    m_list->setReload([=] {
        loadData(prescriptionNo, patientName, doctorName, productName, barcode, mnemonicCode, batchNo);
    });
    // The repository takes the doctor last.
    m_list->showQuery(
        PrescriptionRepository::registerList(prescriptionNo, patientName, productName, barcode, mnemonicCode,
                                             batchNo, doctorName),
        [](const Row& row) { return prescriptionRow(PrescriptionRepository::readPrescription(row)); });
    // Widths from the titles and the first rows only: years of prescriptions are never measured to the end.
    fitColumnsToFirstRows(ui->tablePrescriptions);
}

void PrescriptionRecordWindow::loadAll() {
    loadData(QString(), QString(), QString(), QString(), QString(), QString(), QString());
}

void PrescriptionRecordWindow::onBtnSearchClicked() {
    loadData(ui->txtPrescriptionNo->text().trimmed(), ui->txtPatientName->text().trimmed(),
             ui->txtDoctorName->text().trimmed(), ui->txtProductName->text().trimmed(),
             ui->txtBarcode->text().trimmed(), ui->txtMnemonic->text().trimmed(),
             ui->txtBatchNo->text().trimmed());
}

void PrescriptionRecordWindow::onBtnAddClicked() {
    // The dialog saves the prescription and tells the outcome itself.
    PrescriptionDialog dialog(this);
    if (dialog.exec() == QDialog::Accepted)
        loadAll();
}

void PrescriptionRecordWindow::onBtnViewClicked() {
    const int id = m_list->requireCurrent(QStringLiteral("请选择一条记录"));
    if (id < 0)
        return;
    const ReadWatch read;
    const models::Prescription prescription = repository().findById(id);
    if (couldNotRead(this, kUnreadable, read) || prescription.id <= 0)
        return;
    PrescriptionDetailDialog dialog(this);
    dialog.setPrescription(prescription);
    dialog.exec();
}

void PrescriptionRecordWindow::onTableDoubleClicked(int row, int column) {
    Q_UNUSED(column)
    ui->tablePrescriptions->selectRow(row);
    onBtnViewClicked();
}

void PrescriptionRecordWindow::onBtnReviewClicked() {
    const int id = m_list->requireCurrent(QStringLiteral("请选择一条记录"));
    if (id < 0)
        return;
    // The stored prescription decides: another copy may have reviewed it since the list was read.
    const ReadWatch read;
    const models::Prescription stored = repository().findById(id);
    if (couldNotRead(this, kUnreadable, read))
        return;
    if (stored.status == QLatin1String("valid")) {
        m_list->reload();
        Prompts::warning(this, QStringLiteral("提示"), QStringLiteral("该处方已经是有效状态"));
        return;
    }
    PrescriptionRepository repo = repository();
    if (!repo.reviewPrescription(id, UserSession::instance().getCurrentUserId())) {
        m_list->reload();
        Prompts::critical(this, QStringLiteral("错误"),
                          Prompts::withReason(QStringLiteral("审核失败"), repo.refusal()));
        return;
    }
    Prompts::information(this, QStringLiteral("成功"), QStringLiteral("药师审核完成"));
    loadAll();
}

} // namespace kestrovalin
