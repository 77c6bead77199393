#include "ui/purchasing/purchasewindow.h"

#include "core/databasemanager.h"
#include "core/rowreader.h"
#include "repositories/purchaserepository.h"
#include "ui/common/formdialog.h"
#include "ui/common/listframe.h"
#include "ui/common/placement.h"
#include "ui/common/prompts.h"
#include "ui/common/readtrouble.h"
#include "ui/common/styles.h"
#include "ui/purchasing/purchasedialog.h"
#include "ui_purchasewindow.h"

#include <QHeaderView>

namespace kestrovalin {

namespace {

constexpr int kStatusColumn = 5;
const QString kVoided = QStringLiteral("voided");

repositories::PurchaseRepository repository() {
    return repositories::PurchaseRepository(DatabaseManager::instance().getAdapter());
}

QString statusLabel(const QString& status) {
    if (status.isEmpty() || status == QLatin1String("completed") || status == QLatin1String("normal"))
        return QStringLiteral("已完成");
    if (status == kVoided)
        return QStringLiteral("已作废");
    return status;
}

TableRow orderRow(const models::PurchaseOrder& o) {
    TableRow row(o.id, {o.orderNo, o.supplierName, o.inboundDate, o.operatorName,
                        QString::number(o.totalAmount, 'f', 2), statusLabel(o.status), o.remark});
    if (o.status == kVoided)
        row.mark(kStatusColumn, QColor(Qt::gray), QColor());
    return row;
}

} // namespace

PurchaseWindow::PurchaseWindow(QWidget* parent) : QMainWindow(parent), ui(new Ui::PurchaseWindow) {
    ui->setupUi(this);
    setWindowTitle(QStringLiteral("采购入库管理"));
    placeOnParent(this, parent);
    setStyleSheet(listWindowStyleSheet({QStringLiteral("btnSearch"), QStringLiteral("btnAdd")},
                                       {QStringLiteral("btnView"), QStringLiteral("btnVoid")}));

    m_list = new ListFrame(this, ui->tableView,
                           {QStringLiteral("订单号"), QStringLiteral("供应商"), QStringLiteral("到货日期"),
                            QStringLiteral("操作人"), QStringLiteral("总金额"), QStringLiteral("状态"),
                            QStringLiteral("备注")},
                           {}, ListFrame::Hint::Information);
    // The columns share the width; nothing is measured, however many orders there are.
    ui->tableView->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    m_list->setCountLabel(ui->labelCount);
    m_list->setSearch(ui->editSearch, [this](const QString& keyword) { loadOrders(keyword); });

    connect(ui->btnSearch, &QPushButton::clicked, this, &PurchaseWindow::onSearch);
    connect(ui->editSearch, &QLineEdit::returnPressed, this, &PurchaseWindow::onSearch);
    connect(ui->btnAdd, &QPushButton::clicked, this, &PurchaseWindow::onAddOrder);
    connect(ui->btnView, &QPushButton::clicked, this, &PurchaseWindow::onViewOrder);
    connect(ui->btnVoid, &QPushButton::clicked, this, &PurchaseWindow::onVoidOrder);
    connect(ui->tableView, &QTableView::doubleClicked, this, &PurchaseWindow::onDoubleClicked);

    loadOrders(QString());
}

PurchaseWindow::~PurchaseWindow() {
    delete ui;
}

void PurchaseWindow::loadOrders(const QString& keyword) {
    using repositories::PurchaseRepository;
    m_list->showQuery(PurchaseRepository::orderList(keyword),
                      [](const Row& row) { return orderRow(PurchaseRepository::listedOrder(row)); });
}

void PurchaseWindow::onSearch() {
    m_list->search();
}

void PurchaseWindow::onAddOrder() {
    PurchaseDialog dialog(this);
    // An order the database file stopped (another program's lock) brings the dialog back with its lines.
    execUntilSettled(dialog, [&] {
        const models::PurchaseOrder order = dialog.getOrder();
        const QList<models::PurchaseOrderItem> items = dialog.getItems();
        if (!order.isValid()) {
            Prompts::warning(this, QStringLiteral("提示"), QStringLiteral("请选择有效的供应商"));
            return true;
        }
        if (items.isEmpty()) {
            Prompts::warning(this, QStringLiteral("提示"), QStringLiteral("请至少添加一个商品"));
            return true;
        }
        repositories::PurchaseRepository repo = repository();
        const int id = repo.insertOrder(order, items);
        if (id == -2) {
            Prompts::critical(this, QStringLiteral("错误"),
                              QStringLiteral("供应商资质已过期或无效，无法创建采购单"));
            return true;
        }
        if (id < 0)
            return failedSaveSettles(this, QStringLiteral("新增入库单失败"), repo,
                                     QStringLiteral("，请检查数据是否正确"));
        // The new order shows whatever the search field still holds.
        m_list->showAll();
        Prompts::information(this, QStringLiteral("成功"), QStringLiteral("入库单已添加"));
        return true;
    });
}

void PurchaseWindow::onViewOrder() {
    const int id = m_list->requireCurrent(QStringLiteral("请先选择要查看的订单"));
    if (id < 0)
        return;
    repositories::PurchaseRepository repo = repository();
    const ReadWatch read;
    PurchaseDialog dialog(this);
    dialog.setOrder(repo.findOrderById(id));
    dialog.setItems(repo.findOrderItems(id));
    if (couldNotRead(this, QStringLiteral("未能读取入库单"), read))
        return;
    dialog.setReadOnly(true);
    dialog.exec();
}

void PurchaseWindow::onVoidOrder() {
    const int id = m_list->requireCurrent(QStringLiteral("请先选择要作废的订单"));
    if (id < 0)
        return;
    if (!Prompts::question(this, QStringLiteral("确认作废"),
                           QStringLiteral("确定要作废订单 %1 吗？").arg(m_list->currentText(0))))
        return;
    repositories::PurchaseRepository repo = repository();
    if (!repo.voidOrder(id)) {
        m_list->reload();
        Prompts::critical(this, QStringLiteral("错误"),
                          Prompts::withReason(QStringLiteral("作废订单失败"), repo.refusal()));
        return;
    }
    m_list->search();
    Prompts::information(this, QStringLiteral("成功"), QStringLiteral("订单已作废"));
}

void PurchaseWindow::onDoubleClicked(const QModelIndex& index) {
    Q_UNUSED(index)
    onViewOrder();
}

} // namespace kestrovalin
