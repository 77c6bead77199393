#include "ui/common/pickerframe.h"

#include "ui/common/buttonbox.h"
#include "ui/common/listfollower.h"
#include "ui/common/listreread.h"
#include "ui/common/prompts.h"
#include "ui/common/readtrouble.h"
#include "ui/common/styles.h"
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

} // namespace

PickerSetup documentPickerSetup(const QString& title, const QStringList& columns, const QString& searchLabel,
                                const QString& noChoiceHint) {
    PickerSetup setup;
    setup.title = title;
    setup.size = QSize(700, 450);
    setup.columns = columns;
    setup.searchLabel = searchLabel;
    setup.alternatingRows = false;
    setup.choiceFrom = PickerSetup::ChoiceFrom::CurrentRow;
    setup.noChoiceHint = noChoiceHint;
    return setup;
}

PickerFrame::PickerFrame(QDialog* dialog, const PickerSetup& setup, Loader loader, PickerWidgets widgets)
    : QObject(dialog), m_dialog(dialog), m_setup(setup), m_loader(std::move(loader)), m_widgets(widgets),
      m_model(new RowTableModel(setup.columns, dialog)) {
    setUp(dialog);
}

PickerFrame::PickerFrame(QDialog* dialog, const PickerSetup& setup, SourceLoader loader,
                         PickerWidgets widgets)
    : QObject(dialog), m_dialog(dialog), m_setup(setup), m_sourceLoader(std::move(loader)),
      m_widgets(widgets), m_model(new RowTableModel(setup.columns, dialog)) {
    setUp(dialog);
}

void PickerFrame::setUp(QDialog* dialog) {
    const PickerSetup& setup = m_setup;
    dialog->setWindowTitle(setup.title);
    if (setup.fixedSize)
        dialog->setFixedSize(setup.size);
    else if (setup.size.isValid())
        dialog->resize(setup.size);
    if (!m_widgets.table)
        build(dialog);
    if (!setup.placeholder.isEmpty())
        m_widgets.search->setPlaceholderText(setup.placeholder);

    QTableView* table = m_widgets.table;
    table->setModel(m_model);
    followList(table, m_model);
    m_reread = new ListReread(table);
    m_reread->setReload([this] { load(m_keyword); });
    setupListTable(table, setup.singleSelection);
    table->setAlternatingRowColors(setup.alternatingRows);
    setColumnWidths(table, setup.widths);

    // Return in the search field searches (or does nothing) and never presses a button.
    for (QPushButton* button : {m_widgets.searchButton, m_widgets.ok, m_widgets.cancel})
        neverDefault(button);
    // Pickers open from forms inside list windows, whose button rules would otherwise reach them: the
    // window's primary look for a button that happens to share its name ("btnSearch"), flat for the others.
    frameButtons(dialog);
    if (setup.liveSearch) {
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
    connect(m_model, &RowTableModel::readFailed, this, &PickerFrame::showTrouble);
    connect(m_model, &RowTableModel::counted, this, &PickerFrame::showTrouble);
    load(QString());
}

void PickerFrame::build(QDialog* dialog) {
    m_widgets.search = new QLineEdit(dialog);
    m_widgets.search->setObjectName(QStringLiteral("editSearch"));
    if (!m_setup.liveSearch)
        m_widgets.searchButton = newButton(QStringLiteral("搜索"), QStringLiteral("btnSearch"), dialog);
    m_widgets.table = new QTableView(dialog);
    m_widgets.table->setObjectName(QStringLiteral("tableView"));
    m_widgets.ok = newButton(QStringLiteral("确定"), QStringLiteral("btnOk"), dialog);
    m_widgets.cancel = newButton(QStringLiteral("取消"), QStringLiteral("btnCancel"), dialog);

    auto* searchRow = new QHBoxLayout;
    if (!m_setup.searchLabel.isEmpty())
        searchRow->addWidget(new QLabel(m_setup.searchLabel, dialog));
    searchRow->addWidget(m_widgets.search);
    if (m_widgets.searchButton)
        searchRow->addWidget(m_widgets.searchButton);

    auto* buttonRow = new QHBoxLayout;
    buttonRow->addStretch();
    buttonRow->addWidget(m_widgets.ok);
    buttonRow->addWidget(m_widgets.cancel);

    auto* layout = new QVBoxLayout(dialog);
    layout->addLayout(searchRow);
    layout->addWidget(m_widgets.table);
    layout->addLayout(buttonRow);
}

void PickerFrame::load(const QString& keyword) {
    m_chosenId = -1;
    m_chosenRow = -1;
    m_chosenRecord.clear();
    m_keyword = keyword;
    if (m_sourceLoader) {
        const RowSource source = m_sourceLoader(keyword);
        m_model->setQuery(source.query, source.build);
    } else {
        // The rows shown stay when they cannot be read; the line under them says why.
        m_model->setRowsRead([&] { return m_loader(keyword); });
    }
    showTrouble();
}

void PickerFrame::showTrouble() {
    const bool trouble = m_model->readFailure().has_value();
    if (!m_trouble && !trouble)
        return;
    if (!m_trouble) {
        // Under the list, made at the first read that fails.
        m_trouble = new QLabel(m_dialog);
        m_trouble->setObjectName(QStringLiteral("labelReadTrouble"));
        m_trouble->setWordWrap(true);
        if (auto* layout = qobject_cast<QBoxLayout*>(m_dialog->layout())) {
            const int after = layout->indexOf(m_widgets.table);
            layout->insertWidget(after >= 0 ? after + 1 : layout->count(), m_trouble);
        }
    }
    showListLine(m_trouble, *m_model, QString());
    m_trouble->setVisible(trouble);
}

void PickerFrame::searchTyped() {
    load(m_widgets.search->text().trimmed());
}

void PickerFrame::choose(int row) {
    // A row that could not be read is no choice: the picker stays open.
    if (refusedUnreadRow(m_dialog, m_model, row))
        return;
    m_chosenRow = row;
    m_chosenId = m_model->id(row);
    m_chosenRecord = m_model->record(row);
    m_dialog->accept();
}

void PickerFrame::confirm() {
    int row = -1;
    if (m_setup.choiceFrom == PickerSetup::ChoiceFrom::CurrentRow) {
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
    if (!m_setup.noChoiceHint.isEmpty()) {
        Prompts::warning(m_dialog, QStringLiteral("提示"), m_setup.noChoiceHint);
        return;
    }
    m_dialog->accept();
}

} // namespace kestrovalin
