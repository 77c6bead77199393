#include "ui/masterdata/productmanagerwindow.h"

#include "core/databasemanager.h"
#include "repositories/productrepository.h"
#include "ui/common/listmodel.h"
#include "ui/common/placement.h"
#include "ui/common/prompts.h"
#include "ui/common/styles.h"
#include "ui/common/tablefill.h"
#include "ui/import/productimportdialog.h"
#include "ui/masterdata/productdialog.h"
#include "ui_productmanagerwindow.h"

#include <QStandardItemModel>

namespace kestrovalin {

namespace {

repositories::ProductRepository productRepository() {
    return repositories::ProductRepository(DatabaseManager::instance().getAdapter());
}

QString price(double value) {
    return QString::number(value, 'f', 2);
}

} // namespace

ProductManagerWindow::ProductManagerWindow(QWidget* parent)
    : QMainWindow(parent), ui(new Ui::ProductManagerWindow), m_model(new QStandardItemModel(this)) {
    ui->setupUi(this);
    setWindowTitle(QStringLiteral("商品管理"));
    placeOnParent(this, parent);
    setStyleSheet(listWindowStyleSheet({QStringLiteral("btnSearch"), QStringLiteral("btnAdd")},
                                       {QStringLiteral("btnEdit"), QStringLiteral("btnDelete")}));

    m_model->setHorizontalHeaderLabels(
        {QStringLiteral("条码"), QStringLiteral("名称"), QStringLiteral("助记码"), QStringLiteral("规格"),
         QStringLiteral("批准文号"), QStringLiteral("生产厂商"), QStringLiteral("分类"),
         QStringLiteral("储存条件"), QStringLiteral("处方药"), QStringLiteral("单位"),
         QStringLiteral("采购价"), QStringLiteral("销售价")});
    ui->tableView->setModel(m_model);
    setupListTable(ui->tableView, true);
    setColumnWidths(ui->tableView, {130, 170, 90, 110, 150, 180, 80, 80, 60, 50, 80, 80});

    connect(ui->btnSearch, &QPushButton::clicked, this, &ProductManagerWindow::onSearch);
    connect(ui->editSearch, &QLineEdit::returnPressed, this, &ProductManagerWindow::onSearch);
    connect(ui->btnAdd, &QPushButton::clicked, this, &ProductManagerWindow::onAddProduct);
    connect(ui->btnEdit, &QPushButton::clicked, this, &ProductManagerWindow::onEditProduct);
    connect(ui->btnDelete, &QPushButton::clicked, this, &ProductManagerWindow::onDeleteProduct);
    connect(ui->btnImport, &QPushButton::clicked, this, &ProductManagerWindow::onImportProduct);
    connect(ui->tableView, &QTableView::doubleClicked, this, &ProductManagerWindow::onDoubleClicked);

    loadProducts(QString());
}

ProductManagerWindow::~ProductManagerWindow() {
    delete ui;
}

void ProductManagerWindow::loadProducts(const QString& keyword) {
    clearRows(m_model);
    auto repo = productRepository();
    const auto products = keyword.isEmpty() ? repo.findAll() : repo.search(keyword);
    for (const models::Product& p : products) {
        QList<QStandardItem*> row = readOnlyRow(
            {p.barcode, p.name, p.mnemonicCode, p.specification, p.approvalNo, p.manufacturer, p.category,
             p.storageCondition, p.isPrescription ? QStringLiteral("是") : QStringLiteral("否"), p.unit,
             price(p.purchasePrice), price(p.salePrice)});
        row.first()->setData(p.id, Qt::UserRole);
        m_model->appendRow(row);
    }
    ui->labelCount->setText(QStringLiteral("共 %1 条记录").arg(products.size()));
}

QString ProductManagerWindow::searchText() const {
    return ui->editSearch->text().trimmed();
}

void ProductManagerWindow::onSearch() {
    loadProducts(searchText());
}

void ProductManagerWindow::onAddProduct() {
    ProductDialog dialog(this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    const models::Product product = dialog.getProduct();
    if (!product.isValid()) {
        Prompts::warning(this, QStringLiteral("提示"), QStringLiteral("药品名称不能为空"));
        return;
    }
    if (productRepository().insert(product) < 0) {
        Prompts::critical(this, QStringLiteral("错误"), QStringLiteral("新增商品失败"));
        return;
    }
    loadProducts(QString());
    Prompts::information(this, QStringLiteral("成功"), QStringLiteral("商品已添加"));
}

void ProductManagerWindow::onEditProduct() {
    const int row = ui->tableView->currentIndex().row();
    if (row < 0) {
        Prompts::information(this, QStringLiteral("提示"), QStringLiteral("请先选择要编辑的商品"));
        return;
    }
    const models::Product stored = productRepository().findById(rowId(m_model, row));
    if (stored.id <= 0) {
        Prompts::warning(this, QStringLiteral("错误"), QStringLiteral("未找到该商品"));
        return;
    }
    ProductDialog dialog(this);
    dialog.setProduct(stored);
    if (dialog.exec() != QDialog::Accepted)
        return;
    models::Product product = dialog.getProduct();
    if (!product.isValid()) {
        Prompts::warning(this, QStringLiteral("提示"), QStringLiteral("药品名称不能为空"));
        return;
    }
    // An edit never lists or unlists a drug.
    product.id = stored.id;
    product.status = stored.status;
    if (!productRepository().update(product)) {
        Prompts::critical(this, QStringLiteral("错误"), QStringLiteral("编辑商品失败"));
        return;
    }
    loadProducts(searchText());
    Prompts::information(this, QStringLiteral("成功"), QStringLiteral("商品已更新"));
}

void ProductManagerWindow::onDeleteProduct() {
    const int row = ui->tableView->currentIndex().row();
    if (row < 0) {
        Prompts::information(this, QStringLiteral("提示"), QStringLiteral("请先选择要删除的商品"));
        return;
    }
    const QString name = m_model->index(row, 1).data().toString();
    if (!Prompts::question(this, QStringLiteral("确认删除"),
                           QStringLiteral("确定要删除商品 \"%1\" 吗？").arg(name)))
        return;
    if (!productRepository().remove(rowId(m_model, row))) {
        Prompts::critical(this, QStringLiteral("错误"), QStringLiteral("删除商品失败"));
        return;
    }
    loadProducts(searchText());
    Prompts::information(this, QStringLiteral("成功"), QStringLiteral("商品已删除"));
}

void ProductManagerWindow::onImportProduct() {
    ProductImportDialog dialog(this);
    dialog.exec();
    // Whatever happened inside, the list shows what is stored now.
    loadProducts(searchText());
}

void ProductManagerWindow::onDoubleClicked(const QModelIndex& index) {
    Q_UNUSED(index)
    onEditProduct();
}

} // namespace kestrovalin
