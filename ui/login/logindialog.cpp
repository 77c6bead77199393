#include "ui/login/logindialog.h"

#include "core/currentuser.h"
#include "core/databasemanager.h"
#include "core/passwordhash.h"
#include "core/transaction.h"
#include "ui/common/prompts.h"
#include "ui_logindialog.h"

namespace kestrovalin {

LoginDialog::LoginDialog(QWidget* parent) : QDialog(parent), ui(new Ui_LoginDialog) {
    ui->setupUi(this);
    setFixedSize(480, 420);

    // Return is wired to the sign-in explicitly below. Auto-default buttons would turn the same key press
    // into a second click and a second attempt.
    ui->btnLogin->setAutoDefault(false);
    ui->btnCancel->setAutoDefault(false);

    connect(ui->btnLogin, &QPushButton::clicked, this, &LoginDialog::onLoginClicked);
    connect(ui->btnCancel, &QPushButton::clicked, this, &LoginDialog::onCancelClicked);
    connect(ui->editPassword, &QLineEdit::returnPressed, this, &LoginDialog::onLoginClicked);
    connect(ui->editUsername, &QLineEdit::returnPressed, this, &LoginDialog::onLoginClicked);
}

LoginDialog::~LoginDialog() {
    delete ui;
}

void LoginDialog::onLoginClicked() {
    const QString username = ui->editUsername->text().trimmed();
    const QString password = ui->editPassword->text();
    if (username.isEmpty()) {
        Prompts::warning(this, QStringLiteral("提示"), QStringLiteral("请输入用户名"));
        ui->editUsername->setFocus();
        return;
    }
    if (password.isEmpty()) {
        Prompts::warning(this, QStringLiteral("提示"), QStringLiteral("请输入密码"));
        ui->editPassword->setFocus();
        return;
    }
    const UserRepository::SignIn::Outcome outcome = validateUser(username, password, m_loggedInUser);
    if (outcome == UserRepository::SignIn::Outcome::Unreadable) {
        // Nothing is known about the name or the password: the password stays, to try again as it is.
        Prompts::warning(this, QStringLiteral("无法登录"),
                         Prompts::withReason(QStringLiteral("未能读取账户信息，无法登录"), unreadableReason(),
                                             QStringLiteral("，请检查数据库文件后重新启动程序")));
        ui->editPassword->setFocus();
        return;
    }
    if (outcome == UserRepository::SignIn::Outcome::NoMatch) {
        Prompts::warning(this, QStringLiteral("错误"), QStringLiteral("用户名或密码不正确"));
        ui->editPassword->clear();
        ui->editPassword->setFocus();
        return;
    }

    models::User user;
    user.id = m_loggedInUser.id;
    user.username = m_loggedInUser.username;
    user.realName = m_loggedInUser.realName;
    user.role = m_loggedInUser.role;
    user.status = 1;
    CurrentUser::instance().setUser(user);

    Prompts::information(this, QStringLiteral("成功"),
                         QStringLiteral("欢迎 %1!").arg(m_loggedInUser.realName));
    accept();
}

void LoginDialog::onCancelClicked() {
    reject();
}

UserRepository::SignIn::Outcome LoginDialog::validateUser(const QString& username, const QString& password,
                                                          LoginUser& out) {
    const UserRepository::SignIn found = UserRepository().findSignIn(username, hashPassword(password));
    if (found.outcome == UserRepository::SignIn::Outcome::Found)
        out = found.user;
    return found.outcome;
}

// Read right after the lookup, before another statement forgets the condition. A replaced file is told as
// the main window tells it, with the copy that keeps what was saved: before the main window exists, or
// after 退出登录, the sign-in is where the user looks.
QString LoginDialog::unreadableReason() {
    const IDbAdapter* db = DatabaseManager::instance().getAdapter();
    if (db && db->isReplaced())
        return replacedFileNotice(db);
    return databaseFailureReason(db);
}

} // namespace kestrovalin
