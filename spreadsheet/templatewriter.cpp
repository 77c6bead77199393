#include "spreadsheet/templatewriter.h"

#include "core/csvwriter.h"

#include <QDebug>
#include <QFile>

#include <cerrno>

#include <xlsxwriter.h>

namespace kestrovalin {

namespace {

constexpr lxw_color_t kTitleColour = 0x333333;
constexpr lxw_color_t kTitleFill = 0xE8F0E8;
constexpr lxw_color_t kSampleColour = 0x999999;

lxw_format* titleFormat(lxw_workbook* workbook) {
    lxw_format* format = workbook_add_format(workbook);
    format_set_bold(format);
    format_set_font_size(format, 11);
    format_set_font_color(format, kTitleColour);
    format_set_pattern(format, LXW_PATTERN_SOLID);
    format_set_bg_color(format, kTitleFill);
    format_set_border(format, LXW_BORDER_THIN);
    return format;
}

lxw_format* sampleFormat(lxw_workbook* workbook, bool text) {
    lxw_format* format = workbook_add_format(workbook);
    format_set_font_size(format, 10);
    format_set_font_color(format, kSampleColour);
    format_set_border(format, LXW_BORDER_THIN);
    if (text)
        format_set_num_format(format, "@");
    return format;
}

} // namespace

bool TemplateWriter::write(const QString& path, const QList<TemplateColumn>& columns, QString* reason) {
    const QByteArray fileName = QFile::encodeName(path);
    const bool existed = QFile::exists(path);
    lxw_workbook* workbook = workbook_new(fileName.constData());
    lxw_worksheet* sheet = workbook ? workbook_add_worksheet(workbook, nullptr) : nullptr;
    if (!sheet) {
        if (workbook)
            lxw_workbook_free(workbook);
        qWarning().noquote() << "Template: cannot create the workbook for" << path;
        if (reason)
            *reason = QStringLiteral("创建工作表失败");
        return false;
    }
    lxw_format* title = titleFormat(workbook);
    lxw_format* sample = sampleFormat(workbook, false);
    lxw_format* sampleText = sampleFormat(workbook, true);
    lxw_format* textColumn = workbook_add_format(workbook);
    format_set_num_format(textColumn, "@");
    for (int c = 0; c < columns.size(); ++c) {
        const TemplateColumn& column = columns.at(c);
        const auto col = lxw_col_t(c);
        worksheet_set_column(sheet, col, col, column.width, column.text ? textColumn : nullptr);
        worksheet_write_string(sheet, 0, col, column.title.toUtf8().constData(), title);
        worksheet_write_string(sheet, 1, col, column.sample.toUtf8().constData(),
                               column.text ? sampleText : sample);
    }
    const lxw_error result = workbook_close(workbook);
    const int systemError = errno;
    if (result == LXW_NO_ERROR)
        return true;
    qWarning().noquote() << "Template: writing" << path << "failed:" << lxw_strerror(result)
                         << qt_error_string(systemError);
    // Told while a half-written file still takes its room on the disk.
    const QString trouble =
        fileWriteTrouble(path, systemError == ENOSPC ? QFileDevice::ResourceError : QFileDevice::WriteError,
                         qt_error_string(systemError));
    // Leave no half-written file behind where there was none.
    if (!existed)
        QFile::remove(path);
    if (reason) {
        *reason = result == LXW_ERROR_CREATING_TMPFILE ? QStringLiteral("无法创建临时文件")
                                                       : QStringLiteral("无法写入文件");
        if (!trouble.isEmpty())
            *reason += QStringLiteral("（") + trouble + QStringLiteral("）");
    }
    return false;
}

} // namespace kestrovalin
