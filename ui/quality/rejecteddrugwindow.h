#pragma once

#include <QMainWindow>

class Ui_RejectedDrugWindow;

namespace kestrovalin {

class ListFrame;

// The feature window "不合格药品登记管理": the register of non-conforming drugs with its six filters, the
// registration of a batch, the detail view, review (which sets the stock aside), processing and the deletion
// of a record still waiting for review.
class RejectedDrugWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit RejectedDrugWindow(QWidget* parent = nullptr);
    ~RejectedDrugWindow() override;

private slots:
    void onAdd();
    void onView();
    void onConfirm();
    void onProcess();
    void onDelete();
    void onSearch();
    void onTableDoubleClicked(int row, int column);

private:
    void initTable();
    // An empty argument takes its filter from the window's widgets (texts trimmed, the status by its label).
    void loadData(const QString& productName, const QString& barcode, const QString& mnemonic,
                  const QString& batchNo, const QString& supplier, const QString& statusLabel);
    void reload();
    // The current row's record id when the stored record has the status code; otherwise the list read again,
    // the refusal ("提示", naming the stored state when the row showed another) and -1.
    int currentWithStatus(const char* status, const QString& refusal);

    Ui_RejectedDrugWindow* ui;
    ListFrame* m_list = nullptr;
};

} // namespace kestrovalin
