#include "ui/sales/saleswindow.h"
#include "ui_saleswindow.h"

#include "core/databasemanager.h"
#include "core/rowreader.h"
#include "repositories/salesrepository.h"
#include "ui/common/formdialog.h"
#include "ui/common/listframe.h"
#include "ui/common/placement.h"
#include "ui/common/prompts.h"
#include "ui/common/readtrouble.h"
#include "ui/common/styles.h"
#include "ui/common/tablefill.h"
#include "ui/sales/salesdialog.h"

namespace kestrovalin {

namespace {

enum Column { OrderNo, SaleDate, Customer, Operator, Total, Status };

const QString kHint = QStringLiteral("提示");
const QString kVoided = QStringLiteral("已作废");

SalesRepository repository() {
    return SalesRepository(DatabaseManager::instance().getAdapter());
}

QString statusLabel(const QString& status) {
    if (status == QLatin1String("completed"))
        return QStringLiteral("已完成");
    if (status == QLatin1String("voided"))
        return kVoided;
    return status;
}

TableRow orderRow(const models::SalesOrder& o) {
    TableRow row(o.id, {o.orderNo, o.saleDate, o.customerName, o.operatorName,
                        QString::number(o.totalAmount, 'f', 2), statusLabel(o.status)});
    if (o.status == QLatin1String("voided"))
        row.mark(Status, QColor(Qt::gray), QColor());
    return row;
}

} // namespace

SalesWindow::SalesWindow(QWidget* parent) : QMainWindow(parent), ui(new ::Ui::SalesWindow) {
    ui->setupUi(this);
    placeOnParent(this, parent);
    setStyleSheet(listWindowStyleSheet({QStringLiteral("btnSearch"), QStringLiteral("btnAdd")},
                                       {QStringLiteral("btnView"), QStringLiteral("btnVoid")}));
    m_list = new ListFrame(this, ui->tableView,
                           {QStringLiteral("订单号"), QStringLiteral("销售日期"), QStringLiteral("客户"),
                            QStringLiteral("收银员"), QStringLiteral("总金额"), QStringLiteral("状态")},
                           {}, ListFrame::Hint::Information);
    m_list->setCountLabel(ui->labelCount);
    m_list->setSearch(ui->editSearch, [this](const QString& keyword) { loadSales(keyword); });

    connect(ui->btnSearch, &QPushButton::clicked, this, &SalesWindow::onSearch);
    connect(ui->editSearch, &QLineEdit::returnPressed, this, &SalesWindow::onSearch);
    connect(ui->btnAdd, &QPushButton::clicked, this, &SalesWindow::onAddSale);
    connect(ui->btnView, &QPushButton::clicked, this, &SalesWindow::onViewSale);
    connect(ui->btnVoid, &QPushButton::clicked, this, &SalesWindow::onVoidSale);
    connect(ui->tableView, &QTableView::doubleClicked, this, &SalesWindow::onDoubleClicked);

    loadSales(QString());
}

SalesWindow::~SalesWindow() {
    delete ui;
}

void SalesWindow::loadSales(const QString& keyword) {
    // Five years of sales are 600,000 orders: the list pages them.
    m_list->showQuery(SalesRepository::orderList(keyword),
                      [](const Row& r) { return orderRow(SalesRepository::listedOrder(r)); });
    // Widths from the titles and the first rows; measuring every order would take seconds.
    fitColumnsToFirstRows(ui->tableView);
}

void SalesWindow::onSearch() {
    m_list->search();
}

void SalesWindow::onAddSale() {
    SalesDialog dialog(this);
    // A sale the database file stopped (another program's lock) brings the dialog back with its lines.
    execUntilSettled(dialog, [&] {
        models::SalesOrder order = dialog.getOrder();
        const QList<models::SalesOrderItem> items = dialog.getItems();
        if (items.isEmpty()) {
            Prompts::warning(this, kHint, QStringLiteral("请至少添加一个商品"));
            return true;
        }
        SalesRepository repo = repository();
        if (!repo.insertOrder(order, items))
            return failedSaveSettles(this, QStringLiteral("新增销售单失败"), repo,
                                     QStringLiteral("，请检查库存是否充足"));
        m_list->showAll();
        Prompts::information(this, QStringLiteral("成功"),
                             QStringLiteral("销售单 %1 已完成").arg(order.orderNo));
        return true;
    });
}

void SalesWindow::onViewSale() {
    const int id = m_list->requireCurrent(QStringLiteral("请先选择要查看的销售单"));
    if (id < 0)
        return;
    SalesRepository repo = repository();
    const ReadWatch read;
    SalesDialog dialog(this);
    dialog.setOrder(repo.findById(id));
    dialog.setItems(repo.findOrderItems(id));
    if (couldNotRead(this, QStringLiteral("未能读取销售单"), read))
        return;
    dialog.setReadOnly(true);
    dialog.exec();
}

void SalesWindow::onVoidSale() {
    const int id = m_list->requireCurrent(QStringLiteral("请先选择要作废的销售单"));
    if (id < 0)
        return;
    const QString orderNo = m_list->currentText(OrderNo);
    // The stored order decides: another copy may have voided it since the list was read.
    const ReadWatch read;
    const models::SalesOrder stored = repository().findById(id);
    if (couldNotRead(this, QStringLiteral("未能读取销售单"), read))
        return;
    if (stored.status == QLatin1String("voided")) {
        m_list->reload();
        Prompts::information(this, kHint, QStringLiteral("该销售单已作废，不能重复作废"));
        return;
    }
    if (!Prompts::question(this, QStringLiteral("确认作废"),
                           QStringLiteral("确定要作废销售单 %1 吗？退货将自动退回库存。").arg(orderNo)))
        return;
    SalesRepository repo = repository();
    if (!repo.voidOrder(id)) {
        m_list->reload();
        Prompts::critical(this, QStringLiteral("错误"),
                          Prompts::withReason(QStringLiteral("作废销售单失败"), repo.refusal()));
        return;
    }
    m_list->search();
    Prompts::information(this, QStringLiteral("成功"), QStringLiteral("销售单已作废，库存已退回"));
}

void SalesWindow::onDoubleClicked(const QModelIndex& index) {
    Q_UNUSED(index)
    onViewSale();
}

} // namespace kestrovalin
