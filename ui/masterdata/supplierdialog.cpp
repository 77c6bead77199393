#include "ui/masterdata/supplierdialog.h"

#include "core/clock.h"
#include "ui/common/formdialog.h"
#include "ui_supplierdialog.h"

#include <QCalendarWidget>
#include <QEvent>

namespace kestrovalin {

namespace {

const QStringList businessScopeOptions = {QStringLiteral("中成药"),   QStringLiteral("化学药制剂"),
                                          QStringLiteral("抗生素"),   QStringLiteral("生化药品"),
                                          QStringLiteral("生物制品"), QStringLiteral("中药饮片"),
                                          QStringLiteral("医疗器械"), QStringLiteral("其他")};

const QString dateFormat = QStringLiteral("yyyy-MM-dd");
const QString activeText = QStringLiteral("正常");
const QString suspendedText = QStringLiteral("已停用");

// A date edit's lowest date stands for "no date": it reads "未填写" and gives back an empty text, so a
// supplier whose expiry date was never recorded keeps it empty through an edit.
bool showsNoDate(const QDateEdit* edit) {
    return edit->date() == edit->minimumDate();
}

// Opens the calendar of an edit without a date on the current month instead of the lowest date's.
class CalendarPageFilter : public QObject {
public:
    explicit CalendarPageFilter(QDateEdit* edit) : QObject(edit), m_edit(edit) {}
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Show && showsNoDate(m_edit)) {
            const QDate today = Clock::today();
            static_cast<QCalendarWidget*>(watched)->setCurrentPage(today.year(), today.month());
        }
        return false;
    }

private:
    QDateEdit* m_edit;
};

void allowNoDate(QDateEdit* edit) {
    edit->setSpecialValueText(QStringLiteral("未填写"));
    edit->calendarWidget()->installEventFilter(new CalendarPageFilter(edit));
}

// An empty text shows "no date"; a text that does not parse leaves the edit's default.
void showDate(QDateEdit* edit, const QString& text) {
    if (text.isEmpty()) {
        edit->setDate(edit->minimumDate());
        return;
    }
    const QDate date = QDate::fromString(text, dateFormat);
    if (date.isValid())
        edit->setDate(date);
}

QString dateText(const QDateEdit* edit) {
    return showsNoDate(edit) ? QString() : edit->date().toString(dateFormat);
}

QListWidgetItem* addScopeItem(QListWidget* list, const QString& text, bool checked) {
    auto* item = new QListWidgetItem(text, list);
    item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
    item->setCheckState(checked ? Qt::Checked : Qt::Unchecked);
    return item;
}

} // namespace

SupplierDialog::SupplierDialog(QWidget* parent) : QDialog(parent), ui(new Ui::SupplierDialog) {
    ui->setupUi(this);
    setWindowTitle(QStringLiteral("供应商信息"));
    prepareFormDialog(this, ui->buttonBox, parent);
    initBusinessScopeList();

    const QList<QDateEdit*> dateEdits = {ui->editLicenseExpire, ui->editBusinessLicenseExpire,
                                         ui->editGspCertExpire, ui->editTaxRegExpire};
    for (QDateEdit* edit : dateEdits)
        allowNoDate(edit);

    const QDate today = Clock::today();
    ui->editLicenseExpire->setDate(today.addYears(5));
    ui->editBusinessLicenseExpire->setDate(today.addYears(10));
    ui->editGspCertExpire->setDate(today.addYears(5));
    ui->editTaxRegExpire->setDate(today.addYears(5));
    // The scroll area would take the focus first and swallow what is typed.
    ui->editName->setFocus();
}

SupplierDialog::~SupplierDialog() {
    delete ui;
}

void SupplierDialog::initBusinessScopeList() {
    ui->listBusinessScope->clear();
    for (const QString& option : businessScopeOptions)
        addScopeItem(ui->listBusinessScope, option, false);
}

void SupplierDialog::setSupplier(const models::Supplier& supplier) {
    ui->editName->setText(supplier.name);
    ui->editLicenseNo->setText(supplier.licenseNo);
    ui->editBusinessLicenseNo->setText(supplier.businessLicenseNo);

    initBusinessScopeList();
    for (int i = 0; i < ui->listBusinessScope->count(); ++i) {
        QListWidgetItem* item = ui->listBusinessScope->item(i);
        item->setCheckState(supplier.businessScope.contains(item->text()) ? Qt::Checked : Qt::Unchecked);
    }
    // Entries from other sources (imports, older data) stay as extra checked items so a save keeps them.
    for (const QString& entry : supplier.businessScope) {
        if (!businessScopeOptions.contains(entry))
            addScopeItem(ui->listBusinessScope, entry, true);
    }

    ui->editAddress->setText(supplier.address);
    ui->editContactName->setText(supplier.contactName);
    ui->editContactPhone->setText(supplier.contactPhone);
    ui->editGspCertNo->setText(supplier.gspCertNo);
    ui->editTaxRegNo->setText(supplier.taxRegNo);

    showDate(ui->editLicenseExpire, supplier.licenseExpireDate);
    showDate(ui->editBusinessLicenseExpire, supplier.businessLicenseExpireDate);
    showDate(ui->editGspCertExpire, supplier.gspCertExpireDate);
    showDate(ui->editTaxRegExpire, supplier.taxRegExpireDate);

    const QString statusText = supplier.status == QLatin1String("active") ? activeText : suspendedText;
    const int index = ui->comboStatus->findText(statusText, Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (index >= 0)
        ui->comboStatus->setCurrentIndex(index);
}

models::Supplier SupplierDialog::getSupplier() const {
    models::Supplier supplier;
    supplier.name = ui->editName->text();
    supplier.licenseNo = ui->editLicenseNo->text();
    supplier.businessLicenseNo = ui->editBusinessLicenseNo->text();
    for (int i = 0; i < ui->listBusinessScope->count(); ++i) {
        const QListWidgetItem* item = ui->listBusinessScope->item(i);
        if (item->checkState() == Qt::Checked)
            supplier.businessScope.append(item->text());
    }
    supplier.address = ui->editAddress->text();
    supplier.contactName = ui->editContactName->text();
    supplier.contactPhone = ui->editContactPhone->text();
    supplier.licenseExpireDate = dateText(ui->editLicenseExpire);
    supplier.businessLicenseExpireDate = dateText(ui->editBusinessLicenseExpire);
    supplier.gspCertExpireDate = dateText(ui->editGspCertExpire);
    supplier.taxRegExpireDate = dateText(ui->editTaxRegExpire);
    supplier.gspCertNo = ui->editGspCertNo->text();
    supplier.taxRegNo = ui->editTaxRegNo->text();
    supplier.status =
        ui->comboStatus->currentText() == activeText ? QStringLiteral("active") : QStringLiteral("suspended");
    return supplier;
}

} // namespace kestrovalin
