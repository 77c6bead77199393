#include "ui/login/logindialog.h"

#include "core/currentuser.h"
#include "core/passwordhash.h"
#include "repositories/userrepository.h"
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
    if (!validateUser(username, password, m_loggedInUser)) {
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

bool LoginDialog::validateUser(const QString& username, const QString& password, LoginUser& out) {
    const std::optional<LoginUser> user = UserRepository().findSignIn(username, hashPassword(password));
    if (!user)
        return false;
    out = *user;
    return true;
}

} // namespace kestrovalin
