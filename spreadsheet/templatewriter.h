#pragma once

#include <QList>
#include <QString>

namespace kestrovalin {

// One column of an import template: its title in row 1, its width and a sample value in row 2.
struct TemplateColumn {
    QString title;
    double width = 10;
    QString sample;
    // Code columns (barcodes, licence numbers) are formatted as text, so long numbers typed later stay
    // digits instead of turning into 6.90123E+12.
    bool text = false;
};

// Writes a one-sheet .xlsx template: bold grey titles on a pale green fill, light grey samples, thin
// borders, every value a string.
class TemplateWriter {
public:
    // False with the user's words in *reason ("创建工作表失败", "无法写入文件（磁盘空间不足）").
    static bool write(const QString& path, const QList<TemplateColumn>& columns, QString* reason);
};

} // namespace kestrovalin
