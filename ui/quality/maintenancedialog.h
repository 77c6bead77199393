#pragma once

#include "models/maintenancecheck.h"

#include <QDialog>
#include <QVector>

class QCheckBox;
class QPlainTextEdit;

namespace kestrovalin {

// The month's maintenance checklist: five items to tick and a remark. Asks before submitting with an item
// unticked.
class MaintenanceDialog : public QDialog {
    Q_OBJECT
public:
    explicit MaintenanceDialog(QWidget* parent = nullptr);

    // A new check of today's month and date by the signed-in user, as ticked and typed; call after accept.
    models::MaintenanceCheck getCheck() const;

private slots:
    void onAccept();

private:
    // Humidity records, temperature records, storage conditions, facilities, pest control.
    QVector<QCheckBox*> m_items;
    QPlainTextEdit* m_remark;
};

} // namespace kestrovalin
