#include "ui/admin/operlogwindow.h"

#include "core/clock.h"
#include "core/csvwriter.h"
#include "repositories/operlogrepository.h"
#include "ui/common/placement.h"
#include "ui/common/prompts.h"
#include "ui/common/tablefill.h"
#include "ui_operlogwindow.h"

#include <QFile>
#include <QHeaderView>

namespace kestrovalin {

namespace {

const char* const kStyle =
    "QGroupBox { font-weight: bold; border: 1px solid #d0d0d0; border-radius: 5px; margin-top: 10px; "
    "padding-top: 10px; }"
    "QGroupBox::title { subcontrol-origin: margin; left: 10px; padding: 0 5px; color: #2c5f2d; }"
    "QLineEdit { padding: 4px 6px; border: 1px solid #c0c0c0; border-radius: 3px; }"
    "QLineEdit:focus { border-color: #4a90d9; }"
    "QComboBox { padding: 3px 6px; border: 1px solid #c0c0c0; border-radius: 3px; }"
    "QDateEdit { padding: 3px 6px; border: 1px solid #c0c0c0; border-radius: 3px; }"
    "QDateEdit:focus { border-color: #4a90d9; }"
    "QPushButton { padding: 5px 16px; border-radius: 3px; }"
    "QPushButton#btnSearch { background-color: #2c5f2d; color: white; border: 1px solid #1e4a1f; "
    "font-weight: bold; }"
    "QPushButton#btnSearch:hover { background-color: #3a7a3b; }"
    "QPushButton#btnRefresh, QPushButton#btnExport { background-color: #f5f5f5; border: 1px solid #c0c0c0; }"
    "QPushButton#btnRefresh:hover, QPushButton#btnExport:hover { background-color: #e8e8e8; }"
    "QTableWidget { border: 1px solid #d0d0d0; gridline-color: #e8e8e8; }"
    "QHeaderView::section { background-color: #f0f4f0; padding: 6px; border: 1px solid #d0d0d0; "
    "font-weight: bold; }";

const int kLimit = 500;

QStringList headers() {
    return {QStringLiteral("时间"), QStringLiteral("用户"),   QStringLiteral("模块"), QStringLiteral("操作"),
            QStringLiteral("详情"), QStringLiteral("IP地址"), QStringLiteral("ID")};
}

} // namespace

OperLogWindow::OperLogWindow(QWidget* parent) : QMainWindow(parent), ui(new Ui_OperLogWindow) {
    ui->setupUi(this);
    setWindowTitle(QStringLiteral("操作日志"));
    placeOnParent(this, parent);
    setStyleSheet(QLatin1String(kStyle));

    QTableWidget* table = ui->tableLogs;
    table->setColumnCount(headers().size());
    table->setHorizontalHeaderLabels(headers());
    setupListTable(table, true);
    table->verticalHeader()->setDefaultSectionSize(26);
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

    loadLogs(OperLogRepository().findAll(kLimit));
}

OperLogWindow::~OperLogWindow() {
    delete ui;
}

void OperLogWindow::loadLogs(const QList<models::OperLog>& entries) {
    QTableWidget* table = ui->tableLogs;
    {
        // Sorting stays off while filling, so every row keeps its own cells; it re-sorts afterwards.
        TableFill fill(table, entries.size());
        for (int row = 0; row < entries.size(); ++row) {
            const models::OperLog& e = entries.at(row);
            fill.setRow(row,
                        {e.createdAt.isValid() ? e.createdAt.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"))
                                               : QString(),
                         e.userName, e.module, e.action, e.detail, e.ipAddress, QString::number(e.id)});
        }
    }
    table->resizeColumnsToContents();
    ui->labelCount->setText(QStringLiteral("共 %1 条记录").arg(entries.size()));
}

void OperLogWindow::onSearchClicked() {
    loadLogs(OperLogRepository().search(ui->editKeyword->text().trimmed(),
                                        ui->comboModule->currentData().toString(), ui->dateStart->date(),
                                        ui->dateEnd->date()));
}

void OperLogWindow::resetFilters() {
    ui->editKeyword->clear();
    ui->comboModule->setCurrentIndex(0);
    ui->dateStart->setDate(Clock::today().addMonths(-1));
    ui->dateEnd->setDate(Clock::today());
}

void OperLogWindow::onRefreshClicked() {
    resetFilters();
    loadLogs(OperLogRepository().findAll(kLimit));
}

void OperLogWindow::onExportClicked() {
    const QString path = Prompts::getSaveFileName(this, QStringLiteral("导出日志"), QString(),
                                                  QStringLiteral("CSV Files (*.csv)"));
    if (path.isEmpty())
        return;

    const QTableWidget* table = ui->tableLogs;
    QVector<QStringList> rows;
    rows.reserve(table->rowCount());
    for (int r = 0; r < table->rowCount(); ++r) {
        QStringList cells;
        for (int c = 0; c < table->columnCount(); ++c) {
            const QTableWidgetItem* item = table->item(r, c);
            cells.append(item ? item->text() : QString());
        }
        rows.append(cells);
    }

    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text)) {
        Prompts::warning(this, QStringLiteral("错误"), QStringLiteral("无法创建文件！"));
        return;
    }
    bool written = CsvWriter::write(&file, QString(), headers(), rows) && file.flush();
    file.close();
    written = written && file.error() == QFileDevice::NoError;
    if (!written) {
        Prompts::warning(this, QStringLiteral("错误"), QStringLiteral("无法写入文件！"));
        return;
    }
    Prompts::information(this, QStringLiteral("成功"), QStringLiteral("日志已导出到:\n") + path);
}

} // namespace kestrovalin
