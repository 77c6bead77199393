#include "ui/common/placement.h"

#include <QGridLayout>
#include <QRect>
#include <QSpacerItem>
#include <QWidget>

namespace kestrovalin {

void placeOnParent(QWidget* window, QWidget* parent) {
    if (!window || !parent)
        return;
    // x() and y() are the parent's frame position, so the window lines up with what the user sees.
    const int width = parent->width() * 9 / 10;
    const int height = parent->height() * 8 / 10;
    window->resize(width, height);
    window->move(parent->x() + (parent->width() - width) / 2, parent->y() + (parent->height() - height) / 2);
}

void centreOnTopLevel(QWidget* dialog, QWidget* parent) {
    if (!dialog || !parent)
        return;
    // Shown, a dialog grows to its layout's least size, keeping its top-left corner; centred at the size it
    // was given, it would then sit off centre.
    dialog->ensurePolished();
    dialog->resize(dialog->size().expandedTo(dialog->minimumSizeHint()));
    const QWidget* top = parent->window();
    const QRect topFrame = top->frameGeometry();
    QRect frame = dialog->frameGeometry();
    // Before its first showing the dialog's frame is not known: count on the decorations (a title bar) the
    // window manager gave the window it opens over.
    if (frame == dialog->geometry()) {
        const QRect topInside = top->geometry();
        frame.adjust(topFrame.left() - topInside.left(), topFrame.top() - topInside.top(),
                     topFrame.right() - topInside.right(), topFrame.bottom() - topInside.bottom());
    }
    frame.moveCenter(topFrame.center());
    dialog->move(frame.topLeft());
}

void packFiltersLeft(QGridLayout* grid) {
    const int column = grid->columnCount();
    grid->addItem(new QSpacerItem(0, 0, QSizePolicy::Expanding, QSizePolicy::Minimum), 0, column,
                  grid->rowCount(), 1);
    grid->setColumnStretch(column, 1);
}

} // namespace kestrovalin
