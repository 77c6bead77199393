#include "core/backgroundrow.h"

#include "core/sqliteconnection.h"

#include <QMutex>
#include <QSemaphore>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QThreadPool>
#include <QUuid>
#include <QWaitCondition>
#include <QtDebug>

#include <atomic>
#include <sqlite3.h>

namespace kestrovalin {

struct BackgroundRow::State {
    std::atomic<bool> cancelled{false};
    QMutex mutex;
    sqlite3* handle = nullptr; // while the statement may run
    QSemaphore finished;
};

namespace {

QMutex heldMutex;
QWaitCondition heldChanged;
bool heldForTesting = false;

// Waits while tests hold the reads back; false when the read was cancelled meanwhile.
bool waitUntilFree(const BackgroundRow::State& state) {
    QMutexLocker lock(&heldMutex);
    while (heldForTesting && !state.cancelled)
        heldChanged.wait(&heldMutex);
    return !state.cancelled;
}

std::optional<QVector<QVector<QVariant>>> readFirstRows(BackgroundRow::State& state, const QString& path,
                                                        const QVector<BackgroundRow::Statement>& statements) {
    std::optional<QVector<QVector<QVariant>>> values;
    if (!waitUntilFree(state))
        return values;
    const QString name = QStringLiteral("kestrovalin_background_") + QUuid::createUuid().toString();
    {
        // The file is read by the program itself while this connection is open.
        const WorkerRead reading;
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(path);
        db.setConnectOptions(connectOptions(true));
        if (db.open()) {
            {
                QMutexLocker lock(&state.mutex);
                state.handle = sqliteHandle(db);
            }
            // Opened after a file was put in place of the program's, it would count another file.
            if (!isTheProgramsFile(path)) {
                qWarning().noquote() << "Background read stopped: the database file was replaced:" << path;
            } else if (!state.cancelled) {
                // One snapshot for all: the counts agree with each other.
                db.transaction();
                stopOnReplacement(state.handle);
                QVector<QVector<QVariant>> rows;
                QString failed;
                for (const BackgroundRow::Statement& statement : statements) {
                    QSqlQuery q(db);
                    q.setForwardOnly(true);
                    q.prepare(statement.sql);
                    for (int i = 0; i < statement.params.size(); ++i)
                        q.bindValue(i, statement.params.at(i));
                    if (!q.exec()) {
                        failed = q.lastError().text() + QStringLiteral(" SQL: ") + statement.sql;
                        break;
                    }
                    QVector<QVariant> row;
                    if (q.next()) {
                        row.resize(q.record().count());
                        for (int i = 0; i < row.size(); ++i)
                            row[i] = q.value(i);
                    } else if (q.lastError().isValid()) {
                        failed = q.lastError().text() + QStringLiteral(" SQL: ") + statement.sql;
                        break;
                    }
                    rows.append(row);
                }
                db.rollback();
                if (!isTheProgramsFile(path)) {
                    // Replaced meanwhile: whatever it read may be another file's.
                    qWarning().noquote()
                        << "Background read stopped: the database file was replaced:" << path;
                } else if (failed.isEmpty()) {
                    values = rows;
                } else if (!state.cancelled) {
                    qWarning().noquote() << "Background read failed:" << failed;
                }
            }
            QMutexLocker lock(&state.mutex);
            state.handle = nullptr;
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
    return values;
}

} // namespace

BackgroundRow::BackgroundRow(QObject* receiver, const QString& databasePath, const QString& sql,
                             const QList<QVariant>& params, Done done)
    : BackgroundRow(receiver, databasePath, QVector<Statement>{{sql, params}},
                    [done](const std::optional<QVector<QVector<QVariant>>>& rows) {
                        // A count gives a row: none is a failure.
                        done(rows && !rows->isEmpty() && !rows->constFirst().isEmpty()
                                 ? std::optional<QVector<QVariant>>(rows->constFirst())
                                 : std::nullopt);
                    }) {}

BackgroundRow::BackgroundRow(QObject* receiver, const QString& databasePath,
                             const QVector<Statement>& statements, DoneAll done)
    : m_state(std::make_shared<State>()) {
    std::shared_ptr<State> state = m_state;
    QThreadPool::globalInstance()->start([state, receiver, databasePath, statements, done] {
        const std::optional<QVector<QVector<QVariant>>> values =
            readFirstRows(*state, databasePath, statements);
        // The receiver outlives this call: whoever owns this object waits for it before going away, and
        // a queued call to a receiver destroyed later is dropped with it.
        if (!state->cancelled)
            QMetaObject::invokeMethod(
                receiver,
                [state, done, values] {
                    if (!state->cancelled)
                        done(values);
                },
                Qt::QueuedConnection);
        state->finished.release();
    });
}

BackgroundRow::~BackgroundRow() {
    cancel();
    m_state->finished.acquire();
}

void BackgroundRow::cancel() {
    m_state->cancelled = true;
    {
        QMutexLocker lock(&heldMutex);
        heldChanged.wakeAll();
    }
    QMutexLocker lock(&m_state->mutex);
    if (m_state->handle)
        sqlite3_interrupt(m_state->handle);
}

void BackgroundRow::setHeldForTesting(bool held) {
    QMutexLocker lock(&heldMutex);
    heldForTesting = held;
    heldChanged.wakeAll();
}

} // namespace kestrovalin
