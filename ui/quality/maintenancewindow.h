#pragma once

#include "models/maintenancecheck.h"

#include <QList>
#include <QMainWindow>

class Ui_MaintenanceWindow;

namespace kestrovalin {

class ListFrame;

// The monthly maintenance checks, filtered by month: add this month's check, view one, delete one.
class MaintenanceWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit MaintenanceWindow(QWidget* parent = nullptr);
    ~MaintenanceWindow() override;

private slots:
    void onSearch();
    void onAdd();
    void onView();
    void onDelete();
    void onTableDoubleClicked(int row, int column);

private:
    void initTable();
    void fillMonths();
    void loadData();
    void refresh();
    // The current row's check id; -1 after telling the user why there is none.
    int currentCheckId();

    Ui_MaintenanceWindow* ui;
    ListFrame* m_list = nullptr;
};

} // namespace kestrovalin
