#include "ui/admin/usermanagerwindow.h"

#include "core/passwordhash.h"
#include "repositories/operloghelper.h"
#include "repositories/userrepository.h"
#include "ui/admin/userdialog.h"
#include "ui/common/formdialog.h"
#include "ui/common/listframe.h"
#include "ui/common/placement.h"
#include "ui/common/prompts.h"
#include "ui/common/styles.h"
#include "ui/common/tablefill.h"
#include "ui_usermanagerwindow.h"

#include <QHeaderView>

namespace kestrovalin {

namespace {

QString roleLabel(const QString& role) {
    return role == QLatin1String("manager") ? QStringLiteral("老板") : QStringLiteral("店员");
}

QString statusLabel(int status) {
    return status == 1 ? QStringLiteral("启用") : QStringLiteral("禁用");
}

QString nameDetail(const QString& username) {
    return QStringLiteral("用户名: %1").arg(username);
}

// Tells the user when the repository kept the last enabled 老板 account; true when it did.
bool refusedAsLastManager(QWidget* parent, UserRepository::WriteResult result) {
    if (result != UserRepository::WriteResult::LastManager)
        return false;
    Prompts::warning(parent, QStringLiteral("提示"), QStringLiteral("至少需要保留一个启用的老板账户！"));
    return true;
}

} // namespace

UserManagerWindow::UserManagerWindow(QWidget* parent) : QMainWindow(parent), ui(new Ui_UserManagerWindow) {
    ui->setupUi(this);
    setWindowTitle(QStringLiteral("用户管理"));
    setStyleSheet(userAdminStyleSheet());
    placeOnParent(this, parent);

    m_list = new ListFrame(this, ui->tableUsers,
                           {QStringLiteral("ID"), QStringLiteral("用户名"), QStringLiteral("真实姓名"),
                            QStringLiteral("角色"), QStringLiteral("状态")},
                           {60, 120, 120, 80, 80}, ListFrame::Hint::Warning);
    // Row i shows m_users[i] only while the table never sorts.
    ui->tableUsers->setSortingEnabled(false);
    ui->tableUsers->verticalHeader()->setVisible(false);

    connect(ui->btnSearch, &QPushButton::clicked, this, &UserManagerWindow::onSearchClicked);
    connect(ui->editSearch, &QLineEdit::returnPressed, this, &UserManagerWindow::onSearchClicked);
    connect(ui->btnAdd, &QPushButton::clicked, this, &UserManagerWindow::onAddClicked);
    connect(ui->btnEdit, &QPushButton::clicked, this, &UserManagerWindow::onEditClicked);
    connect(ui->btnView, &QPushButton::clicked, this, &UserManagerWindow::onViewClicked);
    connect(ui->btnToggleStatus, &QPushButton::clicked, this, &UserManagerWindow::onToggleStatusClicked);
    connect(ui->btnResetPassword, &QPushButton::clicked, this, &UserManagerWindow::onResetPasswordClicked);

    loadUsers(QString());
}

UserManagerWindow::~UserManagerWindow() {
    delete ui;
}

void UserManagerWindow::loadUsers(const QString& keyword) {
    m_list->setReload([this, keyword] { loadUsers(keyword); });
    UserRepository repo;
    const ReadWatch read;
    QList<models::User> users = keyword.isEmpty() ? repo.findAll() : repo.search(keyword);
    if (m_list->readFailed(read))
        return;
    m_users = std::move(users);
    refreshTable();
}

void UserManagerWindow::refreshTable() {
    QTableWidget* table = ui->tableUsers;
    {
        TableFill fill(table, m_users.size());
        for (int row = 0; row < m_users.size(); ++row) {
            const models::User& u = m_users.at(row);
            fill.set(row, 0, QString::number(u.id))->setData(Qt::UserRole, u.id);
            fill.set(row, 1, u.username);
            fill.set(row, 2, u.realName);
            fill.set(row, 3, roleLabel(u.role))->setTextAlignment(Qt::AlignCenter);
            QTableWidgetItem* status = fill.set(row, 4, statusLabel(u.status));
            status->setTextAlignment(Qt::AlignCenter);
            status->setForeground(
                QColor(QLatin1String(u.status == 1 ? colours::enabledStatus : colours::disabledStatus)));
        }
    }
    m_list->updateCount();
    m_list->resetColumnWidths();
}

models::User UserManagerWindow::getSelectedUser() const {
    const int id = m_list->currentId();
    for (const models::User& user : m_users) {
        if (user.id == id)
            return user;
    }
    models::User none;
    none.id = 0;
    return none;
}

void UserManagerWindow::onSearchClicked() {
    loadUsers(ui->editSearch->text().trimmed());
}

void UserManagerWindow::onAddClicked() {
    UserDialog dialog(this);
    // A taken user name brings the dialog back as typed, to be changed.
    execUntilSettled(dialog, [&] {
        models::User user = dialog.getUser();
        UserRepository repo;
        if (!repo.insert(user)) {
            Prompts::warning(this, QStringLiteral("错误"),
                             Prompts::withReason(QStringLiteral("用户添加失败！"), repo.refusal(),
                                                 QStringLiteral("可能用户名已存在。")));
            return false;
        }
        OperLogHelper::logUser(QStringLiteral("新增用户"),
                               QStringLiteral("用户名: %1, 姓名: %2").arg(user.username, user.realName));
        Prompts::information(this, QStringLiteral("成功"), QStringLiteral("用户添加成功！"));
        loadUsers(QString());
        return true;
    });
}

void UserManagerWindow::onEditClicked() {
    const models::User selected = getSelectedUser();
    if (selected.id == 0) {
        Prompts::warning(this, QStringLiteral("提示"), QStringLiteral("请先选择要编辑的用户！"));
        return;
    }
    UserDialog dialog(this);
    dialog.setUser(selected);
    execUntilSettled(dialog, [&] { return saveEdit(dialog.getUser(), selected); });
}

bool UserManagerWindow::saveEdit(models::User record, const models::User& selected) {
    record.id = selected.id;
    const bool passwordChanged =
        !record.passwordHash.isEmpty() && record.passwordHash != selected.passwordHash;
    if (!passwordChanged)
        record.passwordHash = selected.passwordHash;

    // A failed edit (a taken user name) leaves the old password in place too.
    UserRepository repo;
    const UserRepository::WriteResult saved =
        repo.saveAccount(record, passwordChanged ? record.passwordHash : QString());
    // What editing can fix (a taken user name, the last enabled 老板) brings the dialog back as typed.
    if (refusedAsLastManager(this, saved))
        return false;
    if (saved != UserRepository::WriteResult::Saved) {
        // Changed elsewhere: this dialog's record can never be saved; the list reads the account again,
        // behind the box, so that opening it anew edits what is stored now.
        const bool changedElsewhere = saved == UserRepository::WriteResult::Changed;
        if (changedElsewhere)
            m_list->reload();
        Prompts::warning(this, QStringLiteral("错误"),
                         Prompts::withReason(QStringLiteral("用户更新失败！"), repo.refusal()));
        return changedElsewhere;
    }
    OperLogHelper::logUser(QStringLiteral("编辑用户"), nameDetail(selected.username));
    Prompts::information(this, QStringLiteral("成功"), QStringLiteral("用户更新成功！"));
    loadUsers(QString());
    return true;
}

void UserManagerWindow::onViewClicked() {
    const models::User selected = getSelectedUser();
    if (selected.id == 0) {
        Prompts::warning(this, QStringLiteral("提示"), QStringLiteral("请先选择要查看的用户！"));
        return;
    }
    UserDialog dialog(this);
    dialog.setUser(selected);
    dialog.setReadOnly(true);
    dialog.exec();
}

void UserManagerWindow::onToggleStatusClicked() {
    const models::User selected = getSelectedUser();
    if (selected.id == 0) {
        Prompts::warning(this, QStringLiteral("提示"), QStringLiteral("请先选择用户！"));
        return;
    }
    const int newStatus = selected.status != 1 ? 1 : 0;
    const QString label = statusLabel(newStatus);
    UserRepository repo;
    const UserRepository::WriteResult changed = repo.changeStatus(selected.id, newStatus);
    if (changed != UserRepository::WriteResult::Saved)
        m_list->reload(); // the row behind the refusal shows the stored status
    if (refusedAsLastManager(this, changed))
        return;
    if (changed != UserRepository::WriteResult::Saved) {
        Prompts::warning(this, QStringLiteral("错误"),
                         Prompts::withReason(QStringLiteral("操作失败！"), repo.refusal()));
        return;
    }
    OperLogHelper::logUser(label, nameDetail(selected.username));
    Prompts::information(this, QStringLiteral("成功"), QStringLiteral("用户已%1！").arg(label));
    loadUsers(QString());
}

void UserManagerWindow::onResetPasswordClicked() {
    const models::User selected = getSelectedUser();
    if (selected.id == 0) {
        Prompts::warning(this, QStringLiteral("提示"), QStringLiteral("请先选择用户！"));
        return;
    }
    bool ok = false;
    const QString password =
        Prompts::getText(this, QStringLiteral("重置密码"), QStringLiteral("请输入新密码："),
                         QLineEdit::Password, QString(), &ok);
    if (!ok || password.isEmpty())
        return;
    UserRepository repo;
    if (!repo.updatePassword(selected.id, hashPassword(password))) {
        Prompts::warning(this, QStringLiteral("错误"),
                         Prompts::withReason(QStringLiteral("密码重置失败！"), repo.refusal()));
        return;
    }
    OperLogHelper::logUser(QStringLiteral("重置密码"), nameDetail(selected.username));
    Prompts::information(this, QStringLiteral("成功"), QStringLiteral("密码重置成功！"));
}

} // namespace kestrovalin
