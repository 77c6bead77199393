#include "ui/quality/qualificationwarningwindow.h"
#include "ui_qualificationwarningwindow.h"

#include "core/clock.h"
#include "core/databasemanager.h"
#include "repositories/supplierrepository.h"
#include "ui/common/listfollower.h"
#include "ui/common/listreread.h"
#include "ui/common/placement.h"
#include "ui/common/readtrouble.h"
#include "ui/common/rowtablemodel.h"
#include "ui/common/styles.h"
#include "ui/common/tablefill.h"

namespace kestrovalin {

namespace {

using models::Supplier;
using repositories::SupplierRepository;

constexpr int kFirstDateColumn = 2;
constexpr int kStatusColumn = 6;

// A stored date with how far off it is: passed, or the days left within the warning window; as stored when
// it is further off, empty or not a date.
QString dateCell(const QString& stored, const QDate& today) {
    const std::optional<qint64> days = SupplierRepository::daysUntil(stored, today);
    if (!days || *days > SupplierRepository::kExpiringWithinDays)
        return stored;
    if (*days < 0)
        return stored + QStringLiteral(" (已过期)");
    return stored + QStringLiteral(" (%1天后到期)").arg(*days);
}

// The colours follow the supplier, not the cell: a date still far off takes the colour of the others.
TableRow warningRow(const Supplier& supplier, const SupplierRepository::Standing& standing,
                    const QDate& today) {
    const std::array<QString, 4> stored = SupplierRepository::expiryDates(supplier);
    QStringList cells{supplier.name, supplier.licenseNo};
    for (const QString& date : stored)
        cells << dateCell(date, today);
    cells << (standing.expired ? QStringLiteral("已过期") : QStringLiteral("即将到期"));
    TableRow row(supplier.id, cells);
    const QColor colour = standing.expired ? QColor(Qt::red) : QColor(Qt::darkYellow);
    for (int i = 0; i < int(stored.size()); ++i) {
        if (!stored.at(i).isEmpty())
            row.mark(kFirstDateColumn + i, colour, QColor());
    }
    row.mark(kStatusColumn, colour, QColor());
    return row;
}

} // namespace

QualificationWarningWindow::QualificationWarningWindow(QWidget* parent)
    : QMainWindow(parent), ui(new Ui_QualificationWarningWindow) {
    ui->setupUi(this);
    setWindowTitle(QStringLiteral("供应商资质到期预警"));
    setStyleSheet(reportWindowStyleSheet(QStringLiteral("btnSearch"), QStringLiteral("QTableView")));
    packFiltersLeft(ui->gridLayout);
    placeOnParent(this, parent);

    m_model = new RowTableModel({QStringLiteral("供应商名称"), QStringLiteral("许可证号"),
                                 QStringLiteral("许可证到期"), QStringLiteral("营业执照到期"),
                                 QStringLiteral("GSP证书到期"), QStringLiteral("税务登记证到期"),
                                 QStringLiteral("资质状态")},
                                this);
    ui->tableWidget->setModel(m_model);
    followList(ui->tableWidget, m_model);
    m_reread = new ListReread(ui->tableWidget);
    setupPlainTable(ui->tableWidget);
    fitColumnsToFirstRows(ui->tableWidget);

    refreshData(QString());
}

QualificationWarningWindow::~QualificationWarningWindow() {
    delete ui;
}

void QualificationWarningWindow::onSearch() {
    refreshData(ui->txtSupplierName->text().trimmed());
}

void QualificationWarningWindow::refreshData(const QString& keyword) {
    m_reread->setReload([this, keyword] { refreshData(keyword); });
    const bool read = m_model->setRowsRead([&keyword] {
        const QDate today = Clock::today();
        return SupplierRepository(DatabaseManager::instance().getAdapter())
            .standingRows(
                keyword, today,
                [](const SupplierRepository::Standing& standing) {
                    return standing.expired || standing.expiring;
                },
                [&today](const Supplier& supplier, const SupplierRepository::Standing& standing) {
                    return warningRow(supplier, standing, today);
                });
    });
    if (read)
        fitColumnsToFirstRows(ui->tableWidget);
    showListLine(ui->labelTotal, *m_model, QStringLiteral("共 %1 条预警记录").arg(m_model->rowCount()));
}

} // namespace kestrovalin
