#pragma once

#include "core/currentuser.h"
#include "tests/support/testdatabase.h"
#include "ui/common/prompts.h"

#include <QFile>
#include <QSqlQuery>
#include <QStringList>

namespace kestrovalin::test {

// Boxes and file dialogs answered from the queue; the administrator (id 1, 系统管理员) signed in, whose name
// the exports' log rows carry.
inline void startReportTests() {
    Prompts::setTestMode(true);
    models::User user;
    user.id = 1;
    user.realName = QStringLiteral("系统管理员");
    CurrentUser::instance().setUser(user);
}

// What an export left behind: a file's bytes, or "(no file)".
inline QByteArray fileBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(no file)");
}

// The lines of a written file, without the byte-order mark.
inline QStringList fileLines(const QString& path) {
    QByteArray bytes = fileBytes(path);
    if (bytes.startsWith("\xEF\xBB\xBF"))
        bytes.remove(0, 3);
    return QString::fromUtf8(bytes).split(QLatin1Char('\n'));
}

// The operation log, oldest first: "user/module/action/detail" joined by "|".
inline QString operationLogRows(TestDatabase& t) {
    QSqlQuery q = t.db()->query(
        QStringLiteral("SELECT user_name, module, action, detail FROM sys_operation_log ORDER BY id"));
    QStringList out;
    while (q.next())
        out << QStringList{q.value(0).toString(), q.value(1).toString(), q.value(2).toString(),
                           q.value(3).toString()}
                   .join(QLatin1Char('/'));
    return out.join(QLatin1Char('|'));
}

} // namespace kestrovalin::test
