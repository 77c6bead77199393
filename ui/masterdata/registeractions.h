#pragma once

#include "core/databasemanager.h"
#include "ui/common/formdialog.h"
#include "ui/common/listframe.h"
#include "ui/common/prompts.h"
#include "ui/common/readtrouble.h"

#include <QWidget>
#include <functional>

namespace kestrovalin {

// The texts of a register window's add, edit and delete steps, which differ only by the record's kind
// ("商品": "请先选择要编辑的商品", "未找到该商品", "未能读取商品", "新增商品失败", ...) and the empty-name
// hint.
struct RegisterTexts {
    RegisterTexts(const QString& kind, const QString& emptyNameHint)
        : what(kind), emptyName(emptyNameHint), chooseToEdit(QStringLiteral("请先选择要编辑的") + kind),
          notFound(QStringLiteral("未找到该") + kind), unreadable(QStringLiteral("未能读取") + kind),
          chooseToDelete(QStringLiteral("请先选择要删除的") + kind),
          addFailed(QStringLiteral("新增%1失败").arg(kind)), added(kind + QStringLiteral("已添加")),
          editFailed(QStringLiteral("编辑%1失败").arg(kind)), updated(kind + QStringLiteral("已更新")),
          deleteFailed(QStringLiteral("删除%1失败").arg(kind)), deleted(kind + QStringLiteral("已删除")) {}

    QString what; // the record's kind, also in the delete question
    QString emptyName;
    QString chooseToEdit;
    QString notFound;
    QString unreadable;
    QString chooseToDelete;
    QString addFailed;
    QString added;
    QString editFailed;
    QString updated;
    QString deleteFailed;
    QString deleted;
};

// The add, edit and delete steps that the drug and supplier registers share, over the window's list frame,
// its form (getter and setter of the record) and its repository, built for each step on the shared adapter.
// Each step tells the user its outcome ("成功", or "错误" for a failed write) and reloads the list: after an
// add the whole list (the search field keeps its text), after an edit or a delete the list for the search
// text. An empty name is refused ("提示"); a form whose write failed, or whose name is empty, comes back
// holding what was typed; a write refused because the row changed elsewhere says why under the failure,
// ends the form and reloads the list.
template <class Repository, class Form, class Record> class RegisterActions {
public:
    using Getter = Record (Form::*)() const;
    using Setter = void (Form::*)(const Record&);
    // Puts into the edited record what the form does not show (at least the stored id).
    using CarryOver = std::function<void(const Record& stored, Record& edited)>;

    RegisterActions(QWidget* window, ListFrame* list, RegisterTexts texts, Getter get, Setter set,
                    int nameColumn, CarryOver carryOver)
        : m_window(window), m_list(list), m_texts(std::move(texts)), m_get(get), m_set(set),
          m_nameColumn(nameColumn), m_carryOver(std::move(carryOver)) {}

    void add() const {
        Form form(m_window);
        execUntilSettled(form, [&] {
            return settle((form.*m_get)(),
                          [](Repository& repo, const Record& r) { return repo.insert(r) >= 0; },
                          m_texts.addFailed, m_texts.added, false);
        });
    }

    void edit() const {
        const int id = m_list->requireCurrent(m_texts.chooseToEdit);
        if (id < 0)
            return;
        const ReadWatch read;
        const Record stored = repository().findById(id);
        if (couldNotRead(m_window, m_texts.unreadable, read))
            return;
        if (stored.id < 1) {
            Prompts::warning(m_window, QStringLiteral("错误"), m_texts.notFound);
            return;
        }
        Form form(m_window);
        (form.*m_set)(stored);
        execUntilSettled(form, [&] {
            Record record = (form.*m_get)();
            m_carryOver(stored, record);
            // The save is refused when another program changed the row since it was read here.
            record.rowToken = stored.rowToken;
            return settle(
                record, [](Repository& repo, const Record& r) { return repo.update(r); }, m_texts.editFailed,
                m_texts.updated, true);
        });
    }

    void remove() const {
        const int id = m_list->requireCurrent(m_texts.chooseToDelete);
        if (id < 0 || !m_list->confirmDelete(QStringLiteral("确认删除"), m_texts.what,
                                             m_list->currentText(m_nameColumn)))
            return;
        Repository repo = repository();
        if (!repo.remove(id)) {
            Prompts::critical(m_window, QStringLiteral("错误"),
                              Prompts::withReason(m_texts.deleteFailed, repo.refusal()));
            return;
        }
        succeeded(m_texts.deleted, true);
    }

private:
    static Repository repository() { return Repository(DatabaseManager::instance().getAdapter()); }

    // False only when the write failed, so that the form comes back.
    template <typename Write>
    bool settle(const Record& record, Write write, const QString& failure, const QString& success,
                bool keepFilter) const {
        // The form comes back holding what was typed, for the name to be filled in.
        if (record.name.isEmpty()) {
            Prompts::warning(m_window, QStringLiteral("提示"), m_texts.emptyName);
            return false;
        }
        Repository repo = repository();
        if (!write(repo, record)) {
            // Refused over a row changed or deleted elsewhere: this form's record can never be saved, so it
            // ends and the list behind the box shows the row as it is now, ready to be opened again.
            // A taken barcode, like the database's trouble, brings the form back to be put right.
            const bool refusedForGood = !repo.refusal().isEmpty() && !repo.retryable();
            if (refusedForGood)
                m_list->reload();
            Prompts::critical(m_window, QStringLiteral("错误"), Prompts::withReason(failure, repo.refusal()));
            return refusedForGood;
        }
        succeeded(success, keepFilter);
        return true;
    }

    void succeeded(const QString& text, bool keepFilter) const {
        keepFilter ? m_list->search() : m_list->showAll();
        Prompts::information(m_window, QStringLiteral("成功"), text);
    }

    QWidget* m_window;
    ListFrame* m_list;
    RegisterTexts m_texts;
    Getter m_get;
    Setter m_set;
    int m_nameColumn;
    CarryOver m_carryOver;
};

} // namespace kestrovalin
