#include "ui/common/pickerframe.h"

#include "ui/common/tablefill.h"

#include <QDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStandardItemModel>
#include <QTableView>
#include <QVBoxLayout>

namespace kestrovalin {

namespace {

QPushButton* plainButton(const QString& text, const QString& objectName, QWidget* parent) {
    auto* button = new QPushButton(text, parent);
    button->setObjectName(objectName);
    button->setAutoDefault(false);
    button->setDefault(false);
    return button;
}

} // namespace

PickerFrame buildPickerFrame(QDialog* dialog, const QStringList& headers) {
    PickerFrame f;
    f.editSearch = new QLineEdit(dialog);
    f.editSearch->setObjectName(QStringLiteral("editSearch"));
    f.btnSearch = plainButton(QStringLiteral("搜索"), QStringLiteral("btnSearch"), dialog);
    f.tableView = new QTableView(dialog);
    f.tableView->setObjectName(QStringLiteral("tableView"));
    f.model = new QStandardItemModel(0, headers.size(), dialog);
    f.model->setHorizontalHeaderLabels(headers);
    f.btnOk = plainButton(QStringLiteral("确定"), QStringLiteral("btnOk"), dialog);
    f.btnCancel = plainButton(QStringLiteral("取消"), QStringLiteral("btnCancel"), dialog);

    auto* searchRow = new QHBoxLayout;
    searchRow->addWidget(new QLabel(QStringLiteral("搜索："), dialog));
    searchRow->addWidget(f.editSearch);
    searchRow->addWidget(f.btnSearch);

    auto* buttonRow = new QHBoxLayout;
    buttonRow->addStretch();
    buttonRow->addWidget(f.btnOk);
    buttonRow->addWidget(f.btnCancel);

    auto* layout = new QVBoxLayout(dialog);
    layout->addLayout(searchRow);
    layout->addWidget(f.tableView);
    layout->addLayout(buttonRow);

    f.tableView->setModel(f.model);
    setupListTable(f.tableView, true);

    QObject::connect(f.btnCancel, &QPushButton::clicked, dialog, &QDialog::reject);
    return f;
}

} // namespace kestrovalin
