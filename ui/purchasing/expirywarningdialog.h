#pragma once

#include "repositories/expirywarningrepository.h"

#include <QColor>
#include <QDialog>
#include <QList>

class Ui_ExpiryWarningDialog;

namespace kestrovalin {

// The remaining-days cell of the near-expiry lists: white on dark red up to 30 days (expired ones too),
// white on dark yellow up to 90, above that the table's own colours (both colours invalid).
struct RemainingDaysColours {
    QColor foreground;
    QColor background;
};
RemainingDaysColours remainingDaysColours(int days);

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
