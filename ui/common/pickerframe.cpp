#include "ui/common/pickerframe.h"

#include "ui/common/buttonbox.h"
#include "ui/common/prompts.h"
#include "ui/common/tablefill.h"

#include <QDialog>
#include <QHBoxLayout>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

namespace kestrovalin {

namespace {

QPushButton* newButton(const QString& text, const QString& objectName, QWidget* parent) {
    auto* button = new QPushButton(text, parent);
    button->setObjectName(objectName);
    return button;
}

// A dialog makes its first auto-default button the default one, which Return in the search field would
// press; pickers press nothing on Return.
void neverDefault(QPushButton* button) {
    if (!button)
        return;
    button->setAutoDefault(false);
    button->setDefault(false);
}

} // namespace

PickerSpec documentPickerSpec(const QString& title, const QStringList& columns, const QString& searchLabel,
                              const QString& noChoiceHint) {
    PickerSpec spec;
    spec.title = title;
    spec.size = QSize(700, 450);
    spec.columns = columns;
    spec.searchLabel = searchLabel;
    spec.alternatingRows = false;
    spec.choiceFrom = PickerSpec::ChoiceFrom::CurrentRow;
    spec.noChoiceHint = noChoiceHint;
    return spec;
}

PickerFrame::PickerFrame(QDialog* dialog, const PickerSpec& spec, Loader loader, PickerWidgets widgets)
    : QObject(dialog), m_dialog(dialog), m_spec(spec), m_loader(std::move(loader)), m_widgets(widgets),
      m_model(new RowTableModel(spec.columns, dialog)) {
    dialog->setWindowTitle(spec.title);
    if (spec.fixedSize)
        dialog->setFixedSize(spec.size);
    else if (spec.size.isValid())
        dialog->resize(spec.size);
    if (!m_widgets.table)
        build(dialog);
    if (!spec.placeholder.isEmpty())
        m_widgets.search->setPlaceholderText(spec.placeholder);

    QTableView* table = m_widgets.table;
    table->setModel(m_model);
    setupListTable(table, spec.singleSelection);
    table->setAlternatingRowColors(spec.alternatingRows);
    setColumnWidths(table, spec.widths);

    for (QPushButton* button : {m_widgets.searchButton, m_widgets.ok, m_widgets.cancel})
        neverDefault(button);
    // Pickers open from forms inside list windows, whose button rules would otherwise reach them: the
    // window's primary look for a button that happens to share its name ("btnSearch"), flat for the others.
    frameButtons(dialog);
    if (spec.liveSearch) {
        connect(m_widgets.search, &QLineEdit::textChanged, this, &PickerFrame::load);
    } else {
        connect(m_widgets.search, &QLineEdit::returnPressed, this, &PickerFrame::searchTyped);
        if (m_widgets.searchButton)
            connect(m_widgets.searchButton, &QPushButton::clicked, this, &PickerFrame::searchTyped);
    }
    connect(table, &QTableView::doubleClicked, this,
            [this](const QModelIndex& index) { choose(index.row()); });
    connect(m_widgets.ok, &QPushButton::clicked, this, &PickerFrame::confirm);
    connect(m_widgets.cancel, &QPushButton::clicked, dialog, &QDialog::reject);
    load(QString());
}

void PickerFrame::build(QDialog* dialog) {
    m_widgets.search = new QLineEdit(dialog);
    m_widgets.search->setObjectName(QStringLiteral("editSearch"));
    if (!m_spec.liveSearch)
        m_widgets.searchButton = newButton(QStringLiteral("搜索"), QStringLiteral("btnSearch"), dialog);
    m_widgets.table = new QTableView(dialog);
    m_widgets.table->setObjectName(QStringLiteral("tableView"));
    m_widgets.ok = newButton(QStringLiteral("确定"), QStringLiteral("btnOk"), dialog);
    m_widgets.cancel = newButton(QStringLiteral("取消"), QStringLiteral("btnCancel"), dialog);

    m_searchRow = new QHBoxLayout;
    if (!m_spec.searchLabel.isEmpty())
        m_searchRow->addWidget(new QLabel(m_spec.searchLabel, dialog));
    m_searchRow->addWidget(m_widgets.search);
    if (m_widgets.searchButton)
        m_searchRow->addWidget(m_widgets.searchButton);

    auto* buttonRow = new QHBoxLayout;
    buttonRow->addStretch();
    buttonRow->addWidget(m_widgets.ok);
    buttonRow->addWidget(m_widgets.cancel);

    auto* layout = new QVBoxLayout(dialog);
    layout->addLayout(m_searchRow);
    layout->addWidget(m_widgets.table);
    layout->addLayout(buttonRow);
}

void PickerFrame::load(const QString& keyword) {
    m_chosenId = -1;
    m_chosenRow = -1;
    m_model->setRows(m_loader(keyword));
}

void PickerFrame::searchTyped() {
    load(m_widgets.search->text().trimmed());
}

void PickerFrame::choose(int row) {
    m_chosenRow = row;
    m_chosenId = m_model->id(row);
    m_dialog->accept();
}

void PickerFrame::confirm() {
    int row = -1;
    if (m_spec.choiceFrom == PickerSpec::ChoiceFrom::CurrentRow) {
        row = m_widgets.table->currentIndex().row();
    } else {
        const QModelIndexList selected = m_widgets.table->selectionModel()->selectedRows();
        if (!selected.isEmpty())
            row = selected.first().row();
    }
    if (row >= 0) {
        choose(row);
        return;
    }
    if (!m_spec.noChoiceHint.isEmpty()) {
        Prompts::warning(m_dialog, QStringLiteral("提示"), m_spec.noChoiceHint);
        return;
    }
    m_dialog->accept();
}

} // namespace kestrovalin
