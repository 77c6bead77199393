#include "core/databasemanager.h"

#include "core/embeddedschema.h"
#include "core/filekeeper.h"
#include "core/passwordhash.h"
#include "core/schemamigrator.h"
#include "core/sqliteadapter.h"
#include "core/transaction.h"

#include <QCoreApplication>
#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTextStream>

namespace kestrovalin {

namespace {

// Scripts in docs/ are UTF-8 whatever the locale.
bool readScript(const QString& path, QString* text) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return false;
    QTextStream in(&file);
    in.setCodec("UTF-8");
    *text = in.readAll();
    file.close();
    return true;
}

bool countIsPositive(QSqlQuery q) {
    return q.isActive() && q.next() && q.value(0).toInt() > 0;
}

} // namespace

DatabaseManager& DatabaseManager::instance() {
    static DatabaseManager manager;
    return manager;
}

DatabaseManager::~DatabaseManager() {
    shutdown();
}

bool DatabaseManager::initialize(const QString& path) {
    if (m_adapter) {
        qWarning() << "Database already initialized";
        return true;
    }
    // A file that opens but cannot be written would take every sale and order only to lose it: refused like
    // one that does not open, asked before the open and again through the connection. The user reads the
    // reason in Chinese; the driver's words go to the log.
    // A refused file is left as it was found: closing would otherwise write a log lying beside it (of a
    // copy that was killed) into it, and delete that log.
    const auto refuse = [this, &path](const QString& driverText, DbCondition condition,
                                      DbCondition otherwise = DbCondition::FileError) {
        m_openError = databaseConditionText(condition == DbCondition::None ? otherwise : condition);
        if (m_openError.isEmpty())
            m_openError = QStringLiteral("数据库文件的结构与本程序不符");
        if (condition == DbCondition::Damaged && QFileInfo(path + QStringLiteral("-wal")).size() > 0)
            m_openError +=
                QStringLiteral(
                    "\n\n文件旁的 %1-wal 可能来自一个被强行结束的本程序（例如恢复备份或替换文件时仍在运行）。"
                    "若刚恢复过备份或替换过文件：关闭这台电脑上运行的每一个本程序，删除 data 文件夹中的 "
                    "%1-wal 和 %1-shm 文件，再启动程序。")
                    .arg(QFileInfo(path).fileName());
        qCritical().noquote() << "Cannot open or write the database file:" << driverText;
        if (m_adapter)
            m_adapter->leaveFileAsFound();
        delete m_adapter;
        m_adapter = nullptr;
        m_keeper.reset();
        return false;
    };
    m_openError.clear();
    if (const QString reason = cannotWriteReason(path); !reason.isEmpty())
        return refuse(reason, DbCondition::ReadOnly);
    m_adapter = new SQLiteAdapter();
    if (!m_adapter->connect(path))
        return refuse(m_adapter->lastError().text(), m_adapter->lastFailureCondition());
    m_keeper = std::make_unique<FileKeeper>(*m_adapter);
    m_keeper->setNotice(m_notice);
    DbCondition condition = DbCondition::None;
    if (const QString reason = cannotWriteReason(m_adapter->getQtDatabase(), &condition); !reason.isEmpty())
        return refuse(reason, condition);
    const QString schemaPath = QDir(QCoreApplication::applicationDirPath())
                                   .absoluteFilePath(QStringLiteral("../docs/database_schema.sql"));
    // A file the schema cannot be written into is as unusable as one that does not open.
    if (QString error; !initializeSchema(schemaPath, &error))
        return refuse(error, m_adapter->lastFailureCondition(), DbCondition::None);
    if (!migrateSchema())
        qCritical() << "Failed to migrate database schema";
    createDefaultAdminUser();
    createDefaultCustomer();
    return true;
}

bool DatabaseManager::initializeSchema(const QString& path, QString* error) {
    if (!m_adapter) {
        qCritical() << "Database not initialized. Cannot initialize schema.";
        return false;
    }
    if (countIsPositive(
            m_adapter->query(QStringLiteral("SELECT COUNT(*) FROM sqlite_master WHERE type='table'")))) {
        qDebug() << "Database schema already exists, skipping initialization.";
        return true;
    }
    QString script;
    if (QFile::exists(path) && readScript(path, &script)) {
        qDebug().noquote() << "Loading schema from file:" << path;
    } else {
        script = QString::fromUtf8(EMBEDDED_SCHEMA_SQL);
        qDebug() << "Schema file not found, using embedded schema.";
    }
    // All of the schema or none: a half-made schema would count as existing at the next start and never be
    // completed. SQLite rolls DDL back like any other write.
    Transaction tx(m_adapter);
    if (!tx.isActive()) {
        if (error)
            *error = m_adapter->lastError().text();
        return false;
    }
    for (const QString& statement : splitSqlScript(script)) {
        const QSqlQuery q = m_adapter->query(statement);
        if (!q.isActive()) {
            qCritical().noquote() << "Schema exec failed:" << statement.left(80) + "...";
            if (error)
                *error = q.lastError().text();
            return false;
        }
    }
    if (!tx.commit()) {
        if (error)
            *error = m_adapter->lastError().text();
        return false;
    }
    return true;
}

bool DatabaseManager::migrateSchema() {
    if (!m_adapter) {
        qCritical() << "Database not initialized. Cannot migrate schema.";
        return false;
    }
    return SchemaMigrator(m_adapter).run();
}

bool DatabaseManager::importTestData(const QString& path) {
    if (!m_adapter)
        return false;
    if (!QFile::exists(path)) {
        qWarning().noquote() << "Test data file not found:" << path;
        return false;
    }
    QString script;
    if (!readScript(path, &script)) {
        qCritical().noquote() << "Failed to open test data file:" << path;
        return false;
    }
    // One commit for the whole script instead of one per row. A failing statement is skipped as before
    // (SQLite undoes just that statement); the rows of the others stay.
    Transaction tx(m_adapter);
    if (!tx.isActive())
        return false;
    int succeeded = 0;
    for (const QString& statement : splitSqlScript(script)) {
        if (m_adapter->execute(statement))
            ++succeeded;
    }
    if (!tx.commit())
        return false;
    qDebug() << "Test data imported. Total statements:" << succeeded;
    return true;
}

bool DatabaseManager::removeForeignKeys() {
    if (!m_adapter) {
        qCritical() << "Database not initialized. Cannot remove foreign keys.";
        return false;
    }
    qDebug() << "Removing foreign keys from database - skipped (no FK to remove).";
    return true;
}

IDbAdapter* DatabaseManager::getAdapter() const {
    return m_adapter;
}

FileMark DatabaseManager::fileMark() const {
    return m_adapter ? kestrovalin::fileMark(m_adapter->getQtDatabase()) : FileMark();
}

void DatabaseManager::lookForReplacement() const {
    if (m_keeper)
        m_keeper->look();
}

void DatabaseManager::setReplacementNotice(std::function<void()> notice) {
    m_notice = std::move(notice);
    if (m_keeper)
        m_keeper->setNotice(m_notice);
}

void DatabaseManager::shutdown() {
    if (!m_adapter)
        return;
    // SQLite's own upkeep at close: gathers statistics for tables this session's queries needed them for
    // (a file that started empty and grew has none), so the planner keeps choosing the right index. A file
    // replaced meanwhile takes no writes.
    lookForReplacement();
    if (m_adapter->isConnected() && !m_adapter->isReplaced())
        m_adapter->execute(QStringLiteral("PRAGMA optimize"));
    m_adapter->disconnect();
    delete m_adapter;
    m_adapter = nullptr;
    m_keeper.reset();
}

void DatabaseManager::createDefaultAdminUser() {
    if (!m_adapter) {
        qCritical() << "Database not initialized. Cannot create default admin user.";
        return;
    }
    if (countIsPositive(
            m_adapter->query(QStringLiteral("SELECT COUNT(*) FROM sys_user WHERE username = 'admin'")))) {
        QSqlQuery role =
            m_adapter->query(QStringLiteral("SELECT role FROM sys_user WHERE username = 'admin'"));
        if (role.isActive() && role.next() && role.value(0).toString() != QLatin1String("manager")) {
            qDebug().noquote() << "Updating admin user role from" << role.value(0).toString()
                               << "to manager...";
            m_adapter->execute(
                QStringLiteral("UPDATE sys_user SET role = 'manager', updated_at = CURRENT_TIMESTAMP "
                               "WHERE username = 'admin'"));
        } else {
            qDebug() << "Admin user already exists with correct role, skipping.";
        }
        return;
    }
    const bool ok = m_adapter->execute(
        QStringLiteral("INSERT INTO sys_user (username, password_hash, real_name, role, status, created_at, "
                       "updated_at) VALUES (?, ?, ?, ?, 1, CURRENT_TIMESTAMP, CURRENT_TIMESTAMP)"),
        {QStringLiteral("admin"), hashPassword(QStringLiteral("quoll")), QStringLiteral("系统管理员"),
         QStringLiteral("manager")});
    if (ok)
        qDebug() << "Created default admin user.";
    else
        qCritical() << "Failed to create default admin user.";
}

void DatabaseManager::createDefaultCustomer() {
    if (!m_adapter) {
        qCritical() << "Database not initialized. Cannot create default customer.";
        return;
    }
    if (countIsPositive(
            m_adapter->query(QStringLiteral("SELECT COUNT(*) FROM customer WHERE is_default = 1")))) {
        qDebug() << "Default customer already exists, skipping creation.";
        return;
    }
    const bool ok = m_adapter->execute(
        QStringLiteral("INSERT INTO customer (name, phone, address, id_card, remark, is_default, created_at, "
                       "updated_at) VALUES (?, ?, ?, ?, ?, ?, CURRENT_TIMESTAMP, CURRENT_TIMESTAMP)"),
        {QStringLiteral("零售客户"), QString(""), QString(""), QString(""),
         QStringLiteral("默认零售客户，用于未登记客户的销售"), 1});
    if (ok)
        qDebug() << "Created default customer.";
    else
        qCritical() << "Failed to create default customer.";
}

QStringList DatabaseManager::splitSqlScript(const QString& text) {
    QStringList statements;
    QString buffer;
    const int n = text.size();
    for (int i = 0; i < n; ++i) {
        const QChar c = text.at(i);
        if (c == QLatin1Char('-') && i + 1 < n && text.at(i + 1) == QLatin1Char('-')) {
            // Skip the comment and the line feed that ends it.
            while (i < n && text.at(i) != QLatin1Char('\n'))
                ++i;
            continue;
        }
        if (c == QLatin1Char(';')) {
            const QString statement = buffer.trimmed();
            if (!statement.isEmpty())
                statements.append(statement);
            buffer.clear();
            continue;
        }
        buffer.append(c);
    }
    return statements;
}

} // namespace kestrovalin
