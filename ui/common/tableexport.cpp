#include "ui/common/tableexport.h"

#include "core/csvwriter.h"
#include "ui/common/prompts.h"
#include "ui/common/readtrouble.h"
#include "ui/common/rowtablemodel.h"

#include <QAbstractItemModel>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProgressDialog>
#include <QSaveFile>
#include <QtDebug>

#include <algorithm>
#include <memory>

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

QString progressText(int rows) {
    return QStringLiteral("正在导出 %1 条记录，请稍候……").arg(rows);
}

// The export's progress box: shown once the export has taken kProgressAfterMs, a busy box until a paged
// list's count comes, then the rows written against it. It lets the program paint (and the count arrive) a
// few times a second, not at every part. It blocks the whole program: nothing may close the window whose
// table is being written.
class ExportProgress {
public:
    ExportProgress(QWidget* parent, const QString& caption, const RowTableModel* counting, int rows)
        : m_box(counting ? QStringLiteral("正在导出记录，请稍候……") : progressText(rows), QString(), 0,
                counting ? 0 : rows, parent) {
        m_box.setWindowTitle(caption);
        m_box.setWindowModality(Qt::ApplicationModal);
        m_box.setCancelButton(nullptr);
        m_box.setMinimumDuration(kProgressAfterMs);
        if (counting) {
            QObject::connect(counting, &RowTableModel::counted, &m_box, [this, counting] {
                m_box.setLabelText(progressText(counting->rowCount()));
                m_box.setMaximum(counting->rowCount());
            });
        }
        m_started.start();
    }

    void written(int rows) {
        const qint64 now = m_started.elapsed();
        if (now < kProgressAfterMs || now - m_shownAt < kRepaintMs)
            return;
        m_shownAt = now;
        if (!m_box.isVisible())
            m_box.show();
        // A shown modal box processes the events here.
        m_box.setValue(m_box.maximum() > 0 ? std::min(rows, m_box.maximum()) : 0);
    }

private:
    static constexpr qint64 kRepaintMs = 200;
    QProgressDialog m_box;
    QElapsedTimer m_started;
    qint64 m_shownAt = 0;
};

// The rows go out a part at a time, so a year of a record book never sits in memory at once and a long
// export shows its progress. The lines of a part are gathered as text and turned into UTF-8 at once. A
// paged list's rows are read from the first at once, without waiting for a count still on its way.
// rowsWritten gets the number of rows written; readFailure tells a read that stopped on an error.
bool writeShownRows(QWidget* parent, QIODevice* device, const QAbstractItemModel* model, const CsvExport& how,
                    int* rowsWritten, std::optional<ReadFailure>* readFailure) {
    if (!writeAll(device, CsvWriter::opening(how.title, headerTitles(model))))
        return false;
    const auto* rowModel = qobject_cast<const RowTableModel*>(model);
    const int columns = model->columnCount();
    ExportProgress progress(parent, how.caption, rowModel && !rowModel->countKnown() ? rowModel : nullptr,
                            model->rowCount());
    QString part;
    int written = 0;
    // Every part of kRowsPerPart lines goes to the device.
    const auto lineDone = [&]() {
        part += QLatin1Char('\n');
        if (++written % kRowsPerPart != 0)
            return true;
        const bool ok = writeAll(device, part.toUtf8());
        part.resize(0);
        progress.written(written);
        return ok;
    };
    const auto cell = [&part](int column, const QString& text) {
        if (column > 0)
            part += QLatin1Char(',');
        CsvWriter::appendCell(part, text);
    };
    bool ok = true;
    if (rowModel) {
        bool wrote = true;
        ok = rowModel->visitAll(
            [&](int position, const TableRow& row) {
                for (int c = 0; c < columns; ++c)
                    cell(c, rowModel->cellText(position, row, c));
                return wrote = lineDone();
            },
            readFailure);
    } else {
        const int rows = model->rowCount();
        for (int r = 0; ok && r < rows; ++r) {
            for (int c = 0; c < columns; ++c)
                cell(c, model->index(r, c).data().toString());
            ok = lineDone();
        }
    }
    *rowsWritten = written;
    return ok && writeAll(device, part.toUtf8());
}

} // namespace

bool exportTableAsCsv(QWidget* parent, const QAbstractItemModel* model, const CsvExport& how) {
    const QString path =
        Prompts::getSaveFileName(parent, how.caption, QString(), QStringLiteral("CSV Files (*.csv)"));
    if (path.isEmpty())
        return false;

    // All of the file or none of it: an earlier file at the path stays as it was until the new one is whole.
    // Where the folder takes no temporary file, a file the user may write is written straight, as it always
    // could be. A device or a pipe chosen as the file cannot be replaced and keeps nothing: it is written
    // straight too.
    const QFileInfo target(path);
    const bool earlierFile = target.isFile();
    const bool replaceable = !target.exists() || earlierFile;
    const bool atomic = replaceable && QFileInfo(target.absolutePath()).isWritable();
    std::unique_ptr<QFileDevice> file;
    if (replaceable) {
        auto whole = std::make_unique<QSaveFile>(path);
        whole->setDirectWriteFallback(true);
        file = std::move(whole);
    } else {
        file = std::make_unique<QFile>(path);
    }
    const bool opened = file->open(QIODevice::WriteOnly | QIODevice::Text |
                                   (replaceable ? QIODevice::NotOpen : QIODevice::Truncate));
    int rows = 0;
    std::optional<ReadFailure> readFailure;
    // commit() does not see a flush that stopped part way (a full disk): flushed and checked here first.
    bool written =
        opened && writeShownRows(parent, file.get(), model, how, &rows, &readFailure) && file->flush();
    // Told while an unfinished file still takes its room on the disk. A read stops at its next row once the
    // database file is replaced under the program.
    const auto troubleNow = [&] {
        if (!readFailure)
            return fileWriteTrouble(path, file->error(), file->errorString());
        // "未能读取记录" alone would only repeat the headline.
        return readFailure->condition == DbCondition::None ? QString() : readFailureText(*readFailure);
    };
    QString trouble = written ? QString() : troubleNow();
    QString why = file->errorString();
    if (auto* whole = qobject_cast<QSaveFile*>(file.get())) {
        if (opened && !written) {
            // Commit after a cancel only takes the unfinished file away.
            whole->cancelWriting();
            whole->commit();
        } else if (opened && !whole->commit()) {
            written = false;
            trouble = troubleNow();
            why = whole->errorString();
        }
    } else if (opened) {
        file->close();
        if (written && file->error() != QFileDevice::NoError) {
            written = false;
            trouble = troubleNow();
        }
    }
    if (!written) {
        QString logged = why;
        if (readFailure)
            logged = QStringLiteral("the rows could not be read: ") + readFailure->text;
        qWarning().noquote() << "CSV export to" << path << "failed:" << logged;
        // A read that failed is no fault of the file: the headline names what failed.
        QString text = readFailure ? QStringLiteral("未能读取要导出的记录，文件未导出！")
                       : opened    ? QStringLiteral("无法写入文件！")
                                   : QStringLiteral("无法创建文件！");
        if (!trouble.isEmpty())
            text += QStringLiteral("\n原因：") + trouble + QStringLiteral("。");
        if (earlierFile) {
            text += !opened || atomic ? QStringLiteral("\n原有的同名文件未被改动。")
                                      : QStringLiteral("\n原有的同名文件已被改写，内容不完整。");
        }
        Prompts::warning(parent, QStringLiteral("错误"), text);
        return false;
    }
    Prompts::information(parent, QStringLiteral("成功"), how.successText + path);
    if (how.afterSuccess)
        how.afterSuccess(rows);
    return true;
}

} // namespace kestrovalin
