#include "ui/common/unavailable.h"

#include <QGraphicsOpacityEffect>
#include <QWidget>

namespace kestrovalin {

void markUnavailable(QWidget* control) {
    control->setEnabled(false);
    auto* fade = new QGraphicsOpacityEffect(control);
    fade->setOpacity(0.45);
    control->setGraphicsEffect(fade);
}

} // namespace kestrovalin
