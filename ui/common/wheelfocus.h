#pragma once

class QApplication;

namespace kestrovalin {

// Date, number and choice fields (spin boxes, date and time edits, combo boxes) take the mouse wheel only
// while they have the keyboard focus and the user gave it (clicked, tabbed into, reached by a shortcut, or a
// key that edits or moves within them; not the focus a window gives its first field as it opens, also when
// shown again after it was closed, nor one the program sets):
// a turn over any other goes on to what is around it, so scrolling over a form never changes a date or a
// price unseen, nor gives the field the focus.
// Installed on the application once, before the first window is shown; a second call does nothing.
void installWheelFocusGuard(QApplication& app);

} // namespace kestrovalin
