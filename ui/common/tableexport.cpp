#include "ui/common/tableexport.h"

#include "core/csvwriter.h"
#include "ui/common/prompts.h"

#include <QAbstractItemModel>
#include <QFile>

namespace kestrovalin {

namespace {

QStringList headerTitles(const QAbstractItemModel* model) {
    QStringList titles;
    for (int c = 0; c < model->columnCount(); ++c)
        titles.append(model->headerData(c, Qt::Horizontal).toString());
    return titles;
}

QVector<QStringList> shownRows(const QAbstractItemModel* model) {
    QVector<QStringList> rows;
    rows.reserve(model->rowCount());
    for (int r = 0; r < model->rowCount(); ++r) {
        QStringList cells;
        for (int c = 0; c < model->columnCount(); ++c)
            cells.append(model->index(r, c).data().toString());
        rows.append(cells);
    }
    return rows;
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
    bool written = CsvWriter::write(&file, how.title, headerTitles(model), shownRows(model)) && file.flush();
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
