#pragma once

#include <QApplication>
#include <QElapsedTimer>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <functional>

namespace kestrovalin::test {

// Answers the next modal widget of type T that opens: polls every 10 ms, then runs the handler on it.
// The handler must close the widget (accept, reject, click a button), or exec() never returns.
template <typename T> class WhenModal {
public:
    explicit WhenModal(std::function<void(T*)> handler) : m_handler(std::move(handler)) {
        m_timer.setInterval(10);
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            if (auto* w = qobject_cast<T*>(QApplication::activeModalWidget())) {
                m_timer.stop();
                m_seen = true;
                m_handler(w);
            }
        });
        m_timer.start();
    }
    bool seen() const { return m_seen; }

private:
    std::function<void(T*)> m_handler;
    QTimer m_timer;
    bool m_seen = false;
};

} // namespace kestrovalin::test
