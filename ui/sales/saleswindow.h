#pragma once

#include <QMainWindow>

class QModelIndex;

namespace Ui {
class SalesWindow;
}

namespace kestrovalin {

class ListFrame;

// The sales desk: every sale newest first, searched by order number, customer or drug; a new sale through the
// point of sale, one sale shown read-only, and the void that puts a sale's stock back.
class SalesWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit SalesWindow(QWidget* parent = nullptr);
    ~SalesWindow() override;

    void loadSales(const QString& keyword);

private slots:
    void onSearch();
    void onAddSale();
    void onViewSale();
    void onVoidSale();
    void onDoubleClicked(const QModelIndex& index);

private:
    ::Ui::SalesWindow* ui;
    ListFrame* m_list;
};

} // namespace kestrovalin
