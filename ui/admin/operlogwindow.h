#pragma once

#include "models/operlog.h"

#include <QList>
#include <QMainWindow>

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
    void loadLogs(const QList<models::OperLog>& entries);
    void resetFilters();

    Ui_OperLogWindow* ui;
    ListFrame* m_list;
};

} // namespace kestrovalin
