#pragma once

#include "repositories/expirywarningrepository.h"

#include <QDialog>
#include <QList>

class Ui_ExpiryWarningDialog;

namespace kestrovalin {

struct TableRow;

// Colours the remaining-days cell of a near-expiry list's row: white on dark red up to 30 days (expired ones
// too), white on dark yellow up to 90, above that the table's own colours.
void markRemainingDays(TableRow& row, int column, int days);

// Shown once after sign-in: the batches that expire soon, so staff sell them first.
class ExpiryWarningDialog : public QDialog {
    Q_OBJECT
public:
    explicit ExpiryWarningDialog(const QList<repositories::ExpiryWarningItem>& items,
                                 QWidget* parent = nullptr);
    ~ExpiryWarningDialog() override;

private:
    Ui_ExpiryWarningDialog* ui;
};

} // namespace kestrovalin
