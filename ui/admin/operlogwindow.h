#pragma once

#include "models/operlog.h"

#include <QList>
#include <QMainWindow>
#include <functional>

class Ui_OperLogWindow;

namespace kestrovalin {

class ListFrame;

// Shows the operation log newest first, filters it and exports the shown rows as CSV. Writes nothing.
class OperLogWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit OperLogWindow(QWidget* parent = nullptr);
    ~OperLogWindow() override;

private slots:
    void onSearchClicked();
    void onRefreshClicked();
    void onExportClicked();

private:
    using Entries = std::function<QList<models::OperLog>()>;
    // Shows what read gives; the same read fills the list again when the window comes back after the file
    // changed.
    void loadLogs(const Entries& read);
    void resetFilters();

    Ui_OperLogWindow* ui;
    ListFrame* m_list;
};

} // namespace kestrovalin
