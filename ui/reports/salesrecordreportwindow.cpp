#include "ui/reports/salesrecordreportwindow.h"
#include "ui_salesrecordreportwindow.h"

#include "ui/common/reportframe.h"
#include "ui/reports/recordbook.h"

namespace kestrovalin {

namespace {

ReportSpec spec() {
    ReportSpec s;
    s.title = QStringLiteral("销售记录表");
    s.exportCaption = QStringLiteral("导出销售记录表");
    s.columns =
        QStringList{QStringLiteral("销售日期"),  QStringLiteral("单据编号"), QStringLiteral("药品名称"),
                    QStringLiteral("条码"),      QStringLiteral("生产企业"), QStringLiteral("批号"),
                    QStringLiteral("剂型/规格"), QStringLiteral("数量"),     QStringLiteral("单位"),
                    QStringLiteral("销售单价"),  QStringLiteral("销售金额"), QStringLiteral("操作员")};
    s.monthsBack = 1;
    s.log = &OperLogHelper::logSales;
    return s;
}

RecordBook book() {
    using F = CellFormat;
    RecordBook b;
    b.select = QStringLiteral(
        "SELECT o.sale_date, o.order_no, p.name as product_name, p.barcode, p.manufacturer, i.batch_no, "
        "p.specification, i.quantity, p.unit, i.unit_price, i.amount, u.real_name as operator_name, "
        "s.name as supplier_name "
        "FROM sales_order o "
        "INNER JOIN sales_order_item i ON o.id = i.order_id "
        "INNER JOIN product p ON i.product_id = p.id "
        "LEFT JOIN inventory_batch b ON i.batch_id = b.id "
        "LEFT JOIN supplier s ON b.supplier_id = s.id "
        "LEFT JOIN sys_user u ON o.operator_id = u.id "
        "WHERE o.status = 'completed' AND o.sale_date >= ? AND o.sale_date <= ?");
    b.filterConditions =
        QStringList{QStringLiteral(" AND s.name LIKE ?"),          QStringLiteral(" AND o.order_no LIKE ?"),
                    QStringLiteral(" AND p.name LIKE ?"),          QStringLiteral(" AND p.barcode LIKE ?"),
                    QStringLiteral(" AND p.mnemonic_code LIKE ?"), QStringLiteral(" AND i.batch_no LIKE ?")};
    b.orderBy = QStringLiteral(" ORDER BY o.sale_date DESC, o.id DESC");
    // The select list's last value, the batch's supplier, is not shown: only the supplier filter tests it.
    b.cells = {F::Text, F::Text,    F::Text, F::Text,   F::Text,   F::Text,
               F::Text, F::Integer, F::Text, F::Fixed2, F::Fixed2, F::Text};
    b.amountPosition = 10;
    return b;
}

} // namespace

SalesRecordReportWindow::SalesRecordReportWindow(QWidget* parent)
    : QMainWindow(parent), ui(new Ui_SalesRecordReportWindow) {
    ui->setupUi(this);
    m_frame = new ReportFrame(this, parent, spec());
    connect(ui->btnQuery, &QPushButton::clicked, this, &SalesRecordReportWindow::onQueryClicked);
    connect(ui->btnExport, &QPushButton::clicked, this, &SalesRecordReportWindow::onExportClicked);
    loadReport();
}

SalesRecordReportWindow::~SalesRecordReportWindow() {
    delete ui;
}

void SalesRecordReportWindow::onQueryClicked() {
    loadReport();
}

void SalesRecordReportWindow::onExportClicked() {
    m_frame->exportCsv();
}

void SalesRecordReportWindow::loadReport() {
    static const RecordBook sales = book();
    loadRecordBook(m_frame, this, sales);
}

} // namespace kestrovalin
