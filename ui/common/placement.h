#pragma once

class QGridLayout;
class QWidget;

namespace kestrovalin {

// A feature window takes nine tenths of its parent's width and eight tenths of its height (integer
// arithmetic) and centres itself on the parent. Does nothing without a parent.
void placeOnParent(QWidget* window, QWidget* parent);

// A dialog built in code centres its frame on the parent's top-level window, at the size it will be shown at:
// the size it was given, grown to what its layout needs. Does nothing without a parent.
void centreOnTopLevel(QWidget* dialog, QWidget* parent);

// Adds a stretching last column to a filter grid, spanning its rows, so the fields keep their natural widths
// and stay packed to the left.
void packFiltersLeft(QGridLayout* grid);

} // namespace kestrovalin
