#include "ui/common/tableexport.h"

#include "core/csvwriter.h"
#include "ui/common/prompts.h"
#include "ui/common/rowtablemodel.h"

#include <QAbstractItemModel>
#include <QFile>
#include <QProgressDialog>

#include <algorithm>
#include <functional>

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

// The rows go out a part at a time, so a year of a record book never sits in memory at once and a long
// export shows its progress. The progress box blocks the whole program: nothing may close the window
// whose table is being written.
bool writeShownRows(QWidget* parent, QIODevice* device, QAbstractItemModel* model, const CsvExport& how) {
    if (!writeAll(device, CsvWriter::opening(how.title, headerTitles(model))))
        return false;
    auto* rowModel = qobject_cast<RowTableModel*>(model);
    const int rows = rowModel ? rowModel->exactCount() : model->rowCount();
    const int columns = model->columnCount();
    QProgressDialog progress(QStringLiteral("正在导出 %1 条记录，请稍候……").arg(rows), QString(), 0, rows,
                             parent);
    progress.setWindowTitle(how.caption);
    progress.setWindowModality(Qt::ApplicationModal);
    progress.setCancelButton(nullptr);
    progress.setMinimumDuration(kProgressAfterMs);
    QByteArray part;
    QStringList cells;
    int written = 0;
    // One line per row; every part of kRowsPerPart lines goes to the device.
    auto line = [&](const std::function<QString(int column)>& cell) {
        cells.clear();
        for (int c = 0; c < columns; ++c)
            cells.append(cell(c));
        CsvWriter::appendLine(part, cells);
        if (++written % kRowsPerPart != 0)
            return true;
        const bool ok = writeAll(device, part);
        part.clear();
        progress.setValue(std::min(written, rows));
        return ok;
    };
    bool ok = true;
    if (rowModel) {
        ok = rowModel->visitAll([&](int position, const TableRow& row) {
            return line([&](int column) { return rowModel->cellText(position, row, column); });
        });
    } else {
        for (int r = 0; ok && r < rows; ++r)
            ok = line([&](int column) { return model->index(r, column).data().toString(); });
    }
    if (!ok || !writeAll(device, part))
        return false;
    progress.setValue(rows);
    return true;
}

} // namespace

bool exportTableAsCsv(QWidget* parent, QAbstractItemModel* model, const CsvExport& how) {
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
