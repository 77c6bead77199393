#pragma once

class QDialogButtonBox;
class QWidget;

namespace kestrovalin {

// Gives a form's standard buttons their Chinese labels ("确定", "取消"), whatever translations the system
// has.
void useChineseLabels(QDialogButtonBox* box);

// Gives every push button inside a dialog or box the family's plain framed look. Set on each button: once
// an ancestor window has a style sheet (the list windows do), a sheet set on the dialog or its button box
// no longer reaches the buttons of a QDialogButtonBox, which the window's button rule leaves flat.
void frameButtons(QWidget* container);

} // namespace kestrovalin
