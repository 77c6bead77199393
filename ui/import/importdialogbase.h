#pragma once

#include "spreadsheet/templatewriter.h"
#include "ui/import/importkit.h"

#include <QDialog>
#include <QList>
#include <QString>

class QDialogButtonBox;
class QLabel;

namespace kestrovalin {

// What the product and supplier import dialogs share: the template step, the file step and the frame of an
// import run (buttons locked, result area cleared, busy indicator); each dialog reads, checks and stores its
// own rows in importFile().
class ImportDialogBase : public QDialog {
    Q_OBJECT
public:
    struct Setup {
        QString templateFileName; // proposed in the home folder
        QString subject;          // what the template is filled with: "商品", "供应商"
        QString chooseCaption;    // of the open-file dialog
        QString busyTitle;
        QString busyLabel;
        QList<TemplateColumn> columns;
    };

protected:
    ImportDialogBase(QWidget* parent, Setup setup);

    // Called by the dialog once its form is built.
    void attachForm(const ImportForm& form, QDialogButtonBox* buttons, QLabel* fileStepLabel);
    // One import of the chosen file; the busy indicator is showing when it is called.
    virtual void importFile(const QString& path, ImportBusy& busy) = 0;

    bool generateTemplate(const QString& path, QString& errorText);
    void appendResult(const QString& text, const QColor& colour);
    QTextEdit* resultArea() const { return m_form.result; }

private slots:
    void onDownloadTemplate();
    void onBrowseFile();
    void onStartImport();

private:
    Setup m_setup;
    ImportForm m_form{};
    QString m_filePath; // kept once chosen, so the same file can be imported again
};

} // namespace kestrovalin
