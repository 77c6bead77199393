#include "ui/common/readtrouble.h"

#include "core/transaction.h"
#include "ui/common/prompts.h"
#include "ui/common/rowtablemodel.h"
#include "ui/common/styles.h"

#include <QLabel>

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

void showListLine(QLabel* label, const RowTableModel& model, const QString& text,
                  const QString& normalSheet) {
    const QString trouble = listTroubleText(model);
    label->setStyleSheet(trouble.isEmpty() ? normalSheet : readTroubleStyleSheet());
    label->setText(trouble.isEmpty() ? text : trouble);
}

bool refusedUnreadRow(QWidget* parent, const RowTableModel* model, int row) {
    if (!model || !model->unread(row))
        return false;
    const std::optional<ReadFailure>& failure = model->readFailure();
    Prompts::warning(parent, QStringLiteral("错误"),
                     Prompts::withReason(QStringLiteral("未能读取所选记录"),
                                         failure ? readFailureText(*failure) : QString()));
    return true;
}

} // namespace kestrovalin
