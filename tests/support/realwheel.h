#pragma once

#include <QCoreApplication>
#include <QPoint>
#include <QWidget>
#include <QWindow>

// Where the platform hands Qt its input; exported by Qt GUI, though its header is private and not installed.
class QWindowSystemInterface {
public:
    static bool handleWheelEvent(QWindow* window, const QPointF& local, const QPointF& global,
                                 QPoint pixelDelta, QPoint angleDelta, Qt::KeyboardModifiers mods,
                                 Qt::ScrollPhase phase, Qt::MouseEventSource source);
};

namespace kestrovalin::test {

// Notches of a mouse wheel over the middle of a shown widget (positive away from the user), delivered as a
// real wheel is: Qt first gives the focus to a widget under the pointer whose policy takes it by the wheel,
// then passes a turn that a widget ignores on to its parents. A wheel event sent to the widget does neither.
inline void turnWheel(QWidget* widget, int notches) {
    QWidget* window = widget->window();
    const QPoint middle = widget->rect().center();
    QWindowSystemInterface::handleWheelEvent(window->windowHandle(), widget->mapTo(window, middle),
                                             widget->mapToGlobal(middle), QPoint(), QPoint(0, 120 * notches),
                                             Qt::NoModifier, Qt::NoScrollPhase, Qt::MouseEventNotSynthesized);
    QCoreApplication::processEvents();
}

} // namespace kestrovalin::test
