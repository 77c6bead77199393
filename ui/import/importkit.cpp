#include "ui/import/importkit.h"

#include "core/databasemanager.h"
#include "spreadsheet/workbookreader.h"
#include "ui/common/buttonbox.h"
#include "ui/common/prompts.h"
#include "ui/import/importstyle.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QDebug>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QEventLoop>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QTextEdit>
#include <QTimer>

namespace kestrovalin {

namespace {

constexpr int kSettleMs = 200;

} // namespace

void applyImportLook(QDialog* dialog, QDialogButtonBox* buttons, QLabel* fileStepLabel) {
    dialog->setStyleSheet(importDialogStyleSheet());
    // Beside a stretching line edit a word-wrapped label is squeezed to its minimum, a word per line.
    fileStepLabel->setMinimumWidth(
        qMax(fileStepLabel->minimumWidth(),
             fileStepLabel->fontMetrics().horizontalAdvance(fileStepLabel->text()) + 4));
    useChineseLabels(buttons);
    // Under a parent that has a style sheet of its own (the list windows), the box's buttons keep the look
    // they were polished with before this sheet arrived; polish them again so its rules reach them.
    for (QAbstractButton* button : buttons->buttons()) {
        button->style()->unpolish(button);
        button->style()->polish(button);
    }
    QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
}

void appendResult(QTextEdit* area, const QString& text, const QColor& colour) {
    area->setTextColor(colour);
    QTextCursor cursor(area->document());
    cursor.movePosition(QTextCursor::End);
    if (!area->document()->isEmpty())
        cursor.insertBlock();
    QTextCharFormat format;
    format.setForeground(colour);
    // Plain insertion: a name like "<b>x</b>" stays those characters; line breaks become paragraphs.
    cursor.insertText(text, format);
    area->setTextCursor(cursor);
    area->ensureCursorVisible();
}

void downloadTemplate(QWidget* parent, const QString& fileName, const QString& subject,
                      const std::function<bool(const QString&, QString&)>& generate) {
    const QString path = Prompts::getSaveFileName(parent, QStringLiteral("保存导入模板"),
                                                  QDir::homePath() + QLatin1Char('/') + fileName,
                                                  QStringLiteral("Excel 文件 (*.xlsx)"));
    if (path.isEmpty())
        return;
    QString reason;
    if (generate(path, reason))
        Prompts::information(parent, QStringLiteral("成功"),
                             QStringLiteral("模板已保存到：\n%1\n\n请按照模板格式填写%2数据后，再导入系统。")
                                 .arg(path, subject));
    else
        Prompts::critical(parent, QStringLiteral("错误"), QStringLiteral("生成模板失败：") + reason);
}

QString chooseImportFile(QWidget* parent, const QString& caption, const ImportForm& form) {
    const QString path = Prompts::getOpenFileName(parent, caption, QString(),
                                                  QStringLiteral("Excel 文件 (*.xls *.xlsx);;所有文件 (*)"));
    if (path.isEmpty())
        return path;
    form.filePath->setText(path);
    form.startImport->setEnabled(true);
    form.result->clear();
    appendResult(form.result, QStringLiteral("已选择文件：%1\n点击「开始导入」执行导入。").arg(path),
                 resultColour::kNotice);
    return path;
}

StepButtonsLock::StepButtonsLock(const ImportForm& form) : m_form(form) {
    for (QPushButton* button : {m_form.startImport, m_form.downloadTemplate, m_form.browse})
        button->setEnabled(false);
}

StepButtonsLock::~StepButtonsLock() {
    for (QPushButton* button : {m_form.startImport, m_form.downloadTemplate, m_form.browse})
        button->setEnabled(true);
}

ImportBusy::ImportBusy(QWidget* parent, const QString& title, const QString& label) : m_dialog(parent) {
    m_dialog.setWindowTitle(title);
    m_dialog.setLabelText(label);
    m_dialog.setCancelButton(nullptr);
    m_dialog.setRange(0, 0);
    m_dialog.setWindowModality(Qt::WindowModal);
    m_dialog.setMinimumDuration(0);
    m_dialog.setAutoClose(false);
    m_dialog.setAutoReset(false);
}

void ImportBusy::show(bool settle) {
    m_dialog.show();
    if (settle) {
        QEventLoop loop;
        QTimer::singleShot(kSettleMs, &loop, &QEventLoop::quit);
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    } else {
        pump();
    }
}

void ImportBusy::close() {
    m_dialog.hide();
}

void ImportBusy::pump() {
    QCoreApplication::processEvents();
}

bool openImportSheet(WorkbookReader& reader, const QString& path, QStringList& reasons, const char* logName) {
    reader.setProgressCallback(&ImportBusy::pump);
    if (!reader.open(path)) {
        reasons << reader.errorText();
        return false;
    }
    qDebug().noquote() << logName << "rowCount=" << reader.lastRow() << "colCount=" << reader.lastColumn();
    if (reader.lastRow() <= 1) {
        reasons << QStringLiteral("文件中没有数据行（第1行为标题行，至少需要1行数据）。");
        return false;
    }
    return true;
}

IDbAdapter* importAdapter() {
    return DatabaseManager::instance().getAdapter();
}

void appendReadFailure(QTextEdit* area, const ImportWording& wording, const QStringList& reasons) {
    appendResult(area, wording.cross + QStringLiteral("读取文件失败："), resultColour::kError);
    for (const QString& reason : reasons)
        appendResult(area, QStringLiteral("  ") + reason, resultColour::kError);
}

bool confirmImport(QWidget* parent, QTextEdit* area, const ImportWording& wording, int toInsert,
                   int duplicates) {
    QString question =
        QStringLiteral("确认将 %1 %2数据导入系统？").arg(QString::number(toInsert), wording.unit);
    if (duplicates > 0)
        question += QStringLiteral("\n\n（重复的 %1 条数据将被跳过）").arg(duplicates);
    if (Prompts::question(parent, QStringLiteral("确认导入"), question))
        return true;
    appendResult(area, wording.closingLead + QStringLiteral("导入操作已取消。"), resultColour::kWarning);
    return false;
}

void appendInsertOutcome(QTextEdit* area, const ImportWording& wording, int successes, int failures,
                         Transaction& tx) {
    if (failures == 0 && tx.commit()) {
        appendResult(area,
                     QStringLiteral("\n%1导入完成！成功导入 %2 %3。")
                         .arg(wording.tick, QString::number(successes), wording.unit),
                     resultColour::kSuccess);
        return;
    }
    tx.rollback();
    if (failures == 0) {
        appendResult(area,
                     QStringLiteral("\n") + wording.cross + QStringLiteral("提交失败，未保存任何数据。"),
                     resultColour::kError);
        return;
    }
    appendResult(area,
                 QStringLiteral("\n") + wording.cross +
                     QStringLiteral("导入过程中出现错误，所有操作已回滚，未保存任何数据。"),
                 resultColour::kError);
    appendResult(area, QStringLiteral("  失败原因：%1 条数据写入数据库失败。").arg(failures),
                 resultColour::kError);
    appendResult(area, QStringLiteral("  请检查数据格式后重试。"), resultColour::kError);
}

QString fieldText(const CellValue& cell) {
    const QString text = cell.toText();
    return text.isNull() ? QLatin1String("") : text;
}

QString errorCellProblem(int column, const CellValue& cell) {
    if (!cell.isError())
        return QString();
    return QStringLiteral("第 %1 列为错误值：%2").arg(columnLetter(column - 1), cell.text);
}

} // namespace kestrovalin
