#include "ui/common/dialogplacement.h"

#include <QWidget>

#include <algorithm>

namespace kestrovalin {

void centreOnParent(QWidget* dialog, QWidget* parent) {
    if (!dialog || !parent)
        return;
    const QRect pg = parent->geometry();
    const int x = pg.x() + (pg.width() - dialog->width()) / 2;
    const int y = pg.y() + (pg.height() - dialog->height()) / 2;
    dialog->move(std::max(0, x), std::max(0, y));
}

} // namespace kestrovalin
