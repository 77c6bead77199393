#include "ui/import/importdialogbase.h"

#include "spreadsheet/templatewriter.h"
#include "ui/common/prompts.h"

#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QTextEdit>

namespace kestrovalin {

namespace {

// Disables the three step buttons for one run and enables them again however the run ends.
class StepButtonsLock {
public:
    explicit StepButtonsLock(const ImportForm& form)
        : m_buttons{form.startImport, form.downloadTemplate, form.browse} {
        for (QPushButton* button : m_buttons)
            button->setEnabled(false);
    }
    ~StepButtonsLock() {
        for (QPushButton* button : m_buttons)
            button->setEnabled(true);
    }
    StepButtonsLock(const StepButtonsLock&) = delete;
    StepButtonsLock& operator=(const StepButtonsLock&) = delete;

private:
    QList<QPushButton*> m_buttons;
};

} // namespace

ImportDialogBase::ImportDialogBase(QWidget* parent, Setup setup)
    : QDialog(parent), m_setup(std::move(setup)) {}

void ImportDialogBase::attachForm(const ImportForm& form, QDialogButtonBox* buttons, QLabel* fileStepLabel) {
    m_form = form;
    applyImportLook(this, buttons, fileStepLabel);
    connect(form.downloadTemplate, &QPushButton::clicked, this, &ImportDialogBase::onDownloadTemplate);
    connect(form.browse, &QPushButton::clicked, this, &ImportDialogBase::onBrowseFile);
    connect(form.startImport, &QPushButton::clicked, this, &ImportDialogBase::onStartImport);
}

void ImportDialogBase::appendResult(const QString& text, const QColor& colour) {
    kestrovalin::appendResult(m_form.result, text, colour);
}

bool ImportDialogBase::generateTemplate(const QString& path, QString& errorText) {
    return TemplateWriter::write(path, m_setup.columns, &errorText);
}

void ImportDialogBase::onDownloadTemplate() {
    const QString path = Prompts::getSaveFileName(
        this, QStringLiteral("保存导入模板"), QDir::homePath() + QLatin1Char('/') + m_setup.templateFileName,
        QStringLiteral("Excel 文件 (*.xlsx)"));
    if (path.isEmpty())
        return;
    QString reason;
    if (generateTemplate(path, reason))
        Prompts::information(this, QStringLiteral("成功"),
                             QStringLiteral("模板已保存到：\n%1\n\n请按照模板格式填写%2数据后，再导入系统。")
                                 .arg(path, m_setup.subject));
    else
        Prompts::critical(this, QStringLiteral("错误"), QStringLiteral("生成模板失败：") + reason);
}

void ImportDialogBase::onBrowseFile() {
    const QString path = Prompts::getOpenFileName(this, m_setup.chooseCaption, QString(),
                                                  QStringLiteral("Excel 文件 (*.xls *.xlsx);;所有文件 (*)"));
    if (path.isEmpty())
        return;
    m_filePath = path;
    m_form.filePath->setText(path);
    m_form.startImport->setEnabled(true);
    m_form.result->clear();
    appendResult(QStringLiteral("已选择文件：%1\n点击「开始导入」执行导入。").arg(path),
                 resultColour::kNotice);
}

void ImportDialogBase::onStartImport() {
    if (m_filePath.isEmpty()) {
        Prompts::warning(this, QStringLiteral("提示"), QStringLiteral("请先选择要导入的 Excel 文件。"));
        return;
    }
    const StepButtonsLock lock(m_form);
    m_form.result->clear();
    ImportBusy busy(this, m_setup.busyTitle, m_setup.busyLabel);
    busy.show(true);
    importFile(m_filePath, busy);
}

void ImportDialogBase::importFile(const QString& path, ImportBusy& busy) {
    const ImportWording& wording = m_setup.wording;
    QStringList reasons;
    const bool read = readRows(path, reasons);
    if (!announceRead(m_form.result, busy, wording, read, reasons, rowsRead()))
        return;
    const Checked checked = checkRows();
    busy.close();
    const int toStore = checked.toStore.size();
    if (!announceChecks(m_form.result, wording, toStore, checked.duplicates, checked.invalid,
                        checked.duplicateLines) ||
        !confirmImport(this, m_form.result, wording, toStore, checked.duplicates))
        return;
    appendResult(QStringLiteral("\n--- 开始批量导入 %1 %2 ---").arg(QString::number(toStore), wording.unit),
                 resultColour::kProgress);
    // The indicator comes back once the transaction is open; from then on the windows only repaint.
    const repositories::BulkInsertResult result = storeRows([&busy](int index) {
        if (index == 0)
            busy.show(false);
        else
            ImportBusy::pumpHoldingInput();
    });
    busy.close();
    appendInsertOutcome(m_form.result, wording, checked.toStore, result);
}

} // namespace kestrovalin
