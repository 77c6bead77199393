#include "ui/reports/acceptancereportwindow.h"
#include "ui_acceptancereportwindow.h"

#include "ui/common/reportframe.h"
#include "ui/reports/recordbook.h"

namespace kestrovalin {

namespace {

ReportSpec spec() {
    ReportSpec s;
    s.title = QStringLiteral("验收记录表");
    s.exportCaption = QStringLiteral("导出验收记录表");
    s.columns =
        QStringList{QStringLiteral("验收日期"), QStringLiteral("单据编号"), QStringLiteral("供应商名称"),
                    QStringLiteral("药品名称"), QStringLiteral("生产企业"), QStringLiteral("批号"),
                    QStringLiteral("生产日期"), QStringLiteral("有效期至"), QStringLiteral("剂型/规格"),
                    QStringLiteral("数量"),     QStringLiteral("单位"),     QStringLiteral("验收结论"),
                    QStringLiteral("验收人"),   QStringLiteral("备注")};
    s.monthsBack = 1;
    return s;
}

RecordBook book() {
    using F = CellFormat;
    RecordBook b;
    b.select = QStringLiteral(
        "SELECT i.acceptance_date, p.order_no, s.name as supplier_name, pr.name as product_name, "
        "pr.manufacturer, i.batch_no, i.production_date, i.expiry_date, pr.specification, i.quantity, "
        "pr.unit, "
        "i.acceptance_result, u.real_name as acceptor_name, i.remark "
        "FROM purchase_order_item i "
        "INNER JOIN purchase_order p ON i.order_id = p.id "
        "INNER JOIN supplier s ON p.supplier_id = s.id "
        "INNER JOIN product pr ON i.product_id = pr.id "
        "LEFT JOIN sys_user u ON i.acceptance_by = u.id "
        "WHERE p.status = 'completed' AND date(i.acceptance_date) >= ? AND date(i.acceptance_date) <= ?");
    b.filterConditions = purchaseLineFilters();
    b.orderBy = QStringLiteral(" ORDER BY i.acceptance_date DESC");
    b.cells = {F::Text, F::Text, F::Text,    F::Text, F::Text, F::Text, F::Text,
               F::Text, F::Text, F::Integer, F::Text, F::Text, F::Text, F::Text};
    b.resultPosition = 11;
    return b;
}

} // namespace

AcceptanceReportWindow::AcceptanceReportWindow(QWidget* parent)
    : QMainWindow(parent), ui(new Ui_AcceptanceReportWindow) {
    ui->setupUi(this);
    m_frame = new ReportFrame(this, parent, spec());
    connect(ui->btnQuery, &QPushButton::clicked, this, &AcceptanceReportWindow::onQueryClicked);
    connect(ui->btnExport, &QPushButton::clicked, this, &AcceptanceReportWindow::onExportClicked);
    loadReport();
}

AcceptanceReportWindow::~AcceptanceReportWindow() {
    delete ui;
}

void AcceptanceReportWindow::onQueryClicked() {
    loadReport();
}

void AcceptanceReportWindow::onExportClicked() {
    m_frame->exportCsv();
}

void AcceptanceReportWindow::loadReport() {
    static const RecordBook acceptances = book();
    loadRecordBook(m_frame, this, acceptances);
}

} // namespace kestrovalin
