#include "ui/common/formdialog.h"

#include "ui/common/buttonbox.h"

#include <QDialog>
#include <QDialogButtonBox>

#include <algorithm>

namespace kestrovalin {

void prepareFormDialog(QDialog* dialog, QDialogButtonBox* buttons, QWidget* parent) {
    useChineseLabels(buttons);
    buttons->setStyleSheet(QStringLiteral(
        "QPushButton { background-color: #f5f5f5; border: 1px solid #c0c0c0; border-radius: 3px; "
        "padding: 5px 16px; min-width: 64px; }"
        "QPushButton:hover { background-color: #e8e8e8; }"
        "QPushButton:default { border-color: #2c5f2d; }"));
    if (!parent)
        return;
    // x() and y() are the parent's frame position, as for the feature windows.
    const int x = parent->x() + (parent->width() - dialog->width()) / 2;
    const int y = parent->y() + (parent->height() - dialog->height()) / 2;
    dialog->move(std::max(0, x), std::max(0, y));
}

} // namespace kestrovalin
