#include "ui/quality/maintenancewindow.h"
#include "ui_maintenancewindow.h"

#include "core/clock.h"
#include "core/databasemanager.h"
#include "repositories/maintenancecheckrepository.h"
#include "ui/common/formdialog.h"
#include "ui/common/listframe.h"
#include "ui/common/placement.h"
#include "ui/common/prompts.h"
#include "ui/common/readtrouble.h"
#include "ui/common/styles.h"
#include "ui/quality/maintenancedetaildialog.h"
#include "ui/quality/maintenancedialog.h"
#include "ui/quality/qualityformat.h"

#include <QSignalBlocker>

namespace kestrovalin {

namespace {

using repositories::MaintenanceCheckRepository;

MaintenanceCheckRepository repository() {
    return MaintenanceCheckRepository(DatabaseManager::instance().getAdapter());
}

int monthValue(const QDate& day) {
    return day.year() * 100 + day.month();
}

const QString kHint = QStringLiteral("提示");

} // namespace

MaintenanceWindow::MaintenanceWindow(QWidget* parent) : QMainWindow(parent), ui(new Ui_MaintenanceWindow) {
    // The sheet goes on before the form is built, so that no widget keeps the look of a parent's sheet.
    setStyleSheet(maintenanceWindowStyleSheet());
    ui->setupUi(this);
    setWindowTitle(QStringLiteral("养护检查管理"));
    packFiltersLeft(ui->gridLayout);
    placeOnParent(this, parent);
    initTable();
    m_list->setReload([this] { loadData(); });
    fillMonths();

    connect(ui->btnSearch, &QPushButton::clicked, this, &MaintenanceWindow::onSearch);
    connect(ui->comboMonth, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            &MaintenanceWindow::onSearch);
    connect(ui->btnAdd, &QPushButton::clicked, this, &MaintenanceWindow::onAdd);
    connect(ui->btnView, &QPushButton::clicked, this, &MaintenanceWindow::onView);
    connect(ui->btnDelete, &QPushButton::clicked, this, &MaintenanceWindow::onDelete);
    loadData();
    connect(ui->tableWidget, &QTableView::doubleClicked, this,
            [this](const QModelIndex& index) { onTableDoubleClicked(index.row(), index.column()); });
}

MaintenanceWindow::~MaintenanceWindow() {
    delete ui;
}

void MaintenanceWindow::initTable() {
    m_list = new ListFrame(this, ui->tableWidget,
                           {QStringLiteral("检查月份"), QStringLiteral("检查日期"), QStringLiteral("检查人"),
                            QStringLiteral("湿度"), QStringLiteral("温度"), QStringLiteral("储存条件"),
                            QStringLiteral("设施设备"), QStringLiteral("备注")},
                           {100, 100, 80, 60, 60, 80, 80}, ListFrame::Hint::Warning);
    m_list->setCountLabel(ui->labelTotal);
    for (int column = 3; column <= 6; ++column)
        m_list->model()->setColumnAlignment(column, Qt::AlignCenter);
    m_list->model()->setColumnAlignment(7, Qt::AlignLeft | Qt::AlignVCenter);
}

// All months, then this month and the eleven before it, newest first. Built once: it does not move on while
// the window stays open.
void MaintenanceWindow::fillMonths() {
    const QSignalBlocker blocker(ui->comboMonth);
    ui->comboMonth->addItem(QStringLiteral("全部月份"), 0);
    const QDate today = Clock::today();
    for (int i = 0; i < 12; ++i) {
        const int month = monthValue(today.addMonths(-i));
        ui->comboMonth->addItem(maintenanceMonthText(month), month);
    }
}

void MaintenanceWindow::loadData() {
    if (!DatabaseManager::instance().getAdapter())
        return;
    const int month = ui->comboMonth->currentData().toInt();
    m_list->show([month] { return month < 1 ? repository().findAll() : repository().findByMonth(month); },
                 [](const models::MaintenanceCheck& check) { return maintenanceRow(check, 0); });
}

void MaintenanceWindow::refresh() {
    loadData();
}

void MaintenanceWindow::onSearch() {
    loadData();
}

void MaintenanceWindow::onAdd() {
    const int month = monthValue(Clock::today());
    if (repository().hasCheckForMonth(month) &&
        !Prompts::question(this, kHint, QStringLiteral("本月已完成养护检查，确定要再次添加记录吗？")))
        return;
    MaintenanceDialog dialog(this);
    // A check the database file stopped brings the dialog back as filled in.
    execUntilSettled(dialog, [&] {
        models::MaintenanceCheck check = dialog.getCheck();
        MaintenanceCheckRepository repo = repository();
        if (!repo.insert(check))
            return failedSaveSettles(this, QStringLiteral("添加失败"), repo);
        Prompts::information(this, QStringLiteral("成功"), QStringLiteral("养护检查记录添加成功"));
        refresh();
        return true;
    });
}

int MaintenanceWindow::currentCheckId() {
    const int id = m_list->requireCurrent(QStringLiteral("请选择一条记录"));
    if (m_list->currentRow() < 0)
        return -1;
    if (id < 1) {
        Prompts::warning(this, kHint, QStringLiteral("无法获取记录信息"));
        return -1;
    }
    return id;
}

void MaintenanceWindow::onView() {
    const int id = currentCheckId();
    if (id < 0)
        return;
    const ReadWatch read;
    const models::MaintenanceCheck check = repository().findById(id);
    if (couldNotRead(this, QStringLiteral("未能读取养护检查记录"), read) || check.id <= 0)
        return;
    MaintenanceDetailDialog dialog(this);
    dialog.setCheck(check);
    dialog.exec();
}

void MaintenanceWindow::onDelete() {
    const int id = currentCheckId();
    if (id < 0 || !Prompts::question(this, QStringLiteral("删除确认"),
                                     QStringLiteral("确定要删除这条养护检查记录吗？")))
        return;
    MaintenanceCheckRepository repo = repository();
    if (!repo.remove(id)) {
        m_list->reload();
        Prompts::critical(this, QStringLiteral("错误"),
                          Prompts::withReason(QStringLiteral("删除失败"), repo.refusal()));
        return;
    }
    Prompts::information(this, QStringLiteral("成功"), QStringLiteral("删除成功"));
    refresh();
}

void MaintenanceWindow::onTableDoubleClicked(int row, int) {
    if (row < 0)
        return;
    ui->tableWidget->selectRow(row);
    onView();
}

} // namespace kestrovalin
