#include "ui/common/tableexport.h"

#include "core/csvwriter.h"
#include "ui/common/prompts.h"

#include <QAbstractItemModel>
#include <QFile>
#include <QProgressDialog>

namespace kestrovalin {

namespace {

QStringList headerTitles(const QAbstractItemModel* model) {
    QStringList titles;
    for (int c = 0; c < model->columnCount(); ++c)
        titles.append(model->headerData(c, Qt::Horizontal).toString());
    return titles;
}

constexpr int kRowsPerPart = 2000;

bool writeAll(QIODevice* device, const QByteArray& bytes) {
    return device->write(bytes) == bytes.size();
}

// The rows go out a part at a time, so a year of a record book never sits in memory twice and a long
// export shows its progress. The progress box blocks the whole program: nothing may close the window
// whose table is being written.
bool writeShownRows(QWidget* parent, QIODevice* device, const QAbstractItemModel* model,
                    const CsvExport& how) {
    if (!writeAll(device, CsvWriter::opening(how.title, headerTitles(model))))
        return false;
    const int rows = model->rowCount();
    const int columns = model->columnCount();
    QProgressDialog progress(QStringLiteral("正在导出 %1 条记录，请稍候……").arg(rows), QString(), 0, rows,
                             parent);
    progress.setWindowTitle(how.caption);
    progress.setWindowModality(Qt::ApplicationModal);
    progress.setCancelButton(nullptr);
    progress.setMinimumDuration(kProgressAfterMs);
    QByteArray part;
    QStringList cells;
    for (int r = 0; r < rows; ++r) {
        cells.clear();
        for (int c = 0; c < columns; ++c)
            cells.append(model->index(r, c).data().toString());
        CsvWriter::appendLine(part, cells);
        if ((r + 1) % kRowsPerPart == 0 || r + 1 == rows) {
            if (!writeAll(device, part))
                return false;
            part.clear();
            progress.setValue(r + 1);
        }
    }
    return true;
}

} // namespace

bool exportTableAsCsv(QWidget* parent, const QAbstractItemModel* model, const CsvExport& how) {
    const QString path =
        Prompts::getSaveFileName(parent, how.caption, QString(), QStringLiteral("CSV Files (*.csv)"));
    if (path.isEmpty())
        return false;

    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text)) {
        Prompts::warning(parent, QStringLiteral("错误"), QStringLiteral("无法创建文件！"));
        return false;
    }
    bool written = writeShownRows(parent, &file, model, how) && file.flush();
    file.close();
    written = written && file.error() == QFileDevice::NoError;
    if (!written) {
        Prompts::warning(parent, QStringLiteral("错误"), QStringLiteral("无法写入文件！"));
        return false;
    }
    Prompts::information(parent, QStringLiteral("成功"), how.successText + path);
    if (how.afterSuccess)
        how.afterSuccess();
    return true;
}

} // namespace kestrovalin
