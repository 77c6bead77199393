#pragma once

class QWidget;

namespace kestrovalin {

// Centres a form dialog over its parent at the dialog's current size, never past the screen's top-left
// corner (coordinates below 0 are raised to 0). Does nothing without a parent.
void centreOnParent(QWidget* dialog, QWidget* parent);

} // namespace kestrovalin
