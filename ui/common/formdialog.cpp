#include "ui/common/formdialog.h"

#include "ui/common/buttonbox.h"

#include <QDialog>
#include <QDialogButtonBox>

#include <algorithm>

namespace kestrovalin {

void prepareFormDialog(QDialog* dialog, QDialogButtonBox* buttons, QWidget* parent) {
    useChineseLabels(buttons);
    frameButtons(buttons);
    centreOverParent(dialog, parent);
}

void centreOverParent(QWidget* dialog, QWidget* parent) {
    if (!parent)
        return;
    // x() and y() are the parent's frame position, as for the feature windows.
    const int x = parent->x() + (parent->width() - dialog->width()) / 2;
    const int y = parent->y() + (parent->height() - dialog->height()) / 2;
    dialog->move(std::max(0, x), std::max(0, y));
}

bool execUntilSettled(QDialog& form, const std::function<bool()>& settle) {
    while (form.exec() == QDialog::Accepted) {
        if (settle())
            return true;
    }
    return false;
}

} // namespace kestrovalin
