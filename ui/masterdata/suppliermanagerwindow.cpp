#include "ui/masterdata/suppliermanagerwindow.h"

#include "core/clock.h"
#include "repositories/supplierrepository.h"
#include "ui/common/listframe.h"
#include "ui/common/placement.h"
#include "ui/common/styles.h"
#include "ui/import/supplierimportdialog.h"
#include "ui/masterdata/registeractions.h"
#include "ui/masterdata/supplierdialog.h"
#include "ui_suppliermanagerwindow.h"

namespace kestrovalin {

namespace {

using Actions = RegisterActions<repositories::SupplierRepository, SupplierDialog, models::Supplier>;

enum class Documents { Expired, Expiring, InForce };

// A stored date "yyyy-MM-dd" read without a format string, which costs more than the rest of a row; anything
// else is an invalid date.
QDate storedDate(const QString& text) {
    if (text.size() != 10 || text.at(4) != QLatin1Char('-') || text.at(7) != QLatin1Char('-'))
        return QDate();
    int parts[3] = {0, 0, 0};
    int part = 0;
    for (int i = 0; i < 10; ++i) {
        if (i == 4 || i == 7) {
            ++part;
            continue;
        }
        const QChar ch = text.at(i);
        if (ch < QLatin1Char('0') || ch > QLatin1Char('9'))
            return QDate();
        parts[part] = parts[part] * 10 + (ch.unicode() - '0');
    }
    return QDate(parts[0], parts[1], parts[2]);
}

// Judges the four expiry dates against today. A date that does not parse counts as past; an empty one is
// skipped. The first past date decides.
Documents documentState(const models::Supplier& s, const QDate& today) {
    const QDate soon = today.addDays(30);
    bool expiring = false;
    for (const QString* text :
         {&s.licenseExpireDate, &s.businessLicenseExpireDate, &s.gspCertExpireDate, &s.taxRegExpireDate}) {
        if (text->isEmpty())
            continue;
        const QDate date = storedDate(*text);
        if (!date.isValid() || date < today)
            return Documents::Expired;
        if (date <= soon)
            expiring = true;
    }
    return expiring ? Documents::Expiring : Documents::InForce;
}

const int qualificationColumn = 11;

// Expired or expiring documents colour the qualification cell only.
TableRow supplierRow(const models::Supplier& s, const QDate& today) {
    TableRow row(s.id, {s.name, s.licenseNo, s.businessLicenseNo, s.gspCertNo, s.taxRegNo,
                        s.businessScope.join(QStringLiteral("、")), s.contactName, s.contactPhone,
                        s.licenseExpireDate, s.businessLicenseExpireDate, s.gspCertExpireDate, QString(),
                        s.status == QLatin1String("active") ? QStringLiteral("正常") : s.status});
    QString& label = row.cells[qualificationColumn];
    switch (documentState(s, today)) {
    case Documents::Expired:
        label = QStringLiteral("已过期");
        row.mark(qualificationColumn, Qt::white, Qt::red);
        break;
    case Documents::Expiring:
        label = QStringLiteral("即将到期");
        row.mark(qualificationColumn, Qt::white, Qt::darkYellow);
        break;
    case Documents::InForce:
        label =
            s.qualificationStatus == QLatin1String("valid") ? QStringLiteral("有效") : s.qualificationStatus;
        break;
    }
    return row;
}

Actions registerActions(QWidget* window, ListFrame* list) {
    const RegisterTexts texts(QStringLiteral("供应商"), QStringLiteral("供应商名称不能为空"));
    // Suppliers are suspended, never deleted: purchase records keep pointing at them.
    return Actions(window, list, texts, &SupplierDialog::getSupplier, &SupplierDialog::setSupplier, 0,
                   [](const models::Supplier& stored, models::Supplier& edited) { edited.id = stored.id; });
}

} // namespace

SupplierManagerWindow::SupplierManagerWindow(QWidget* parent)
    : QMainWindow(parent), ui(new Ui::SupplierManagerWindow) {
    ui->setupUi(this);
    placeOnParent(this, parent);
    setStyleSheet(listWindowStyleSheet(
        {QStringLiteral("btnSearch"), QStringLiteral("btnAdd"), QStringLiteral("btnImport")},
        {QStringLiteral("btnEdit"), QStringLiteral("btnDelete")}));

    m_list = new ListFrame(
        this, ui->tableView,
        {QStringLiteral("供应商名称"), QStringLiteral("许可证号"), QStringLiteral("营业执照号"),
         QStringLiteral("GSP证书"), QStringLiteral("税务登记证"), QStringLiteral("经营范围"),
         QStringLiteral("联系人"), QStringLiteral("联系电话"), QStringLiteral("许可证到期"),
         QStringLiteral("营业执照到期"), QStringLiteral("GSP到期"), QStringLiteral("资质状态"),
         QStringLiteral("状态")},
        {190, 110, 175, 150, 175, 200, 60, 115, 90, 95, 90, 75, 50}, ListFrame::Hint::Information);
    m_list->setCountLabel(ui->labelCount);
    m_list->setSearch(ui->editSearch, [this](const QString& keyword) { loadSuppliers(keyword); });

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
    m_list->showRows([&keyword] {
        repositories::SupplierRepository repo(DatabaseManager::instance().getAdapter());
        // The labels are judged against one day for the whole list; rows straight from the statement.
        const QDate today = Clock::today();
        QVector<TableRow> rows;
        const auto add = [&rows, &today](const models::Supplier& s) {
            rows.append(supplierRow(s, today));
        };
        keyword.isEmpty() ? repo.findAll(add) : repo.searchByName(keyword, add);
        return rows;
    });
}

void SupplierManagerWindow::onSearch() {
    m_list->search();
}

void SupplierManagerWindow::onAddSupplier() {
    registerActions(this, m_list).add();
}

void SupplierManagerWindow::onEditSupplier() {
    registerActions(this, m_list).edit();
}

void SupplierManagerWindow::onDeleteSupplier() {
    registerActions(this, m_list).remove();
}

void SupplierManagerWindow::onImportSupplier() {
    SupplierImportDialog dialog(this);
    dialog.exec();
    // Whatever happened inside, the list shows what is stored now.
    m_list->search();
}

void SupplierManagerWindow::onDoubleClicked(const QModelIndex& index) {
    Q_UNUSED(index)
    onEditSupplier();
}

} // namespace kestrovalin
