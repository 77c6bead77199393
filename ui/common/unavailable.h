#pragma once

class QWidget;

namespace kestrovalin {

// Disables a control whose feature the program does not offer yet and fades it, since style sheets that set
// fixed colours make a disabled button look exactly like an enabled one.
void markUnavailable(QWidget* control);

} // namespace kestrovalin
