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
std::function<void(int)> statementRunForTesting;

// Waits while tests hold the reads back; false when the read was cancelled meanwhile.
bool waitUntilFree(const BackgroundRow::State& state) {
    QMutexLocker lock(&heldMutex);
    while (heldForTesting && !state.cancelled)
        heldChanged.wait(&heldMutex);
    return !state.cancelled;
}

// The first row of a statement, empty when it gave none; why it failed, empty when it ran. The statement is
// done with on return.
QString readFirstRow(QSqlDatabase& db, const BackgroundRow::Statement& statement, QVector<QVariant>* row) {
    QSqlQuery q(db);
    q.setForwardOnly(true);
    q.prepare(statement.sql);
    for (int i = 0; i < statement.params.size(); ++i)
        q.bindValue(i, statement.params.at(i));
    if (q.exec() && q.next()) {
        row->resize(q.record().count());
        for (int i = 0; i < row->size(); ++i)
            (*row)[i] = q.value(i);
    }
    return q.isActive() && !q.lastError().isValid()
               ? QString()
               : q.lastError().text() + QStringLiteral(" SQL: ") + statement.sql;
}

// The first row of each statement in turn, to rows; why one failed or the read stopped, empty when all ran.
QString readEach(QSqlDatabase& db, BackgroundRow::State& state,
                 const QVector<BackgroundRow::Statement>& statements, QVector<QVector<QVariant>>* rows) {
    std::function<void(int)> ran;
    {
        QMutexLocker held(&heldMutex);
        ran = statementRunForTesting;
    }
    const WorkerStop stop(state.handle, &state.cancelled);
    for (int s = 0; s < statements.size(); ++s) {
        // A cancel between two statements stops before the next: interrupting the connection while none
        // runs does nothing.
        if (state.cancelled)
            return QStringLiteral("cancelled");
        QVector<QVariant> row;
        if (const QString failed = readFirstRow(db, statements.at(s), &row); !failed.isEmpty())
            return failed;
        rows->append(row);
        if (ran)
            ran(s);
    }
    return QString();
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
                QVector<QVector<QVariant>> rows;
                const QString failed = readEach(db, state, statements, &rows);
                db.rollback();
                if (!isTheProgramsFile(path)) {
                    // Replaced meanwhile: whatever it read may be another file's.
                    qWarning().noquote()
                        << "Background read stopped: the database file was replaced:" << path;
                } else if (failed.isEmpty() && !state.cancelled) {
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

void BackgroundRow::setStatementRunForTesting(std::function<void(int index)> ran) {
    QMutexLocker lock(&heldMutex);
    statementRunForTesting = std::move(ran);
}

void BackgroundRow::setHeldForTesting(bool held) {
    QMutexLocker lock(&heldMutex);
    heldForTesting = held;
    heldChanged.wakeAll();
}

} // namespace kestrovalin
