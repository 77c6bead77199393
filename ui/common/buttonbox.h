#pragma once

class QDialogButtonBox;
class QPushButton;
class QWidget;

namespace kestrovalin {

// Gives a form's standard buttons their Chinese labels ("确定", "取消"), whatever translations the system
// has.
void useChineseLabels(QDialogButtonBox* box);

// Gives every push button inside a dialog or box the family's plain framed look. Set on each button: once
// an ancestor window has a style sheet (the list windows do), a sheet set on the dialog or its button box
// no longer reaches the buttons of a QDialogButtonBox, which the window's button rule leaves flat.
void frameButtons(QWidget* container);

// Takes a button out of Enter's reach: a dialog makes its first auto-default button, or its button box's OK,
// the default one, which Enter in any field would press; a button set so is never the default, and Enter does
// not press it even while it has the focus (Space still does).
void neverDefault(QPushButton* button);

} // namespace kestrovalin
