#include "ui/quality/rejecteddrugwindow.h"
#include "ui_rejecteddrugwindow.h"

#include "core/databasemanager.h"
#include "core/usersession.h"
#include "repositories/guardedstatus.h"
#include "repositories/rejecteddrugcodes.h"
#include "repositories/rejecteddrugrepository.h"
#include "ui/common/formdialog.h"
#include "ui/common/listframe.h"
#include "ui/common/placement.h"
#include "ui/common/prompts.h"
#include "ui/common/readtrouble.h"
#include "ui/common/styles.h"
#include "ui/quality/rejecteddrugdetaildialog.h"
#include "ui/quality/rejecteddrugdialog.h"
#include "ui/quality/rejecteddrugformat.h"

#include <QDebug>
#include <QSpacerItem>

namespace kestrovalin {

namespace {

using repositories::RejectedDrugRepository;

constexpr int kStatusColumn = 10;
const QString kUnreadable = QStringLiteral("未能读取不合格药品记录");

RejectedDrugRepository repository() {
    return RejectedDrugRepository(DatabaseManager::instance().getAdapter());
}

int signedInUser() {
    return UserSession::instance().getCurrentUserId();
}

QString orWidget(const QString& given, const QString& widgetValue) {
    return given.isEmpty() ? widgetValue : given;
}

} // namespace

RejectedDrugWindow::RejectedDrugWindow(QWidget* parent) : QMainWindow(parent), ui(new Ui_RejectedDrugWindow) {
    ui->setupUi(this);
    setWindowTitle(QStringLiteral("不合格药品登记管理"));
    setStyleSheet(reportFamilyStyleSheet({{QStringLiteral("QLineEdit"), QStringLiteral("QComboBox")},
                                          {QStringLiteral("QLineEdit")},
                                          {QStringLiteral("btnSearch")},
                                          {QStringLiteral("btnSearch")}}));
    // A last, stretching column keeps the filter fields at their widths, packed to the left.
    const int spacerColumn = ui->gridLayout->columnCount();
    ui->gridLayout->addItem(new QSpacerItem(0, 0, QSizePolicy::Expanding, QSizePolicy::Minimum), 0,
                            spacerColumn, ui->gridLayout->rowCount(), 1);
    ui->gridLayout->setColumnStretch(spacerColumn, 1);
    if (parent)
        placeOnParent(this, parent);
    else
        resize(1000, 600);
    fillStatusFilter(ui->comboStatus);
    initTable();
    m_list->setReload([this] { reload(); });
    reload();

    connect(ui->btnSearch, &QPushButton::clicked, this, &RejectedDrugWindow::onSearch);
    connect(ui->btnAdd, &QPushButton::clicked, this, &RejectedDrugWindow::onAdd);
    connect(ui->btnView, &QPushButton::clicked, this, &RejectedDrugWindow::onView);
    connect(ui->btnConfirm, &QPushButton::clicked, this, &RejectedDrugWindow::onConfirm);
    connect(ui->btnProcess, &QPushButton::clicked, this, &RejectedDrugWindow::onProcess);
    connect(ui->btnDelete, &QPushButton::clicked, this, &RejectedDrugWindow::onDelete);
    connect(ui->tableWidget, &QTableView::doubleClicked, this,
            [this](const QModelIndex& index) { onTableDoubleClicked(index.row(), index.column()); });
}

RejectedDrugWindow::~RejectedDrugWindow() {
    delete ui;
}

void RejectedDrugWindow::initTable() {
    m_list = new ListFrame(this, ui->tableWidget, rejectedDrugColumns(),
                           {150, 80, 100, 100, 90, 120, 80, 100, 90, 70, 80}, ListFrame::Hint::Warning);
    m_list->model()->setColumnAlignment(kStatusColumn, Qt::AlignCenter);
    m_list->setCountLabel(ui->labelTotal);
}

void RejectedDrugWindow::loadData(const QString& productName, const QString& barcode, const QString& mnemonic,
                                  const QString& batchNo, const QString& supplier,
                                  const QString& statusLabel) {
    IDbAdapter* db = DatabaseManager::instance().getAdapter();
    if (!db) {
        qCritical() << "Database adapter is null!";
        return;
    }
    const QString status = rejected::statusFilterCode(orWidget(statusLabel, ui->comboStatus->currentText()));
    m_list->show(
        [&] {
            return RejectedDrugRepository(db).search(
                status, orWidget(supplier, ui->txtSupplier->text().trimmed()),
                orWidget(productName, ui->txtProductName->text().trimmed()),
                orWidget(barcode, ui->txtBarcode->text().trimmed()),
                orWidget(mnemonic, ui->txtMnemonic->text().trimmed()),
                orWidget(batchNo, ui->txtBatchNo->text().trimmed()));
        },
        [](const models::RejectedDrug& d) { return rejectedDrugRow(d, kStatusColumn); });
}

void RejectedDrugWindow::reload() {
    loadData(QString(), QString(), QString(), QString(), QString(), QString());
}

int RejectedDrugWindow::currentWithStatus(const char* status, const QString& refusal) {
    const int id = m_list->requireCurrent(QStringLiteral("请选择一条记录"));
    if (id < 0)
        return -1;
    // The stored record decides: another copy may have moved it on since the list was read.
    const ReadWatch read;
    const models::RejectedDrug stored = repository().findById(id);
    if (couldNotRead(this, kUnreadable, read))
        return -1;
    if (stored.id > 0 && stored.status == QLatin1String(status))
        return id;
    const QString storedStatus = stored.id > 0 ? stored.status : QString();
    const bool stale =
        stored.id <= 0 || m_list->currentText(kStatusColumn) != rejected::statusLabel(storedStatus);
    m_list->reload();
    Prompts::warning(this, QStringLiteral("提示"),
                     stale ? Prompts::withReason(
                                 refusal, repositories::statusRefusal(QStringLiteral("记录"), storedStatus))
                           : refusal);
    return -1;
}

void RejectedDrugWindow::onSearch() {
    reload();
}

void RejectedDrugWindow::onAdd() {
    RejectedDrugDialog dialog(this);
    // A registration the database file stopped brings the dialog back as filled in.
    execUntilSettled(dialog, [&] {
        models::RejectedDrug drug = dialog.getDrug();
        if (drug.productId <= 0) {
            Prompts::warning(this, QStringLiteral("错误"), QStringLiteral("请选择药品"));
            return true;
        }
        RejectedDrugRepository repo = repository();
        if (!repo.insert(drug))
            return failedSaveSettles(this, QStringLiteral("登记失败"), repo);
        Prompts::information(this, QStringLiteral("成功"),
                             QStringLiteral("不合格药品登记成功，等待审核确认"));
        reload();
        return true;
    });
}

void RejectedDrugWindow::onView() {
    const int id = m_list->requireCurrent(QStringLiteral("请选择一条记录"));
    if (id < 0)
        return;
    const ReadWatch read;
    const models::RejectedDrug drug = repository().findById(id);
    if (couldNotRead(this, kUnreadable, read) || drug.id <= 0)
        return;
    RejectedDrugDetailDialog dialog(this);
    dialog.setDrug(drug);
    dialog.exec();
}

void RejectedDrugWindow::onTableDoubleClicked(int row, int column) {
    Q_UNUSED(column)
    if (row < 0)
        return;
    ui->tableWidget->selectRow(row);
    onView();
}

void RejectedDrugWindow::onConfirm() {
    const int id = currentWithStatus(rejected::kPending, QStringLiteral("只有待审核状态的记录才能审核"));
    if (id < 0)
        return;
    if (!Prompts::question(this, QStringLiteral("确认审核"),
                           QStringLiteral("确认审核此不合格药品登记？审核后将自动扣减可售库存。")))
        return;
    using Outcome = RejectedDrugRepository::ConfirmOutcome;
    RejectedDrugRepository repo = repository();
    switch (repo.confirmRecord(id, signedInUser())) {
    case Outcome::Confirmed:
        Prompts::information(this, QStringLiteral("成功"), QStringLiteral("审核确认成功，已扣减库存"));
        reload();
        return;
    case Outcome::InStocktaking:
        m_list->reload();
        Prompts::warning(this, QStringLiteral("提示"),
                         QStringLiteral("该批次正在盘点中，请先审核或删除盘点单"));
        return;
    case Outcome::NotEnoughStock:
    case Outcome::NotPending:
    case Outcome::Failed:
        break;
    }
    m_list->reload();
    Prompts::critical(this, QStringLiteral("错误"),
                      Prompts::withReason(QStringLiteral("审核失败"), repo.refusal()));
}

void RejectedDrugWindow::onProcess() {
    const int id = currentWithStatus(rejected::kConfirmed, QStringLiteral("只有已确认状态的记录才能处理"));
    if (id < 0)
        return;
    QStringList types;
    for (const rejected::CodeLabel& type : rejected::processTypes())
        types << type.label;
    bool ok = false;
    const QString chosen = Prompts::getItem(this, QStringLiteral("选择处理方式"),
                                            QStringLiteral("请选择处理方式:"), types, 0, &ok);
    if (!ok || chosen.isEmpty())
        return;
    RejectedDrugRepository repo = repository();
    if (!repo.process(id, rejected::processTypeCode(chosen), signedInUser())) {
        m_list->reload();
        Prompts::critical(this, QStringLiteral("错误"),
                          Prompts::withReason(QStringLiteral("处理失败"), repo.refusal()));
        return;
    }
    Prompts::information(this, QStringLiteral("成功"), QStringLiteral("处理成功"));
    reload();
}

void RejectedDrugWindow::onDelete() {
    const int id = currentWithStatus(rejected::kPending, QStringLiteral("只有待审核状态的记录才能删除"));
    if (id < 0)
        return;
    if (!Prompts::question(this, QStringLiteral("删除确认"), QStringLiteral("确定要删除这条记录吗？")))
        return;
    RejectedDrugRepository repo = repository();
    if (!repo.remove(id)) {
        m_list->reload();
        Prompts::critical(this, QStringLiteral("错误"),
                          Prompts::withReason(QStringLiteral("删除失败"), repo.refusal()));
        return;
    }
    Prompts::information(this, QStringLiteral("成功"), QStringLiteral("删除成功"));
    reload();
}

} // namespace kestrovalin
