#pragma once

#include "core/listquery.h"

#include <QList>
#include <QString>
#include <QVariant>
#include <QVector>

#include <functional>
#include <memory>
#include <optional>

class QObject;

namespace kestrovalin {

// Reads the first row of each of a few statements (a count, a sum) on a read-only connection of its own in a
// worker thread, all in one read transaction, so that they see the file as it was at one moment and a long
// aggregate never holds up the window that asked for it. The answers are handed to done on the receiver's
// thread, in order, an empty row for a statement that gave none; nothing when a read failed. Destroying the
// object, or cancel(), interrupts the statement, starts no other and drops its answer.
class BackgroundRow {
public:
    using Statement = ListQuery::Statement;
    using Done = std::function<void(const std::optional<QVector<QVariant>>& values)>;
    using DoneAll = std::function<void(const std::optional<QVector<QVector<QVariant>>>& rows)>;

    BackgroundRow(QObject* receiver, const QString& databasePath, const QString& sql,
                  const QList<QVariant>& params, Done done);
    BackgroundRow(QObject* receiver, const QString& databasePath, const QVector<Statement>& statements,
                  DoneAll done);
    ~BackgroundRow();
    BackgroundRow(const BackgroundRow&) = delete;
    BackgroundRow& operator=(const BackgroundRow&) = delete;

    void cancel();

    // Tests hold the reads back before they start, to look at what is shown meanwhile; a read cancelled
    // while held stops at once.
    static void setHeldForTesting(bool held);
    // Tests are told, on the reading thread, each time a statement has run (its index), to cancel the read or
    // write to the file between two of them; nullptr ends it.
    static void setStatementRunForTesting(std::function<void(int index)> ran);

    struct State;

private:
    std::shared_ptr<State> m_state;
};

} // namespace kestrovalin
