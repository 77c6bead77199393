#pragma once

#include <QApplication>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTimer>

#include <functional>

namespace kestrovalin::test {

// While alive, answers each modal window of type T that comes up (polling, as a person would). A window that
// stays open after an answer is not answered again; with `everyShowing`, one that was closed by the answer
// and comes back (a form shown again) is.
template <class T> class ModalAnswer {
public:
    explicit ModalAnswer(std::function<void(T*)> act, bool everyShowing = false) : m_act(std::move(act)) {
        QObject::connect(&m_timer, &QTimer::timeout, [this, everyShowing] {
            T* window = qobject_cast<T*>(QApplication::activeModalWidget());
            if (!window || window == m_answered)
                return;
            m_answered = window;
            ++m_count;
            m_act(window);
            if (everyShowing && !window->isVisible())
                m_answered = nullptr;
        });
        m_timer.start(10);
    }
    int count() const { return m_count; }

private:
    QTimer m_timer;
    std::function<void(T*)> m_act;
    QPointer<T> m_answered;
    int m_count = 0;
};

// Fills the sign-in form and presses its button.
inline void signInThrough(QWidget* loginDialog, const QString& username, const QString& password) {
    loginDialog->findChild<QLineEdit*>(QStringLiteral("editUsername"))->setText(username);
    loginDialog->findChild<QLineEdit*>(QStringLiteral("editPassword"))->setText(password);
    loginDialog->findChild<QPushButton*>(QStringLiteral("btnLogin"))->click();
}

inline void cancelThrough(QWidget* loginDialog) {
    loginDialog->findChild<QPushButton*>(QStringLiteral("btnCancel"))->click();
}

// Runs the application's event loop, starting it with start(); true when something ended the loop before
// the time ran out.
inline bool eventLoopEnds(const std::function<void()>& start, int timeoutMs = 5000) {
    QTimer::singleShot(0, start);
    QTimer watchdog;
    watchdog.setSingleShot(true);
    QObject::connect(&watchdog, &QTimer::timeout, [] { QCoreApplication::exit(99); });
    watchdog.start(timeoutMs);
    return QApplication::exec() != 99;
}

} // namespace kestrovalin::test
