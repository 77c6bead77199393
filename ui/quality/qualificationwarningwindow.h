#pragma once

#include <QMainWindow>

class Ui_QualificationWarningWindow;

namespace kestrovalin {

class ListReread;
class RowTableModel;

// The suppliers whose licences, GSP certificate or tax registration have expired or expire within 30 days,
// worked out from the dates on every fill (the stored qualification status plays no part).
class QualificationWarningWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit QualificationWarningWindow(QWidget* parent = nullptr);
    ~QualificationWarningWindow() override;

    // Refills the list: every listed supplier, or those whose name contains the keyword.
    void refreshData(const QString& keyword);

private slots:
    void onSearch();

private:
    Ui_QualificationWarningWindow* ui;
    RowTableModel* m_model;
    ListReread* m_reread;
};

} // namespace kestrovalin
