#pragma once

#include "spreadsheet/templatecolumn.h"

#include <QList>
#include <QString>

namespace kestrovalin {

// Writes a one-sheet .xlsx template: bold grey titles on a pale green fill, light grey samples, thin
// borders, every value a string.
class TemplateWriter {
public:
    // False with the user's words in *reason ("创建工作表失败", "无法写入文件（磁盘空间不足）").
    static bool write(const QString& path, const QList<TemplateColumn>& columns, QString* reason);
};

} // namespace kestrovalin
