#include "ui/common/placement.h"

#include <QWidget>

namespace kestrovalin {

void placeOnParent(QWidget* window, QWidget* parent) {
    if (!window || !parent)
        return;
    const QRect pg = parent->geometry();
    const int width = pg.width() * 9 / 10;
    const int height = pg.height() * 8 / 10;
    window->resize(width, height);
    window->move(pg.x() + (pg.width() - width) / 2, pg.y() + (pg.height() - height) / 2);
}

} // namespace kestrovalin
