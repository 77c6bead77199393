#include "ui/quality/rejecteddrugdialog.h"

#include "core/clock.h"
#include "core/usersession.h"
#include "repositories/rejecteddrugcodes.h"
#include "ui/common/placement.h"
#include "ui/common/prompts.h"
#include "ui/common/styles.h"
#include "ui/quality/rejecteddrugselectiondialog.h"

#include <QComboBox>
#include <QDateEdit>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace kestrovalin {

namespace {

const QString kDateFormat = QStringLiteral("yyyy-MM-dd");
constexpr int kQuantityLimit = 9999;

template <class T> T* named(T* widget, const char* name) {
    widget->setObjectName(QLatin1String(name));
    return widget;
}

QLineEdit* readOnlyField(QWidget* parent, const char* name) {
    auto* field = named(new QLineEdit(parent), name);
    field->setReadOnly(true);
    field->setMinimumWidth(250);
    return field;
}

QPlainTextEdit* remarkField(QWidget* parent, const char* name) {
    auto* field = named(new QPlainTextEdit(parent), name);
    field->setMaximumHeight(80);
    field->setMinimumWidth(250);
    return field;
}

} // namespace

RejectedDrugDialog::RejectedDrugDialog(QWidget* parent) : QDialog(parent) {
    initUI();
    setWindowTitle(QStringLiteral("不合格药品登记"));
    resize(450, 420);
    centreOnTopLevel(this, parent);
}

void RejectedDrugDialog::initUI() {
    m_btnSelectProduct = named(new QPushButton(QStringLiteral("选择药品"), this), "btnSelectProduct");
    m_btnSelectProduct->setStyleSheet(roomyButtonStyleSheet());
    m_editBarcode = readOnlyField(this, "editBarcode");
    m_editProductName = readOnlyField(this, "editProductName");
    m_editBatchNo = readOnlyField(this, "editBatchNo");
    m_spinQuantity = named(new QSpinBox(this), "spinQuantity");
    m_spinQuantity->setRange(1, kQuantityLimit);
    m_spinQuantity->setValue(1);
    m_spinQuantity->setMinimumWidth(100);
    m_labelMaxQuantity = named(new QLabel(this), "labelMaxQuantity");
    m_labelMaxQuantity->setStyleSheet(hintLabelStyleSheet());
    showMaximum();
    m_comboReason = named(new QComboBox(this), "comboReason");
    for (const rejected::CodeLabel& reason : rejected::reasons())
        m_comboReason->addItem(reason.label, reason.code);
    m_comboReason->setMinimumWidth(250);
    m_editReasonRemark = remarkField(this, "editReasonRemark");
    m_dateReport = named(new QDateEdit(Clock::today(), this), "dateReport");
    m_dateReport->setCalendarPopup(true);
    m_dateReport->setDisplayFormat(kDateFormat);
    m_editRemark = remarkField(this, "editRemark");

    auto* form = new QFormLayout;
    form->setLabelAlignment(Qt::AlignRight | Qt::AlignVCenter);
    form->setFormAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
    form->setFieldGrowthPolicy(QFormLayout::FieldsStayAtSizeHint);
    form->setRowWrapPolicy(QFormLayout::DontWrapRows);
    form->setHorizontalSpacing(12);
    form->setVerticalSpacing(12);
    form->addRow(QStringLiteral("药品信息"), m_btnSelectProduct);
    form->addRow(QStringLiteral("条码"), m_editBarcode);
    form->addRow(QStringLiteral("药品名称"), m_editProductName);
    form->addRow(QStringLiteral("批次号"), m_editBatchNo);
    form->addRow(QStringLiteral("不合格数量"), m_spinQuantity);
    form->addRow(QStringLiteral("最大可登记"), m_labelMaxQuantity);
    form->addRow(QStringLiteral("不合格原因"), m_comboReason);
    form->addRow(QStringLiteral("原因备注"), m_editReasonRemark);
    form->addRow(QStringLiteral("发现日期"), m_dateReport);
    form->addRow(QStringLiteral("备注"), m_editRemark);

    const QString buttonSheet = QStringLiteral("padding: 6px 20px;");
    m_btnOk = named(new QPushButton(QStringLiteral("确定"), this), "btnOk");
    m_btnCancel = named(new QPushButton(QStringLiteral("取消"), this), "btnCancel");
    m_btnOk->setStyleSheet(buttonSheet);
    m_btnCancel->setStyleSheet(buttonSheet);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_btnOk);
    buttons->addSpacing(10);
    buttons->addWidget(m_btnCancel);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(25, 25, 25, 25);
    layout->setSpacing(15);
    layout->addLayout(form);
    layout->addLayout(buttons);

    connect(m_btnSelectProduct, &QPushButton::clicked, this, &RejectedDrugDialog::onSelectProduct);
    connect(m_spinQuantity, QOverload<int>::of(&QSpinBox::valueChanged), this,
            &RejectedDrugDialog::onQuantityChanged);
    connect(m_btnOk, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_btnCancel, &QPushButton::clicked, this, &QDialog::reject);
}

void RejectedDrugDialog::showMaximum() {
    m_labelMaxQuantity->setText(QStringLiteral("最大可登记: %1").arg(m_maxQuantity));
}

void RejectedDrugDialog::onSelectProduct() {
    RejectedDrugSelectionDialog picker(this);
    if (picker.exec() != QDialog::Accepted)
        return;
    const RejectedDrugSelectionDialog::Batch chosen = picker.getSelectedBatch();
    if (chosen.batch.id < 1 || chosen.product.id <= 0) {
        Prompts::warning(this, QStringLiteral("错误"), QStringLiteral("请选择有效的药品"));
        return;
    }
    m_productId = chosen.product.id;
    m_batchId = chosen.batch.id;
    m_maxQuantity = chosen.batch.quantity;
    m_editBarcode->setText(chosen.product.barcode);
    m_editProductName->setText(chosen.product.name);
    m_editBatchNo->setText(chosen.batch.batchNo);
    // A smaller maximum clamps the quantity already entered rather than resetting it.
    m_spinQuantity->setMaximum(m_maxQuantity > 0 ? m_maxQuantity : kQuantityLimit);
    showMaximum();
    m_productName = chosen.product.name;
    m_barcode = chosen.product.barcode;
    m_productSpec = chosen.product.specification;
    m_manufacturer = chosen.product.manufacturer;
    m_batchNo = chosen.batch.batchNo;
    m_productionDate = chosen.batch.productionDate;
    m_expiryDate = chosen.batch.expiryDate;
    m_supplierId = chosen.batch.supplierId;
    m_supplierName = chosen.supplierName;
}

void RejectedDrugDialog::onQuantityChanged(int value) {
    if (m_maxQuantity > 0 && value > m_maxQuantity)
        m_spinQuantity->setValue(m_maxQuantity);
}

models::RejectedDrug RejectedDrugDialog::getDrug() const {
    models::RejectedDrug d;
    d.id = -1;
    d.productId = m_productId;
    d.batchId = m_batchId;
    d.supplierId = m_supplierId;
    d.productName = m_productName;
    d.barcode = m_barcode;
    d.productSpec = m_productSpec;
    d.manufacturer = m_manufacturer;
    d.batchNo = m_batchNo;
    d.productionDate = m_productionDate;
    d.expiryDate = m_expiryDate;
    d.supplierName = m_supplierName;
    d.quantity = m_spinQuantity->value();
    d.reason = m_comboReason->currentData().toString();
    d.reasonRemark = m_editReasonRemark->toPlainText();
    d.reportDate = m_dateReport->date().toString(kDateFormat);
    d.foundBy = UserSession::instance().getCurrentUserId();
    d.remark = m_editRemark->toPlainText();
    return d;
}

void RejectedDrugDialog::setDrug(const models::RejectedDrug& drug) {
    m_productId = drug.productId;
    m_batchId = drug.batchId;
    m_supplierId = drug.supplierId;
    m_productName = drug.productName;
    m_barcode = drug.barcode;
    m_productSpec = drug.productSpec;
    m_manufacturer = drug.manufacturer;
    m_batchNo = drug.batchNo;
    m_productionDate = drug.productionDate;
    m_expiryDate = drug.expiryDate;
    m_supplierName = drug.supplierName;
    m_maxQuantity = drug.quantity;
    m_editBarcode->setText(drug.barcode);
    m_editProductName->setText(drug.productName);
    m_editBatchNo->setText(drug.batchNo);
    m_spinQuantity->setValue(drug.quantity);
    showMaximum();
    const int reason = m_comboReason->findData(drug.reason); // exact and case-sensitive
    if (reason >= 0)
        m_comboReason->setCurrentIndex(reason);
    m_editReasonRemark->setPlainText(drug.reasonRemark);
    const QDate reported = QDate::fromString(drug.reportDate, kDateFormat);
    if (reported.isValid())
        m_dateReport->setDate(reported);
    m_editRemark->setPlainText(drug.remark);
}

int RejectedDrugDialog::getSelectedQuantity() const {
    return m_spinQuantity->value();
}

} // namespace kestrovalin
