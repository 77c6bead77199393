#include "ui/reports/supplierreportwindow.h"
#include "ui_supplierreportwindow.h"

#include "core/clock.h"
#include "core/databasemanager.h"
#include "repositories/supplierrepository.h"

namespace kestrovalin {

namespace {

using models::Supplier;
using repositories::SupplierRepository;

constexpr int kLicenceDateColumn = 5;
constexpr int kBusinessLicenceDateColumn = 6;
constexpr int kStatusColumn = 10;

ReportSetup setup() {
    ReportSetup s;
    s.title = QStringLiteral("供应商资质一览表");
    s.exportCaption = QStringLiteral("导出供应商资质一览表");
    s.columns = QStringList{QStringLiteral("供应商名称"),   QStringLiteral("许可证号"),
                            QStringLiteral("营业执照号"),   QStringLiteral("经营范围"),
                            QStringLiteral("许可证到期日"), QStringLiteral("营业执照到期日"),
                            QStringLiteral("GSP证书号"),    QStringLiteral("GSP证书有效期至"),
                            QStringLiteral("税务登记号"),   QStringLiteral("资质状态")};
    s.centredColumns = {kLicenceDateColumn, kBusinessLicenceDateColumn, kStatusColumn};
    s.log = &OperLogHelper::logSupplier;
    return s;
}

// Whether a supplier belongs under the chosen status; the same test fills the status column, so a row never
// contradicts the choice it is listed under. A supplier with one passed and one expiring date is both.
bool matchesChoice(const SupplierRepository::Standing& standing, const QString& choice) {
    if (choice == QLatin1String("expiring"))
        return standing.expiring;
    if (choice == QLatin1String("expired"))
        return standing.expired;
    if (choice == QLatin1String("valid"))
        return !standing.expired && !standing.expiring;
    return true;
}

void markDate(TableRow& row, int column, const QString& stored, const QDate& today) {
    const std::optional<qint64> days = SupplierRepository::daysUntil(stored, today);
    if (!days || *days > SupplierRepository::kExpiringWithinDays)
        return;
    row.mark(column, Qt::white, *days < 0 ? Qt::darkRed : Qt::darkYellow);
}

TableRow supplierRow(const Supplier& s, const SupplierRepository::Standing& standing, const QDate& today) {
    QString status = s.qualificationStatus;
    QColor statusColour;
    if (standing.expired) {
        status = QStringLiteral("已过期");
        statusColour = QColor(0xFF, 0x00, 0x00);
    } else if (standing.expiring) {
        status = QStringLiteral("即将到期");
        statusColour = QColor(0xFF, 0x8C, 0x00);
    } else if (status == QLatin1String("valid")) {
        status = QStringLiteral("有效");
        statusColour = QColor(0x00, 0x99, 0x00);
    }
    TableRow row(s.id, {s.name, s.licenseNo, s.businessLicenseNo, s.businessScope.join(QStringLiteral("、")),
                        s.licenseExpireDate, s.businessLicenseExpireDate, s.gspCertNo, s.gspCertExpireDate,
                        s.taxRegNo, status});
    markDate(row, kLicenceDateColumn, s.licenseExpireDate, today);
    markDate(row, kBusinessLicenceDateColumn, s.businessLicenseExpireDate, today);
    row.mark(kStatusColumn, statusColour, QColor());
    return row;
}

} // namespace

SupplierReportWindow::SupplierReportWindow(QWidget* parent)
    : ReportWindow(parent), ui(new Ui_SupplierReportWindow) {
    ui->setupUi(this);
    ui->comboStatus->addItem(QStringLiteral("全部"), QStringLiteral("all"));
    ui->comboStatus->addItem(QStringLiteral("资质有效"), QStringLiteral("valid"));
    ui->comboStatus->addItem(QStringLiteral("即将到期"), QStringLiteral("expiring"));
    ui->comboStatus->addItem(QStringLiteral("已过期"), QStringLiteral("expired"));
    // Connected after filling, so filling the combo runs nothing; every later change re-runs the report.
    connect(ui->comboStatus, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            &SupplierReportWindow::onQueryClicked);
    attachFrame(setup());
}

SupplierReportWindow::~SupplierReportWindow() {
    delete ui;
}

// Every choice filters the same base list (all listed suppliers, or those whose name contains the keyword)
// with the local date, so the four choices agree with each other and with the status column.
void SupplierReportWindow::loadReport() {
    const QString choice = ui->comboStatus->currentData().toString();
    const QString keyword = ui->editSupplier->text().trimmed();
    frame()->showRows([&] {
        const QDate today = Clock::today();
        return SupplierRepository(DatabaseManager::instance().getAdapter())
            .standingRows(
                keyword, today,
                [&choice](const SupplierRepository::Standing& standing) {
                    return matchesChoice(standing, choice);
                },
                [&today](const Supplier& supplier, const SupplierRepository::Standing& standing) {
                    return supplierRow(supplier, standing, today);
                });
    });
}

} // namespace kestrovalin
