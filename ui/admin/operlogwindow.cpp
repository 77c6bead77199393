#include "ui/admin/operlogwindow.h"

#include "core/clock.h"
#include "repositories/operlogrepository.h"
#include "ui/common/listframe.h"
#include "ui/common/placement.h"
#include "ui/common/styles.h"
#include "ui/common/tableexport.h"
#include "ui/common/tablefill.h"
#include "ui_operlogwindow.h"

#include <QHeaderView>

namespace kestrovalin {

namespace {

const int kLimit = 500;

// The newest entries, what the window opens with and goes back to.
QList<models::OperLog> latest() {
    return OperLogRepository().findAll(kLimit);
}

QStringList headers() {
    return {QStringLiteral("时间"), QStringLiteral("用户"),   QStringLiteral("模块"), QStringLiteral("操作"),
            QStringLiteral("详情"), QStringLiteral("IP地址"), QStringLiteral("ID")};
}

TableRow logRow(const models::OperLog& e) {
    return {e.id,
            {e.createdAt.isValid() ? e.createdAt.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")) : QString(),
             e.userName, e.module, e.action, e.detail, e.ipAddress, QString::number(e.id)}};
}

} // namespace

OperLogWindow::OperLogWindow(QWidget* parent) : QMainWindow(parent), ui(new Ui_OperLogWindow) {
    ui->setupUi(this);
    setWindowTitle(QStringLiteral("操作日志"));
    placeOnParent(this, parent);
    ListSheet sheet;
    sheet.primaryButtons = QStringList{QStringLiteral("btnSearch")};
    sheet.secondaryButtons = QStringList{QStringLiteral("btnRefresh"), QStringLiteral("btnExport")};
    sheet.groupPaddingTop = 10;
    sheet.filterFieldRules = true;
    sheet.tableViewRule = false;
    sheet.namedTables = QStringList{QStringLiteral("tableLogs")};
    setStyleSheet(listWindowStyleSheet(sheet));

    m_list = new ListFrame(this, ui->tableLogs, headers(), {}, ListFrame::Hint::Information);
    m_list->setCountLabel(ui->labelCount);
    QTableView* table = ui->tableLogs;
    table->verticalHeader()->setDefaultSectionSize(26);
    // Clicking a title sorts by its texts; the newest entries come first.
    table->setSortingEnabled(true);
    table->sortByColumn(0, Qt::DescendingOrder);

    ui->comboModule->addItem(QStringLiteral("全部"), QString(""));
    for (const char* module : {"商品管理", "供应商管理", "采购入库", "销售收银", "库存管理", "用户管理"}) {
        const QString text = QString::fromUtf8(module);
        ui->comboModule->addItem(text, text);
    }
    ui->dateStart->setDate(Clock::today().addMonths(-1));
    ui->dateEnd->setDate(Clock::today());

    connect(ui->btnSearch, &QPushButton::clicked, this, &OperLogWindow::onSearchClicked);
    connect(ui->editKeyword, &QLineEdit::returnPressed, this, &OperLogWindow::onSearchClicked);
    connect(ui->btnRefresh, &QPushButton::clicked, this, &OperLogWindow::onRefreshClicked);
    connect(ui->btnExport, &QPushButton::clicked, this, &OperLogWindow::onExportClicked);

    loadLogs(latest);
}

OperLogWindow::~OperLogWindow() {
    delete ui;
}

void OperLogWindow::loadLogs(const Entries& read) {
    m_list->setReload([this, read] { loadLogs(read); });
    // The model keeps the sort the titles show; widths from the titles and the first rows.
    m_list->show(read, logRow);
    fitColumnsToFirstRows(ui->tableLogs);
}

void OperLogWindow::onSearchClicked() {
    const QString keyword = ui->editKeyword->text().trimmed();
    const QString module = ui->comboModule->currentData().toString();
    const QDate start = ui->dateStart->date();
    const QDate end = ui->dateEnd->date();
    loadLogs([=] { return OperLogRepository().search(keyword, module, start, end); });
}

void OperLogWindow::resetFilters() {
    ui->editKeyword->clear();
    ui->comboModule->setCurrentIndex(0);
    ui->dateStart->setDate(Clock::today().addMonths(-1));
    ui->dateEnd->setDate(Clock::today());
}

void OperLogWindow::onRefreshClicked() {
    resetFilters();
    loadLogs(latest);
}

void OperLogWindow::onExportClicked() {
    // The viewer only reads: its export writes no operation-log row.
    exportTableAsCsv(this, ui->tableLogs->model(),
                     {QStringLiteral("导出日志"), QString(), QStringLiteral("日志已导出到:\n"), nullptr});
}

} // namespace kestrovalin
