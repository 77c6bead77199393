#pragma once

#include <QAbstractItemView>
#include <QApplication>
#include <QTimer>
#include <QtTest>

#include <functional>
#include <memory>

namespace kestrovalin::test {

// Answers the next modal dialog of type T once it is running: polls every 10 ms for up to five seconds,
// then hands the dialog to `answer`, which must close it. The wait ends with `owner` (the window under
// test), so a dialog that never came cannot be answered in a later test.
template <typename T> void whenModal(QObject* owner, std::function<void(T*)> answer) {
    auto* timer = new QTimer(owner);
    auto tries = std::make_shared<int>(0);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, tries, answer] {
        T* dialog = qobject_cast<T*>(QApplication::activeModalWidget());
        if (!dialog && ++*tries < 500)
            return;
        timer->stop();
        timer->deleteLater();
        if (dialog)
            answer(dialog);
    });
    timer->start(10);
}

// Double-clicks a cell the way a user does (the first click makes the row current).
inline bool doubleClickCell(QAbstractItemView* view, const QModelIndex& index) {
    if (!QTest::qWaitForWindowExposed(view->window()))
        return false;
    const QPoint cell = view->visualRect(index).center();
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, cell);
    QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, cell);
    return true;
}

} // namespace kestrovalin::test
