#include "ui/masterdata/productmanagerwindow.h"

#include "core/numbertext.h"
#include "core/rowreader.h"
#include "repositories/productrepository.h"
#include "ui/common/listframe.h"
#include "ui/common/placement.h"
#include "ui/common/styles.h"
#include "ui/import/productimportdialog.h"
#include "ui/masterdata/productdialog.h"
#include "ui/masterdata/registeractions.h"
#include "ui_productmanagerwindow.h"

namespace kestrovalin {

namespace {

using Actions = RegisterActions<repositories::ProductRepository, ProductDialog, models::Product>;

QString price(double value) {
    return fixedText(value, 2);
}

TableRow productRow(const models::Product& p) {
    return {p.id,
            {p.barcode, p.name, p.mnemonicCode, p.specification, p.approvalNo, p.manufacturer, p.category,
             p.storageCondition, p.isPrescription ? QStringLiteral("是") : QStringLiteral("否"), p.unit,
             price(p.purchasePrice), price(p.salePrice)}};
}

Actions registerActions(QWidget* window, ListFrame* list) {
    const RegisterTexts texts(QStringLiteral("商品"), QStringLiteral("药品名称不能为空"));
    // An edit never lists or unlists a drug.
    return Actions(window, list, texts, &ProductDialog::getProduct, &ProductDialog::setProduct, 1,
                   [](const models::Product& stored, models::Product& edited) {
                       edited.id = stored.id;
                       edited.status = stored.status;
                   });
}

} // namespace

ProductManagerWindow::ProductManagerWindow(QWidget* parent)
    : QMainWindow(parent), ui(new Ui::ProductManagerWindow) {
    ui->setupUi(this);
    setWindowTitle(QStringLiteral("商品管理"));
    placeOnParent(this, parent);
    setStyleSheet(listWindowStyleSheet({QStringLiteral("btnSearch"), QStringLiteral("btnAdd")},
                                       {QStringLiteral("btnEdit"), QStringLiteral("btnDelete")}));
    ui->btnImport->setStyleSheet(accentButtonStyleSheet());

    m_list =
        new ListFrame(this, ui->tableView,
                      {QStringLiteral("条码"), QStringLiteral("名称"), QStringLiteral("助记码"),
                       QStringLiteral("规格"), QStringLiteral("批准文号"), QStringLiteral("生产厂商"),
                       QStringLiteral("分类"), QStringLiteral("储存条件"), QStringLiteral("处方药"),
                       QStringLiteral("单位"), QStringLiteral("采购价"), QStringLiteral("销售价")},
                      {130, 170, 90, 110, 150, 180, 80, 80, 60, 50, 80, 80}, ListFrame::Hint::Information);
    m_list->setCountLabel(ui->labelCount);
    m_list->setSearch(ui->editSearch, [this](const QString& keyword) { loadProducts(keyword); });

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
    // Twenty thousand drugs and more: the list pages them.
    m_list->showQuery(repositories::ProductRepository::productList(keyword),
                      [](const Row& row) { return productRow(repositories::readProduct(row)); });
}

void ProductManagerWindow::onSearch() {
    m_list->search();
}

void ProductManagerWindow::onAddProduct() {
    registerActions(this, m_list).add();
}

void ProductManagerWindow::onEditProduct() {
    registerActions(this, m_list).edit();
}

void ProductManagerWindow::onDeleteProduct() {
    registerActions(this, m_list).remove();
}

void ProductManagerWindow::onImportProduct() {
    ProductImportDialog dialog(this);
    dialog.exec();
    // Whatever happened inside, the list shows what is stored now.
    m_list->search();
}

void ProductManagerWindow::onDoubleClicked(const QModelIndex& index) {
    Q_UNUSED(index)
    onEditProduct();
}

} // namespace kestrovalin
