#include "ui/masterdata/suppliermanagerwindow.h"

#include "core/clock.h"
#include "core/databasemanager.h"
#include "repositories/supplierrepository.h"
#include "ui/common/listmodel.h"
#include "ui/common/placement.h"
#include "ui/common/prompts.h"
#include "ui/common/styles.h"
#include "ui/common/tablefill.h"
#include "ui/import/supplierimportdialog.h"
#include "ui/masterdata/supplierdialog.h"
#include "ui_suppliermanagerwindow.h"

#include <QStandardItemModel>

namespace kestrovalin {

namespace {

repositories::SupplierRepository supplierRepository() {
    return repositories::SupplierRepository(DatabaseManager::instance().getAdapter());
}

enum class Documents { Expired, Expiring, InForce };

// Judges the four expiry dates against today. A date that does not parse counts as past; an empty one is
// skipped. The first past date decides.
Documents documentState(const models::Supplier& s, const QDate& today) {
    bool expiring = false;
    for (const QString& text :
         {s.licenseExpireDate, s.businessLicenseExpireDate, s.gspCertExpireDate, s.taxRegExpireDate}) {
        if (text.isEmpty())
            continue;
        const QDate date = QDate::fromString(text, QStringLiteral("yyyy-MM-dd"));
        if (!date.isValid() || date < today)
            return Documents::Expired;
        if (date <= today.addDays(30))
            expiring = true;
    }
    return expiring ? Documents::Expiring : Documents::InForce;
}

// Sets the qualification cell's text and, for expired or expiring documents, its colours.
void showQualification(QStandardItem* item, const models::Supplier& s) {
    switch (documentState(s, Clock::today())) {
    case Documents::Expired:
        item->setText(QStringLiteral("已过期"));
        item->setForeground(QBrush(Qt::white));
        item->setBackground(QBrush(Qt::red));
        break;
    case Documents::Expiring:
        item->setText(QStringLiteral("即将到期"));
        item->setForeground(QBrush(Qt::white));
        item->setBackground(QBrush(Qt::darkYellow));
        break;
    case Documents::InForce:
        item->setText(s.qualificationStatus == QLatin1String("valid") ? QStringLiteral("有效")
                                                                      : s.qualificationStatus);
        break;
    }
}

const int qualificationColumn = 11;

} // namespace

SupplierManagerWindow::SupplierManagerWindow(QWidget* parent)
    : QMainWindow(parent), ui(new Ui::SupplierManagerWindow), m_model(new QStandardItemModel(this)) {
    ui->setupUi(this);
    placeOnParent(this, parent);
    setStyleSheet(listWindowStyleSheet(
        {QStringLiteral("btnSearch"), QStringLiteral("btnAdd"), QStringLiteral("btnImport")},
        {QStringLiteral("btnEdit"), QStringLiteral("btnDelete")}));

    m_model->setHorizontalHeaderLabels(
        {QStringLiteral("供应商名称"), QStringLiteral("许可证号"), QStringLiteral("营业执照号"),
         QStringLiteral("GSP证书"), QStringLiteral("税务登记证"), QStringLiteral("经营范围"),
         QStringLiteral("联系人"), QStringLiteral("联系电话"), QStringLiteral("许可证到期"),
         QStringLiteral("营业执照到期"), QStringLiteral("GSP到期"), QStringLiteral("资质状态"),
         QStringLiteral("状态")});
    ui->tableView->setModel(m_model);
    setupListTable(ui->tableView, true);
    setColumnWidths(ui->tableView, {190, 110, 175, 150, 175, 200, 60, 115, 90, 95, 90, 75, 50});

    connect(ui->btnSearch, &QPushButton::clicked, this, &SupplierManagerWindow::onSearch);
    connect(ui->editSearch, &QLineEdit::returnPressed, this, &SupplierManagerWindow::onSearch);
    connect(ui->btnAdd, &QPushButton::clicked, this, &SupplierManagerWindow::onAddSupplier);
    connect(ui->btnEdit, &QPushButton::clicked, this, &SupplierManagerWindow::onEditSupplier);
    connect(ui->btnDelete, &QPushButton::clicked, this, &SupplierManagerWindow::onDeleteSupplier);
    connect(ui->btnImport, &QPushButton::clicked, this, &SupplierManagerWindow::onImportSupplier);
    connect(ui->tableView, &QTableView::doubleClicked, this, &SupplierManagerWindow::onDoubleClicked);

    loadSuppliers(QString());
}

SupplierManagerWindow::~SupplierManagerWindow() {
    delete ui;
}

void SupplierManagerWindow::loadSuppliers(const QString& keyword) {
    clearRows(m_model);
    auto repo = supplierRepository();
    const auto suppliers = keyword.isEmpty() ? repo.findAll() : repo.searchByName(keyword);
    for (const models::Supplier& s : suppliers) {
        QList<QStandardItem*> row =
            readOnlyRow({s.name, s.licenseNo, s.businessLicenseNo, s.gspCertNo, s.taxRegNo,
                         s.businessScope.join(QStringLiteral("、")), s.contactName, s.contactPhone,
                         s.licenseExpireDate, s.businessLicenseExpireDate, s.gspCertExpireDate, QString(),
                         s.status == QLatin1String("active") ? QStringLiteral("正常") : s.status});
        row.first()->setData(s.id, Qt::UserRole);
        showQualification(row.at(qualificationColumn), s);
        m_model->appendRow(row);
    }
    ui->labelCount->setText(QStringLiteral("共 %1 条记录").arg(suppliers.size()));
}

QString SupplierManagerWindow::searchText() const {
    return ui->editSearch->text().trimmed();
}

void SupplierManagerWindow::onSearch() {
    loadSuppliers(searchText());
}

void SupplierManagerWindow::onAddSupplier() {
    SupplierDialog dialog(this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    const models::Supplier supplier = dialog.getSupplier();
    if (supplier.name.isEmpty()) {
        Prompts::warning(this, QStringLiteral("提示"), QStringLiteral("供应商名称不能为空"));
        return;
    }
    if (supplierRepository().insert(supplier) < 0) {
        Prompts::critical(this, QStringLiteral("错误"), QStringLiteral("新增供应商失败"));
        return;
    }
    loadSuppliers(QString());
    Prompts::information(this, QStringLiteral("成功"), QStringLiteral("供应商已添加"));
}

void SupplierManagerWindow::onEditSupplier() {
    const int row = ui->tableView->currentIndex().row();
    if (row < 0) {
        Prompts::information(this, QStringLiteral("提示"), QStringLiteral("请先选择要编辑的供应商"));
        return;
    }
    const models::Supplier stored = supplierRepository().findById(rowId(m_model, row));
    if (stored.id < 1) {
        Prompts::warning(this, QStringLiteral("错误"), QStringLiteral("未找到该供应商"));
        return;
    }
    SupplierDialog dialog(this);
    dialog.setSupplier(stored);
    if (dialog.exec() != QDialog::Accepted)
        return;
    models::Supplier supplier = dialog.getSupplier();
    if (supplier.name.isEmpty()) {
        Prompts::warning(this, QStringLiteral("提示"), QStringLiteral("供应商名称不能为空"));
        return;
    }
    supplier.id = stored.id;
    if (!supplierRepository().update(supplier)) {
        Prompts::critical(this, QStringLiteral("错误"), QStringLiteral("编辑供应商失败"));
        return;
    }
    loadSuppliers(searchText());
    Prompts::information(this, QStringLiteral("成功"), QStringLiteral("供应商已更新"));
}

void SupplierManagerWindow::onDeleteSupplier() {
    const int row = ui->tableView->currentIndex().row();
    if (row < 0) {
        Prompts::information(this, QStringLiteral("提示"), QStringLiteral("请先选择要删除的供应商"));
        return;
    }
    const QString name = m_model->index(row, 0).data().toString();
    if (!Prompts::question(this, QStringLiteral("确认删除"),
                           QStringLiteral("确定要删除供应商 \"%1\" 吗？").arg(name)))
        return;
    // Suppliers are suspended, never deleted: purchase records keep pointing at them.
    if (!supplierRepository().remove(rowId(m_model, row))) {
        Prompts::critical(this, QStringLiteral("错误"), QStringLiteral("删除供应商失败"));
        return;
    }
    loadSuppliers(searchText());
    Prompts::information(this, QStringLiteral("成功"), QStringLiteral("供应商已删除"));
}

void SupplierManagerWindow::onImportSupplier() {
    SupplierImportDialog dialog(this);
    dialog.exec();
    // Whatever happened inside, the list shows what is stored now.
    loadSuppliers(searchText());
}

void SupplierManagerWindow::onDoubleClicked(const QModelIndex& index) {
    Q_UNUSED(index)
    onEditSupplier();
}

} // namespace kestrovalin
