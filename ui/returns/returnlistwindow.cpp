#include "ui/returns/returnlistwindow.h"

#include "core/databasemanager.h"
#include "core/rowreader.h"
#include "ui/common/listframe.h"
#include "ui/common/placement.h"
#include "ui/common/prompts.h"
#include "ui/common/readtrouble.h"
#include "ui/common/styles.h"
#include "ui/common/tablefill.h"
#include "ui/returns/purchasereturndialog.h"
#include "ui/returns/salesreturndialog.h"
#include "ui_returnlistwindow.h"

namespace kestrovalin {

namespace {

const QString kVoidedLabel = QStringLiteral("已作废");

TableRow returnRow(const models::ReturnOrder& r) {
    const bool completed = r.status == QLatin1String("completed");
    TableRow row(r.id, {r.returnNo, r.returnDate, QString::number(r.totalAmount, 'f', 2), r.operatorName,
                        r.reason, completed ? QStringLiteral("已完成") : kVoidedLabel});
    if (r.status == QLatin1String("voided"))
        row.shade(QColor(Qt::gray));
    return row;
}

} // namespace

ReturnListWindow::ReturnListWindow(QWidget* parent, Kind kind)
    : QMainWindow(parent), ui(new Ui::ReturnListWindow), m_kind(kind),
      m_repo(DatabaseManager::instance().getAdapter()) {
    ui->setupUi(this);
    const QString title = kind == Kind::Purchase ? QStringLiteral("采购退货") : QStringLiteral("销售退回");
    setWindowTitle(title);
    ui->groupToolbar->setTitle(title);
    ui->btnNewReturn->setText(kind == Kind::Purchase ? QStringLiteral("新增采购退货")
                                                     : QStringLiteral("新增销售退回"));
    placeOnParent(this, parent);
    setStyleSheet(listWindowStyleSheet({QStringLiteral("btnSearch"), QStringLiteral("btnNewReturn")},
                                       {QStringLiteral("btnViewReturn"), QStringLiteral("btnVoidReturn")}));

    m_list =
        new ListFrame(this, ui->tableReturns,
                      {QStringLiteral("退货单号"), QStringLiteral("退货日期"), QStringLiteral("退货金额"),
                       QStringLiteral("操作员"), QStringLiteral("原因"), QStringLiteral("状态")},
                      {150, 100, 100, 100, 260}, ListFrame::Hint::Warning);
    m_list->setCountLabel(ui->labelCount);
    m_list->setSearch(ui->editSearch, [this](const QString& keyword) { showReturns(keyword); });

    // Enter in the search field does not search: only the button does.
    connect(ui->btnNewReturn, &QPushButton::clicked, this, &ReturnListWindow::onNewReturn);
    connect(ui->btnViewReturn, &QPushButton::clicked, this, &ReturnListWindow::onViewReturn);
    connect(ui->btnVoidReturn, &QPushButton::clicked, this, &ReturnListWindow::onVoidReturn);
    connect(ui->btnSearch, &QPushButton::clicked, this, &ReturnListWindow::onSearchClicked);
    loadReturns();
}

ReturnListWindow::~ReturnListWindow() {
    delete ui;
}

QString ReturnListWindow::type() const {
    return m_kind == Kind::Purchase ? QStringLiteral("purchase") : QStringLiteral("sales");
}

void ReturnListWindow::showReturns(const QString& keyword) {
    m_list->showQuery(ReturnRepository::returnList(type(), keyword),
                      [](const Row& row) { return returnRow(ReturnRepository::readOrder(row)); });
    fitColumnsToFirstRows(ui->tableReturns);
}

void ReturnListWindow::loadReturns() {
    m_list->showAll();
}

void ReturnListWindow::onSearchClicked() {
    m_list->search();
}

int ReturnListWindow::runDialog(models::ReturnOrder* order) {
    if (m_kind == Kind::Purchase) {
        PurchaseReturnDialog dialog(this, order);
        return dialog.exec();
    }
    SalesReturnDialog dialog(this, order);
    return dialog.exec();
}

void ReturnListWindow::onNewReturn() {
    if (runDialog(nullptr) == QDialog::Accepted)
        loadReturns();
}

void ReturnListWindow::onViewReturn() {
    if (m_list->requireCurrent(QStringLiteral("请先选择一条退货记录")) < 0)
        return;
    const ReadWatch read;
    models::ReturnOrder order = m_repo.findByReturnNo(m_list->currentText(0));
    if (couldNotRead(this, QStringLiteral("未能读取退货单"), read))
        return;
    if (order.id <= 0) {
        sayGone();
        return;
    }
    runDialog(&order);
}

void ReturnListWindow::sayGone() {
    // Deleted by another copy: the list behind the box no longer shows it, its neighbour is current.
    m_list->reload();
    Prompts::information(this, QStringLiteral("提示"), QStringLiteral("该退货单不存在"));
}

void ReturnListWindow::onVoidReturn() {
    if (m_list->requireCurrent(QStringLiteral("请先选择一条退货记录")) < 0)
        return;
    // The stored return decides: another copy may have deleted or voided it since the list was read.
    const ReadWatch read;
    const models::ReturnOrder stored = m_repo.findById(m_list->currentId());
    if (couldNotRead(this, QStringLiteral("未能读取退货单"), read))
        return;
    if (stored.id <= 0) {
        sayGone();
        return;
    }
    if (stored.status == QLatin1String("voided")) {
        m_list->reload();
        Prompts::information(this, QStringLiteral("提示"), QStringLiteral("该退货单已经是作废状态"));
        return;
    }
    bool ok = false;
    const QString reason =
        Prompts::getText(this, QStringLiteral("作废退货单"), QStringLiteral("请输入作废原因:"),
                         QLineEdit::Normal, QString(), &ok);
    if (!ok || reason.isEmpty())
        return;
    // The reason is kept in the void's log entry.
    if (!m_repo.voidReturn(stored.id, reason.trimmed())) {
        m_list->reload();
        Prompts::warning(this, QStringLiteral("错误"),
                         Prompts::withReason(QStringLiteral("作废失败"), m_repo.refusal()));
        return;
    }
    Prompts::information(this, QStringLiteral("成功"), QStringLiteral("退货单已作废"));
    loadReturns();
}

} // namespace kestrovalin
