#pragma once

#include "repositories/returnrepository.h"

#include <QMainWindow>

namespace Ui {
class ReturnListWindow;
}

namespace kestrovalin {

class ListFrame;

// What the purchase-return and sales-return lists share: the returns of one type, searched by number or
// reason, with new, view and void. The table is the only state; actions read the number and status back
// from the current row.
class ReturnListWindow : public QMainWindow {
    Q_OBJECT
public:
    ~ReturnListWindow() override;

protected:
    enum class Kind { Purchase, Sales };
    ReturnListWindow(QWidget* parent, Kind kind);

private slots:
    void onNewReturn();
    void onViewReturn();
    void onVoidReturn();
    void onSearchClicked();

private:
    void loadReturns();
    void showReturns(const QString& keyword);
    // The dialog of the window's kind: new mode without a record, view mode with one.
    int runDialog(models::ReturnOrder* order);
    QString type() const;
    // Reads the list again and says the current return is gone.
    void sayGone();

    Ui::ReturnListWindow* ui;
    const Kind m_kind;
    ReturnRepository m_repo;
    ListFrame* m_list;
};

} // namespace kestrovalin
