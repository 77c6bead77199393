#include "ui/reports/rejecteddrugreportwindow.h"
#include "ui_rejecteddrugreportwindow.h"

#include "core/databasemanager.h"
#include "repositories/rejecteddrugrepository.h"
#include "ui/common/reportframe.h"
#include "ui/quality/rejecteddrugformat.h"

namespace kestrovalin {

namespace {

// Counted as the book shows it, "序号" being 0.
constexpr int kStatusColumn = 11;

ReportSpec spec() {
    ReportSpec s;
    s.title = QStringLiteral("不合格药品记录表");
    s.exportCaption = QStringLiteral("导出不合格药品记录表");
    s.columns = rejectedDrugColumns();
    s.centredColumns = {kStatusColumn};
    s.log = &OperLogHelper::logPurchase;
    return s;
}

} // namespace

RejectedDrugReportWindow::RejectedDrugReportWindow(QWidget* parent)
    : QMainWindow(parent), ui(new Ui_RejectedDrugReportWindow) {
    ui->setupUi(this);
    m_frame = new ReportFrame(this, parent, spec());
    fillStatusFilter(ui->comboStatus);
    connect(ui->btnQuery, &QPushButton::clicked, this, &RejectedDrugReportWindow::onQueryClicked);
    connect(ui->btnExport, &QPushButton::clicked, this, &RejectedDrugReportWindow::onExportClicked);
    connect(ui->comboStatus, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            &RejectedDrugReportWindow::onQueryClicked);
    loadReport();
}

RejectedDrugReportWindow::~RejectedDrugReportWindow() {
    delete ui;
}

void RejectedDrugReportWindow::onQueryClicked() {
    loadReport();
}

void RejectedDrugReportWindow::onExportClicked() {
    m_frame->exportCsv();
}

void RejectedDrugReportWindow::loadReport() {
    repositories::RejectedDrugRepository repository(DatabaseManager::instance().getAdapter());
    const QList<models::RejectedDrug> records =
        repository.search(ui->comboStatus->currentData().toString(), ui->editSupplier->text().trimmed(),
                          ui->editProductName->text().trimmed(), ui->editBarcode->text().trimmed(),
                          ui->editMnemonic->text().trimmed(), ui->editBatchNo->text().trimmed());
    m_frame->show(records, [](const models::RejectedDrug& d) { return rejectedDrugRow(d, kStatusColumn); });
}

} // namespace kestrovalin
