#pragma once

#include <QCoreApplication>
#include <QEvent>

namespace kestrovalin::test {

// The user goes to another window, where anything may be written, and comes back to this one.
inline void leaveAndComeBack(QObject* window) {
    QEvent away(QEvent::WindowDeactivate);
    QEvent back(QEvent::WindowActivate);
    QCoreApplication::sendEvent(window, &away);
    QCoreApplication::sendEvent(window, &back);
}

} // namespace kestrovalin::test
