#include "core/transaction.h"

#include <QDebug>
#include <QDir>

namespace kestrovalin {

namespace {

// Savepoint names only have to differ among the scopes open at one time; a process-wide counter does that.
QString nextSavepointName() {
    static quint64 counter = 0;
    return QStringLiteral("kv_sp_%1").arg(++counter);
}

} // namespace

Transaction::Transaction(IDbAdapter* db) : m_db(db) {
    if (!m_db)
        return;
    if (m_db->inTransaction()) {
        m_savepoint = nextSavepointName();
        m_active = m_db->execute(QStringLiteral("SAVEPOINT ") + m_savepoint);
    } else {
        m_active = m_db->transaction();
    }
    if (!m_active)
        qWarning().noquote() << "Cannot begin transaction:" << m_db->lastError().text();
}

Transaction::~Transaction() {
    rollback();
}

bool Transaction::commit() {
    if (!m_active)
        return false;
    const bool done = isNested() ? m_db->execute(QStringLiteral("RELEASE ") + m_savepoint) : m_db->commit();
    if (!done) {
        qWarning().noquote() << "Commit failed:" << m_db->lastError().text();
        rollback();
        return false;
    }
    m_active = false;
    return true;
}

void Transaction::rollback() {
    if (!m_active)
        return;
    m_active = false;
    if (!isNested()) {
        if (!m_db->rollback())
            qWarning().noquote() << "Rollback failed:" << m_db->lastError().text();
        return;
    }
    // ROLLBACK TO keeps the savepoint on the stack; RELEASE takes it off again.
    if (!m_db->execute(QStringLiteral("ROLLBACK TO ") + m_savepoint) ||
        !m_db->execute(QStringLiteral("RELEASE ") + m_savepoint))
        qWarning().noquote() << "Savepoint rollback failed:" << m_savepoint;
}

QString databaseConditionText(DbCondition condition) {
    switch (condition) {
    case DbCondition::Busy:
        return QStringLiteral("数据库正被其他程序占用，请稍后重试");
    case DbCondition::ReadOnly:
        return QStringLiteral("数据库文件只读，无法保存，请检查文件权限");
    case DbCondition::DiskFull:
        return QStringLiteral("磁盘空间不足，无法保存");
    case DbCondition::FileError:
        return QStringLiteral("数据库文件读写出错，请检查磁盘");
    case DbCondition::CannotOpen:
        return QStringLiteral("无法打开数据库文件，请检查该文件及其所在文件夹");
    case DbCondition::Damaged:
        return QStringLiteral("数据库文件已损坏或不是本程序的数据库，无法读写，请从备份恢复");
    case DbCondition::Replaced:
        return QStringLiteral("数据库文件已被其他程序替换，本次修改未保存，请重新启动程序");
    case DbCondition::None:
        break;
    }
    return QString();
}

namespace {

// Said of the file now at the path wherever another program opened it before the program noticed the
// replacement: that program may have read the old file's log over it.
const char kAtPathMayBeDamaged[] = "，该文件可能因此损坏";

// What became of the saves of a replaced file, on lines of their own; empty while nothing is known.
QString replacedFileCopyText(const IDbAdapter* db) {
    const ReplacedFileCopy copy = db ? db->replacedFileCopy() : ReplacedFileCopy();
    QString text;
    switch (copy.fate()) {
    case ReplacedFileCopy::Fate::WrittenBack:
        text =
            QStringLiteral("\n数据库文件旁的日志文件（-wal）被删除；本程序已将之前保存的数据写入数据库文件，"
                           "没有丢失。");
        break;
    case ReplacedFileCopy::Fate::KeptMayLack:
        text = QStringLiteral("\n替换前本程序最后保存的数据可能已被其他程序写入现在的数据库文件") +
               QString::fromUtf8(kAtPathMayBeDamaged) +
               QStringLiteral("；替换前的文件已另存为：%1（可能缺少这些数据）")
                   .arg(QDir::toNativeSeparators(copy.path));
        break;
    case ReplacedFileCopy::Fate::Kept:
        text =
            QStringLiteral("\n替换前本程序保存的数据已另存为：%1").arg(QDir::toNativeSeparators(copy.path));
        if (copy.savesMayBeAtPath)
            text += QStringLiteral("；其他程序在替换后先打开了现在的数据库文件，这些数据可能也已被写入其中") +
                    QString::fromUtf8(kAtPathMayBeDamaged);
        break;
    case ReplacedFileCopy::Fate::NotKept:
        text = QStringLiteral("\n") + unkeptDataText(copy);
        // A file that failed its check fails it again.
        if (copy.failure != DbCondition::Damaged)
            text += QStringLiteral("本程序会自动重试。");
        break;
    case ReplacedFileCopy::Fate::Unknown:
        break;
    }
    return text;
}

} // namespace

QString replacedReadText() {
    return QStringLiteral("数据库文件已被其他程序替换，未能读取记录，请重新启动程序");
}

QString databaseFailureReason(const IDbAdapter* db) {
    const DbCondition condition = db ? db->lastFailureCondition() : DbCondition::None;
    if (condition == DbCondition::Replaced && db->lastFailureWasRead())
        return replacedReadText() + replacedFileCopyText(db);
    return condition == DbCondition::Replaced ? replacedFileReason(db) : databaseConditionText(condition);
}

QString replacedFileReason(const IDbAdapter* db) {
    return databaseConditionText(DbCondition::Replaced) + replacedFileCopyText(db);
}

QString replacedFileNotice(const IDbAdapter* db) {
    return QStringLiteral("数据库文件已被其他程序替换，本程序不再读写它，请关闭本程序后重新启动") +
           replacedFileCopyText(db);
}

QString unkeptDataText(const ReplacedFileCopy& copy) {
    const QString folder = QDir::toNativeSeparators(copy.folder);
    // Not a fault of the disk: the bytes were read and written, and what they hold did not pass. Another
    // program that opened the new file first is the likely cause, through the log both files shared.
    if (copy.failure == DbCondition::Damaged)
        return QStringLiteral(
                   "替换前的数据库文件未通过检查，其中的数据无法确认完好（可能已损坏），未能另存到：%1。"
                   "其他程序可能在本程序发现替换之前打开了现在的数据库文件，该文件也可能已损坏。")
            .arg(folder);
    QString why = QStringLiteral("文件读写出错");
    if (copy.failure == DbCondition::DiskFull)
        why = QStringLiteral("磁盘空间不足");
    else if (copy.failure == DbCondition::ReadOnly)
        why = QStringLiteral("没有写入权限");
    if (copy.mayLackSaves)
        return QStringLiteral(
                   "替换前的数据库文件未能另存到：%1（%2）。替换前本程序最后保存的数据可能已被其他程序"
                   "写入现在的数据库文件")
                   .arg(folder, why) +
               QString::fromUtf8(kAtPathMayBeDamaged) + QStringLiteral("，其余的目前只在运行中的本程序里。");
    return QStringLiteral("替换前本程序保存的数据未能另存到：%1（%2），目前只在运行中的本程序里。")
        .arg(folder, why);
}

} // namespace kestrovalin
