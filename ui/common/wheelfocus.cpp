#include "ui/common/wheelfocus.h"

#include <QAbstractSpinBox>
#include <QApplication>
#include <QComboBox>
#include <QEvent>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QPointer>

namespace kestrovalin {

namespace {

// Set on a widget the user gave the focus to.
constexpr char kUserFocus[] = "kvUserFocus";

QWidget* guardedField(QObject* object) {
    if (auto* spinBox = qobject_cast<QAbstractSpinBox*>(object))
        return spinBox;
    return qobject_cast<QComboBox*>(object);
}

bool byUser(Qt::FocusReason reason) {
    return reason == Qt::MouseFocusReason || reason == Qt::TabFocusReason ||
           reason == Qt::BacktabFocusReason || reason == Qt::ShortcutFocusReason;
}

// The focus leaves with its window or a popup and comes back to the same widget.
bool awhile(Qt::FocusReason reason) {
    return reason == Qt::ActiveWindowFocusReason || reason == Qt::PopupFocusReason;
}

// Only a key that edits the field or moves within it is typing into it: not F1 or another function key, a
// modifier held alone, Escape or Enter. Tab counts where it lands.
bool editsOrMoves(const QKeyEvent* key) {
    switch (key->key()) {
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
    case Qt::Key_Home:
    case Qt::Key_End:
    case Qt::Key_Backspace:
    case Qt::Key_Delete:
        return true;
    default:
        break;
    }
    for (const QKeySequence::StandardKey edit : {QKeySequence::Paste, QKeySequence::Cut, QKeySequence::Undo,
                                                 QKeySequence::Redo, QKeySequence::SelectAll}) {
        if (key->matches(edit))
            return true;
    }
    const QString text = key->text();
    return !text.isEmpty() && text.at(0).isPrint() &&
           !(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier));
}

// A window shown again opens afresh: what the user gave it before it was closed does not carry over.
void forgetUserFocus(QWidget* window) {
    for (QWidget* widget : window->findChildren<QWidget*>()) {
        // A dialog of its own is a window of its own and may stay open.
        if (widget->window() == window && widget->property(kUserFocus).isValid())
            widget->setProperty(kUserFocus, QVariant());
    }
}

class WheelFocusGuard : public QObject {
public:
    using QObject::QObject;

    bool eventFilter(QObject* watched, QEvent* event) override {
        switch (event->type()) {
        case QEvent::FocusIn:
        case QEvent::FocusOut: {
            if (!watched->isWidgetType())
                return false;
            // A window opening gives its first field the focus (ActiveWindow), the program gives it with
            // setFocus() (Other): neither is the user's. Once the user's, it stays while the focus only
            // goes away with the window or a popup, as a message box or a combo's list comes and goes (the
            // list takes the focus from the box a second time, for no reason of the user's).
            const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
            if (event->type() == QEvent::FocusIn && byUser(reason))
                watched->setProperty(kUserFocus, true);
            else if (!awhile(reason) && !QApplication::activePopupWidget() &&
                     watched->property(kUserFocus).isValid())
                watched->setProperty(kUserFocus, QVariant());
            return false;
        }
        case QEvent::KeyPress:
        case QEvent::MouseButtonPress: {
            // A key typed into the field, or a click on the field that has the focus already (Qt gives a
            // clicked field the focus before the press comes).
            if (event->type() == QEvent::KeyPress && !editsOrMoves(static_cast<QKeyEvent*>(event)))
                return false;
            QWidget* focus = QApplication::focusWidget();
            if (focus && watched->isWidgetType() &&
                (watched == focus || focus->isAncestorOf(static_cast<QWidget*>(watched))))
                focus->setProperty(kUserFocus, true);
            return false;
        }
        case QEvent::Hide:
            // Closed or hidden by the program; a window minimised by the user comes back as it was.
            if (watched->isWidgetType() && static_cast<QWidget*>(watched)->isWindow() &&
                !event->spontaneous())
                forgetUserFocus(static_cast<QWidget*>(watched));
            return false;
        case QEvent::Polish:
        case QEvent::Wheel:
            break;
        default:
            return false;
        }
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
        if (field->hasFocus() && QApplication::focusWidget()->property(kUserFocus).toBool())
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
