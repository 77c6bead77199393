#include "ui/masterdata/supplierselectiondialog.h"

#include "core/clock.h"
#include "core/databasemanager.h"
#include "repositories/supplierrepository.h"
#include "ui/common/pickerframe.h"

namespace kestrovalin {

namespace {

repositories::SupplierRepository repository() {
    return repositories::SupplierRepository(DatabaseManager::instance().getAdapter());
}

QString statusText(const QString& status) {
    if (status == QLatin1String("active"))
        return QStringLiteral("正常");
    if (status == QLatin1String("suspended"))
        return QStringLiteral("已停用");
    return status;
}

QVector<TableRow> qualifiedSuppliers(const QString& keyword) {
    repositories::SupplierRepository repo = repository();
    QList<models::Supplier> suppliers = keyword.isEmpty() ? repo.findAll() : repo.searchByName(keyword);
    // The listed suppliers are not suspended; each is tested as read, not read again one by one.
    const QDate today = Clock::today();
    suppliers.erase(std::remove_if(suppliers.begin(), suppliers.end(),
                                   [&today](const models::Supplier& s) {
                                       return !repositories::SupplierRepository::isQualified(s, today);
                                   }),
                    suppliers.end());
    return tableRows(suppliers, [](const models::Supplier& s) {
        return TableRow(s.id, {QString::number(s.id), s.name, s.licenseNo, s.contactName, s.contactPhone,
                               s.address, statusText(s.status)});
    });
}

} // namespace

// Without a selected row "确定" still closes the picker as accepted; the caller then keeps its supplier.
SupplierSelectionDialog::SupplierSelectionDialog(QWidget* parent) : QDialog(parent) {
    PickerSetup setup;
    setup.title = QStringLiteral("选择供应商");
    setup.size = QSize(700, 400);
    setup.columns =
        QStringList{QStringLiteral("ID"),     QStringLiteral("名称"),     QStringLiteral("许可证号"),
                    QStringLiteral("联系人"), QStringLiteral("联系电话"), QStringLiteral("地址"),
                    QStringLiteral("状态")};
    setup.widths = {40, 160, 100, 55, 110, 130};
    m_frame = new PickerFrame(this, setup, qualifiedSuppliers);
}

void SupplierSelectionDialog::loadSuppliers(const QString& keyword) {
    m_frame->load(keyword);
}

models::Supplier SupplierSelectionDialog::getSelectedSupplier() const {
    const int id = m_frame->chosenId();
    return id < 0 ? models::Supplier() : repository().findById(id);
}

} // namespace kestrovalin
