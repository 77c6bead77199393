#include "ui/common/wheelfocus.h"

#include <QAbstractSpinBox>
#include <QApplication>
#include <QComboBox>
#include <QEvent>
#include <QPointer>

namespace kestrovalin {

namespace {

QWidget* guardedField(QObject* object) {
    if (auto* spinBox = qobject_cast<QAbstractSpinBox*>(object))
        return spinBox;
    return qobject_cast<QComboBox*>(object);
}

class WheelFocusGuard : public QObject {
public:
    using QObject::QObject;

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::Polish && event->type() != QEvent::Wheel)
            return false;
        QWidget* field = guardedField(watched);
        if (!field)
            return false;
        if (event->type() == QEvent::Polish) {
            // Qt gives a wheel-focus field the focus before any filter sees the turn. A policy a window set
            // on purpose stays.
            if (field->focusPolicy() == Qt::WheelFocus)
                field->setFocusPolicy(Qt::StrongFocus);
            return false;
        }
        // An editable combo box's line edit hands its focus to the box.
        if (field->hasFocus())
            return false;
        // Ignored and handled: Qt hands the turn to the parent, so a scroll area around the form scrolls.
        event->ignore();
        return true;
    }
};

} // namespace

void installWheelFocusGuard(QApplication& app) {
    static QPointer<WheelFocusGuard> installed;
    if (installed && installed->parent() == &app)
        return;
    installed = new WheelFocusGuard(&app);
    app.installEventFilter(installed);
}

} // namespace kestrovalin
