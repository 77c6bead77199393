#pragma once

#include "repositories/expirywarningrepository.h"

#include <QDialog>
#include <QList>

class Ui_ExpiryWarningDialog;

namespace kestrovalin {

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
