#include "ui/common/readtrouble.h"

#include "core/transaction.h"
#include "ui/common/prompts.h"
#include "ui/common/rowtablemodel.h"

namespace kestrovalin {

QString readFailureText(const ReadFailure& failure) {
    switch (failure.condition) {
    case DbCondition::Replaced:
        return replacedReadText();
    case DbCondition::Damaged:
        return QStringLiteral("数据库文件已损坏，未能读取记录，请从备份恢复");
    case DbCondition::FileError:
        return QStringLiteral("数据库文件读写出错，未能读取记录，请检查磁盘");
    case DbCondition::Busy:
        return QStringLiteral("数据库正被其他程序占用，未能读取记录，请稍后重试");
    case DbCondition::CannotOpen:
        return QStringLiteral("无法打开数据库文件，未能读取记录，请检查该文件及其所在文件夹");
    case DbCondition::ReadOnly:
    case DbCondition::DiskFull:
    case DbCondition::None:
        break;
    }
    return QStringLiteral("未能读取记录");
}

QString listTroubleText(const RowTableModel& model) {
    const std::optional<ReadFailure>& failure = model.readFailure();
    if (!failure)
        return QString();
    if (model.countKnown())
        return readFailureText(*failure);
    return QStringLiteral("记录总数未知：") + readFailureText(*failure);
}

QString countingText() {
    return QStringLiteral("正在计数…");
}

bool couldNotRead(QWidget* parent, const QString& headline, const ReadWatch& read) {
    if (!read.failure())
        return false;
    Prompts::warning(parent, QStringLiteral("错误"),
                     Prompts::withReason(headline, readFailureText(*read.failure())));
    return true;
}

} // namespace kestrovalin
