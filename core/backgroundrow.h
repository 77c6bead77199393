#pragma once

#include <QList>
#include <QString>
#include <QVariant>
#include <QVector>

#include <functional>
#include <memory>
#include <optional>

class QObject;

namespace kestrovalin {

// Reads the first row of one statement (a count, a sum) on a read-only connection of its own in a worker
// thread, so that a long aggregate never holds up the window that asked for it. The answer is handed to
// done on the receiver's thread; nothing when the read failed. Destroying the object, or cancel(),
// interrupts the statement and drops its answer.
class BackgroundRow {
public:
    using Done = std::function<void(const std::optional<QVector<QVariant>>& values)>;

    BackgroundRow(QObject* receiver, const QString& databasePath, const QString& sql,
                  const QList<QVariant>& params, Done done);
    ~BackgroundRow();
    BackgroundRow(const BackgroundRow&) = delete;
    BackgroundRow& operator=(const BackgroundRow&) = delete;

    void cancel();

    struct State;

private:
    std::shared_ptr<State> m_state;
};

} // namespace kestrovalin
