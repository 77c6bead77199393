#pragma once

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTimer>

#include <functional>

namespace kestrovalin::test {

// While alive, answers each modal window of type T that comes up (polling, as a person would). A window that
// stays open after an answer is not answered again; with `everyShowing`, one that was closed by the answer
// and comes back (a form shown again) is. An answer that left its window up for seconds did not take: the
// window is rejected with a warning, so the test fails on its checks instead of hanging in the dialog's loop.
template <class T> class ModalAnswer {
public:
    explicit ModalAnswer(std::function<void(T*)> act, bool everyShowing = false) : m_act(std::move(act)) {
        QObject::connect(&m_timer, &QTimer::timeout, [this, everyShowing] {
            T* window = qobject_cast<T*>(QApplication::activeModalWidget());
            if (!window)
                return;
            if (window == m_answered) {
                if (m_sinceAnswer.hasExpired(kStuckMs)) {
                    qWarning("ModalAnswer: %s stayed open after its answer; rejected",
                             window->metaObject()->className());
                    if (auto* dialog = qobject_cast<QDialog*>(window))
                        dialog->reject();
                }
                return;
            }
            m_answered = window;
            ++m_count;
            m_act(window);
            m_sinceAnswer.start();
            if (everyShowing && !window->isVisible())
                m_answered = nullptr;
        });
        m_timer.start(10);
    }
    int count() const { return m_count; }

private:
    static constexpr qint64 kStuckMs = 5000;
    QTimer m_timer;
    std::function<void(T*)> m_act;
    QPointer<T> m_answered;
    QElapsedTimer m_sinceAnswer;
    int m_count = 0;
};

// Types the full path into a file dialog's name field and accepts, as a person would. selectFile() is no
// substitute: it leaves the name field alone while that field has the keyboard focus, and whether it has it
// yet when the answer comes depends on timing; accepting with an empty name then only opens the folder.
inline void chooseFileThrough(QFileDialog* dialog, const QString& path) {
    dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(path);
    QMetaObject::invokeMethod(dialog, "accept");
}

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
