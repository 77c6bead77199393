#include "ui/sales/prescriptiondetaildialog.h"
#include "ui_prescriptiondetaildialog.h"

#include "ui/common/formdialog.h"
#include "ui/common/styles.h"
#include "ui/common/tablefill.h"
#include "ui/sales/prescriptionstatus.h"

#include <QHeaderView>
#include <QLayout>
#include <QScreen>
#include <QStyle>
#include <QTableWidgetItem>

#include <algorithm>

namespace kestrovalin {

PrescriptionDetailDialog::PrescriptionDetailDialog(QWidget* parent)
    : QDialog(parent), ui(new ::Ui::PrescriptionDetailDialog) {
    ui->setupUi(this);
    setWindowTitle(QStringLiteral("处方详情"));
    setModal(true);
    // A long diagnosis scrolls in its box and the other values wrap, so the dialog keeps its size.
    useForLongText(ui->valueDiagnosis, 3, false);
    for (QLabel* value : {ui->valuePatientName, ui->valuePatientAge, ui->valuePatientGender,
                          ui->valueDoctorName, ui->valueDoctorTitle, ui->valueHospital,
                          ui->valuePrescriptionNo, ui->valueValidUntil, ui->valueStatus, ui->valueUsedCount})
        value->setWordWrap(true);
    initTable();
    connect(ui->btnClose, &QPushButton::clicked, this, &QDialog::close);
}

PrescriptionDetailDialog::~PrescriptionDetailDialog() {
    delete ui;
}

void PrescriptionDetailDialog::initTable() {
    QTableWidget* table = ui->tableItems;
    table->setColumnCount(5);
    table->setHorizontalHeaderLabels({QStringLiteral("药品名称"), QStringLiteral("规格"),
                                      QStringLiteral("数量"), QStringLiteral("单位"),
                                      QStringLiteral("用法用量")});
    const int widths[] = {180, 120, 60, 60};
    for (int c = 0; c < 4; ++c)
        table->setColumnWidth(c, widths[c]);
    table->horizontalHeader()->setStretchLastSection(true);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->verticalHeader()->setVisible(false);
    tipCutCells(table);
    // The table asks for room for all its rows; the dialog grows to that as far as the screen allows.
    table->setSizeAdjustPolicy(QAbstractScrollArea::AdjustToContents);
}

void PrescriptionDetailDialog::setPrescription(const models::Prescription& p) {
    ui->valuePatientName->setText(p.patientName);
    ui->valuePatientAge->setText(QString::number(p.patientAge));
    ui->valuePatientGender->setText(p.patientGender);
    ui->valueDiagnosis->setPlainText(p.diagnosis);
    ui->valueDoctorName->setText(p.doctorName);
    ui->valueDoctorTitle->setText(p.doctorTitle);
    ui->valueHospital->setText(p.hospitalName);
    ui->valuePrescriptionNo->setText(p.prescriptionNo);
    ui->valueValidUntil->setText(p.validUntil.isEmpty() ? QStringLiteral("长期有效") : p.validUntil);
    ui->valueUsedCount->setText(QString::number(p.usedCount));

    const PrescriptionStatusLabel status = detailStatusLabel(p.status);
    ui->valueStatus->setText(status.text);
    ui->valueStatus->setStyleSheet(statusValueStyleSheet(status.colour));

    QTableWidget* table = ui->tableItems;
    table->setRowCount(0);
    table->setRowCount(p.items.size());
    for (int r = 0; r < p.items.size(); ++r) {
        const models::PrescriptionItem& item = p.items.at(r);
        const QStringList cells = {item.productName, item.specification, QString::number(item.quantity),
                                   item.unit, item.dosage};
        for (int c = 0; c < cells.size(); ++c)
            table->setItem(r, c, new QTableWidgetItem(cells.at(c)));
    }
    table->resizeRowsToContents();
    growToContent();
}

// Shown, the drug table has its real width: rows fit the stretched column, and the dialog grows to them.
void PrescriptionDetailDialog::showEvent(QShowEvent* event) {
    ui->tableItems->resizeRowsToContents();
    growToContent();
    QDialog::showEvent(event);
}

// Long names wrap, and a long dosage makes a tall row: the dialog opens as tall as its wrapped values and
// every drug row need, wider where the screen is too low for that, and within the screen; past that the
// table scrolls.
void PrescriptionDetailDialog::growToContent() {
    layout()->activate();
    int w = std::max(width(), minimumSizeHint().width());
    int h = layout()->totalHeightForWidth(w);
    if (const QScreen* shown = parentWidget() ? parentWidget()->screen() : screen()) {
        // Room for the window frame, which the window system adds around the dialog.
        const int frame = style()->pixelMetric(QStyle::PM_TitleBarHeight);
        const QSize room = shown->availableGeometry().size() - QSize(frame, frame);
        while (h > room.height() && w < room.width()) {
            w = std::min(room.width(), w + 100);
            h = layout()->totalHeightForWidth(w);
        }
        h = std::min(h, room.height());
    }
    resize(w, std::max({h, height(), minimumSizeHint().height()}));
}

} // namespace kestrovalin
