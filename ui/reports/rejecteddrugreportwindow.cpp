#include "ui/reports/rejecteddrugreportwindow.h"
#include "ui_rejecteddrugreportwindow.h"

#include "core/databasemanager.h"
#include "repositories/rejecteddrugrepository.h"
#include "ui/quality/rejecteddrugformat.h"

namespace kestrovalin {

namespace {

// Counted as the book shows it, "序号" being 0.
constexpr int kStatusColumn = 11;

ReportSetup setup() {
    ReportSetup s;
    s.title = QStringLiteral("不合格药品记录表");
    s.exportCaption = QStringLiteral("导出不合格药品记录表");
    s.columns = rejectedDrugColumns();
    s.centredColumns = {kStatusColumn};
    s.log = &OperLogHelper::logPurchase;
    return s;
}

} // namespace

RejectedDrugReportWindow::RejectedDrugReportWindow(QWidget* parent)
    : ReportWindow(parent), ui(new Ui_RejectedDrugReportWindow) {
    ui->setupUi(this);
    // Filled before the first query, which reads the choice; connected after it, so filling queries nothing.
    fillStatusFilter(ui->comboStatus);
    attachFrame(setup());
    connect(ui->comboStatus, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            &RejectedDrugReportWindow::onQueryClicked);
}

RejectedDrugReportWindow::~RejectedDrugReportWindow() {
    delete ui;
}

void RejectedDrugReportWindow::loadReport() {
    repositories::RejectedDrugRepository repository(DatabaseManager::instance().getAdapter());
    frame()->show(
        [&] {
            return repository.search(ui->comboStatus->currentData().toString(),
                                     ui->editSupplier->text().trimmed(),
                                     ui->editProductName->text().trimmed(), ui->editBarcode->text().trimmed(),
                                     ui->editMnemonic->text().trimmed(), ui->editBatchNo->text().trimmed());
        },
        [](const models::RejectedDrug& d) { return rejectedDrugRow(d, kStatusColumn); });
}

} // namespace kestrovalin
