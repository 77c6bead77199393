#include "ui/masterdata/customermanagerwindow.h"
#include "ui_customermanagerwindow.h"

#include "core/databasemanager.h"
#include "repositories/customerrepository.h"
#include "ui/common/formdialog.h"
#include "ui/common/listframe.h"
#include "ui/common/placement.h"
#include "ui/common/prompts.h"
#include "ui/common/readtrouble.h"
#include "ui/common/styles.h"
#include "ui/masterdata/customerdialog.h"
#include "ui/masterdata/customertable.h"

namespace kestrovalin {

namespace {

using repositories::CustomerRepository;

CustomerRepository repository() {
    return CustomerRepository(DatabaseManager::instance().getAdapter());
}

const QString kTitle = QStringLiteral("提示");
const QString kUnreadable = QStringLiteral("未能读取客户");

} // namespace

CustomerManagerWindow::CustomerManagerWindow(QWidget* parent)
    : QMainWindow(parent), ui(new ::Ui::CustomerManagerWindow) {
    ui->setupUi(this);
    // The sheet goes on before the table is set up: under a parent that has a sheet of its own, a header
    // built first keeps the parent's look.
    setStyleSheet(listWindowStyleSheet(
        {QStringLiteral("btnAdd")},
        {QStringLiteral("btnEdit"), QStringLiteral("btnView"), QStringLiteral("btnDelete")}));
    initUI();
    showAll();
    placeOnParent(this, parent);
}

CustomerManagerWindow::~CustomerManagerWindow() {
    delete ui;
}

void CustomerManagerWindow::initUI() {
    // Every action takes the current row, so the table keeps its extended selection.
    m_list = new ListFrame(this, ui->tableWidget,
                           {QStringLiteral("ID"), QStringLiteral("客户名称"), QStringLiteral("联系电话"),
                            QStringLiteral("地址"), QStringLiteral("身份证号"), QStringLiteral("备注"),
                            QStringLiteral("是否默认")},
                           {60, 120, 100, 200, 150, 100}, ListFrame::Hint::Warning, false);
    m_list->setCountLabel(ui->labelCount);
}

void CustomerManagerWindow::updateTable(const std::function<QList<models::Customer>()>& read) {
    m_list->show(read, [](const models::Customer& c) {
        return customerRow(c, {QString::number(c.id), c.name, c.phone, c.address, c.idCard, c.remark,
                               c.isDefault ? QStringLiteral("是") : QStringLiteral("否")});
    });
}

void CustomerManagerWindow::showAll() {
    m_list->setReload([this] { showAll(); });
    updateTable([] { return repository().findAll(); });
}

bool CustomerManagerWindow::loadCurrent(const QString& noRowText, models::Customer& customer) {
    const int id = m_list->requireCurrent(noRowText);
    if (id < 0)
        return false;
    const ReadWatch read;
    customer = repository().findById(id);
    if (couldNotRead(this, kUnreadable, read))
        return false;
    if (customer.id == 0) {
        Prompts::warning(this, kTitle, QStringLiteral("客户不存在"));
        return false;
    }
    return true;
}

bool CustomerManagerWindow::report(bool ok, const QString& success, const QString& failure,
                                   const repositories::Refusable& why) {
    if (ok) {
        Prompts::information(this, kTitle, success);
        showAll();
    } else if (why.refusal().isEmpty() || why.failedForDatabase()) {
        Prompts::warning(this, kTitle, Prompts::withReason(failure, why.refusal()));
        return false;
    } else {
        // The row behind the refusal shows what is stored.
        m_list->reload();
        Prompts::warning(this, QStringLiteral("错误"), Prompts::withReason(failure, why.refusal()));
    }
    return true;
}

void CustomerManagerWindow::on_btnAdd_clicked() {
    CustomerDialog dialog(this);
    execUntilSettled(dialog, [&] {
        models::Customer customer = dialog.getCustomer();
        CustomerRepository repo = repository();
        return report(repo.insert(customer), QStringLiteral("客户添加成功"), QStringLiteral("客户添加失败"),
                      repo);
    });
}

void CustomerManagerWindow::on_btnEdit_clicked() {
    models::Customer loaded;
    if (!loadCurrent(QStringLiteral("请选择要编辑的客户"), loaded))
        return;
    CustomerDialog dialog(this);
    dialog.setCustomer(loaded);
    execUntilSettled(dialog, [&] {
        models::Customer customer = dialog.getCustomer();
        // Refused when another program changed the row since it was read here.
        customer.rowToken = loaded.rowToken;
        CustomerRepository repo = repository();
        return report(repo.update(customer), QStringLiteral("客户修改成功"), QStringLiteral("客户修改失败"),
                      repo);
    });
}

void CustomerManagerWindow::on_btnView_clicked() {
    models::Customer customer;
    if (!loadCurrent(QStringLiteral("请选择要查看的客户"), customer))
        return;
    CustomerDialog dialog(this);
    dialog.setCustomer(customer);
    dialog.setReadOnly(true);
    dialog.exec();
}

void CustomerManagerWindow::on_btnDelete_clicked() {
    const int id = m_list->requireCurrent(QStringLiteral("请选择要删除的客户"));
    if (id < 0)
        return;
    // The stored flag, not the list's: another copy may have moved the default since the list was read.
    const ReadWatch read;
    const bool isDefault = repository().findById(id).isDefault;
    if (couldNotRead(this, kUnreadable, read))
        return;
    if (isDefault) {
        m_list->reload();
        Prompts::warning(this, kTitle, CustomerRepository::kDefaultKept);
        return;
    }
    if (!m_list->confirmDelete(QStringLiteral("确认"), QStringLiteral("客户"), m_list->currentText(1)))
        return;
    // The repository checks the flag again as it deletes.
    CustomerRepository repo = repository();
    const bool removed = repo.remove(id);
    report(removed, QStringLiteral("客户删除成功"), QStringLiteral("客户删除失败"), repo);
}

void CustomerManagerWindow::on_editSearch_textChanged(const QString& text) {
    // Searched exactly as typed: a lone blank looks for a blank.
    if (text.isEmpty()) {
        showAll();
        return;
    }
    m_list->setReload([this, text] { on_editSearch_textChanged(text); });
    updateTable([text] { return repository().search(text); });
}

void CustomerManagerWindow::on_tableWidget_doubleClicked(const QModelIndex&) {
    on_btnView_clicked();
}

} // namespace kestrovalin
