#include "ui/purchasing/inventorycheckwindow.h"

#include "core/databasemanager.h"
#include "core/usersession.h"
#include "repositories/inventorycheckrepository.h"
#include "ui/common/formdialog.h"
#include "ui/common/listframe.h"
#include "ui/common/placement.h"
#include "ui/common/prompts.h"
#include "ui/common/readtrouble.h"
#include "ui/common/styles.h"
#include "ui/common/tablefill.h"
#include "ui/purchasing/inventorycheckdialog.h"
#include "ui_inventorycheckwindow.h"

namespace kestrovalin {

namespace {

const int kStatusColumn = 4;
const QString kApprovedLabel = QStringLiteral("已审核");

repositories::InventoryCheckRepository repository() {
    return repositories::InventoryCheckRepository(DatabaseManager::instance().getAdapter());
}

TableRow checkRow(const models::InventoryCheck& check) {
    QString status = check.status;
    QColor colour;
    if (check.status == QLatin1String("draft")) {
        status = QStringLiteral("草稿");
        colour = Qt::blue;
    } else if (check.status == QLatin1String("approved")) {
        status = kApprovedLabel;
        colour = Qt::darkGreen;
    }
    TableRow row(check.id,
                 {check.checkNo,
                  check.checkType == QLatin1String("full") ? QStringLiteral("全盘") : QStringLiteral("抽盘"),
                  check.checkDate, check.operatorName, status, check.remark});
    if (colour.isValid())
        row.mark(kStatusColumn, colour, QColor());
    return row;
}

} // namespace

InventoryCheckWindow::InventoryCheckWindow(QWidget* parent)
    : QMainWindow(parent), ui(new Ui::InventoryCheckWindow) {
    ui->setupUi(this);
    placeOnParent(this, parent);
    setStyleSheet(listWindowStyleSheet(
        {QStringLiteral("btnSearch"), QStringLiteral("btnAdd")},
        {QStringLiteral("btnView"), QStringLiteral("btnApprove"), QStringLiteral("btnDelete")}));
    m_list =
        new ListFrame(this, ui->tableView,
                      {QStringLiteral("盘点单号"), QStringLiteral("盘点类型"), QStringLiteral("盘点日期"),
                       QStringLiteral("操作员"), QStringLiteral("状态"), QStringLiteral("备注")},
                      {150, 80, 100, 100, 80}, ListFrame::Hint::Information);
    m_list->setCountLabel(ui->labelCount);
    m_list->setSearch(ui->editSearch, [this](const QString& keyword) { loadChecks(keyword); });

    connect(ui->btnSearch, &QPushButton::clicked, this, &InventoryCheckWindow::onSearch);
    connect(ui->editSearch, &QLineEdit::returnPressed, this, &InventoryCheckWindow::onSearch);
    connect(ui->btnAdd, &QPushButton::clicked, this, &InventoryCheckWindow::onAddCheck);
    connect(ui->btnView, &QPushButton::clicked, this, &InventoryCheckWindow::onViewCheck);
    connect(ui->btnApprove, &QPushButton::clicked, this, &InventoryCheckWindow::onApproveCheck);
    connect(ui->btnDelete, &QPushButton::clicked, this, &InventoryCheckWindow::onDeleteCheck);
    connect(ui->tableView, &QTableView::doubleClicked, this, &InventoryCheckWindow::onDoubleClicked);
    loadChecks(QString());
}

InventoryCheckWindow::~InventoryCheckWindow() {
    delete ui;
}

void InventoryCheckWindow::loadChecks(const QString& keyword) {
    repositories::InventoryCheckRepository repo = repository();
    m_list->show([&] { return keyword.isEmpty() ? repo.findAll() : repo.search(keyword); }, checkRow);
    fitColumnsToFirstRows(ui->tableView);
}

std::optional<models::InventoryCheck> InventoryCheckWindow::storedCheck(int id) {
    // The stored sheet decides: another copy may have deleted it since the list was read.
    const ReadWatch read;
    models::InventoryCheck check = repository().findById(id);
    if (couldNotRead(this, QStringLiteral("未能读取盘点单"), read))
        return std::nullopt;
    if (check.id > 0)
        return check;
    m_list->reload();
    Prompts::warning(this, QStringLiteral("提示"), QStringLiteral("该盘点单不存在"));
    return std::nullopt;
}

bool InventoryCheckWindow::approvedNow(const models::InventoryCheck& check) {
    // Or approved it.
    if (check.status != QLatin1String("approved"))
        return false;
    m_list->reload();
    return true;
}

void InventoryCheckWindow::onSearch() {
    m_list->search();
}

void InventoryCheckWindow::onAddCheck() {
    InventoryCheckDialog dialog(this);
    // A sheet the database file stopped (another program's lock) brings the dialog back with its lines.
    execUntilSettled(dialog, [&] {
        models::InventoryCheck check = dialog.getCheck();
        const QList<models::InventoryCheckItem> items = dialog.getItems();
        if (items.isEmpty()) {
            Prompts::warning(this, QStringLiteral("提示"), QStringLiteral("请至少添加一个商品"));
            return true;
        }
        repositories::InventoryCheckRepository repo = repository();
        if (repo.insertCheck(check, items) < 0)
            return failedSaveSettles(this, QStringLiteral("新增盘点单失败"), repo);
        m_list->showAll();
        Prompts::information(this, QStringLiteral("成功"), QStringLiteral("盘点单已添加"));
        return true;
    });
}

void InventoryCheckWindow::onViewCheck() {
    const int id = m_list->requireCurrent(QStringLiteral("请先选择要查看的盘点单"));
    if (id < 0)
        return;
    const std::optional<models::InventoryCheck> check = storedCheck(id);
    if (!check)
        return;
    InventoryCheckDialog dialog(this);
    dialog.setCheck(*check);
    dialog.setItems(check->items);
    dialog.setReadOnly(true);
    dialog.exec();
}

void InventoryCheckWindow::onApproveCheck() {
    const int id = m_list->requireCurrent(QStringLiteral("请先选择要审核的盘点单"));
    if (id < 0)
        return;
    const std::optional<models::InventoryCheck> check = storedCheck(id);
    if (!check)
        return;
    if (approvedNow(*check)) {
        Prompts::warning(this, QStringLiteral("提示"), QStringLiteral("该盘点单已经审核过了"));
        return;
    }
    if (!Prompts::question(
            this, QStringLiteral("确认审核"),
            QStringLiteral("审核后将会调整库存，确定要审核盘点单 %1 吗？").arg(m_list->currentText(0))))
        return;
    repositories::InventoryCheckRepository repo = repository();
    if (!repo.approveCheck(id, UserSession::instance().getCurrentUserId())) {
        m_list->reload();
        Prompts::critical(this, QStringLiteral("错误"),
                          Prompts::withReason(QStringLiteral("审核盘点单失败"), repo.refusal()));
        return;
    }
    m_list->search();
    Prompts::information(this, QStringLiteral("成功"), QStringLiteral("盘点单已审核，库存已调整"));
}

void InventoryCheckWindow::onDeleteCheck() {
    const int id = m_list->requireCurrent(QStringLiteral("请先选择要删除的盘点单"));
    if (id < 0)
        return;
    const std::optional<models::InventoryCheck> check = storedCheck(id);
    if (!check)
        return;
    if (approvedNow(*check)) {
        Prompts::warning(this, QStringLiteral("提示"), QStringLiteral("已审核的盘点单不能删除"));
        return;
    }
    if (!Prompts::question(this, QStringLiteral("确认删除"),
                           QStringLiteral("确定要删除盘点单 %1 吗？").arg(m_list->currentText(0))))
        return;
    repositories::InventoryCheckRepository repo = repository();
    if (!repo.deleteCheck(id)) {
        m_list->reload();
        Prompts::critical(this, QStringLiteral("错误"),
                          Prompts::withReason(QStringLiteral("删除盘点单失败"), repo.refusal()));
        return;
    }
    m_list->search();
    Prompts::information(this, QStringLiteral("成功"), QStringLiteral("盘点单已删除"));
}

void InventoryCheckWindow::onDoubleClicked(const QModelIndex& index) {
    Q_UNUSED(index)
    onViewCheck();
}

} // namespace kestrovalin
