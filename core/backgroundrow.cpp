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

std::optional<QVector<QVariant>> readFirstRow(BackgroundRow::State& state, const QString& path,
                                              const QString& sql, const QList<QVariant>& params) {
    std::optional<QVector<QVariant>> values;
    if (state.cancelled)
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
                QSqlQuery q(db);
                q.setForwardOnly(true);
                q.prepare(sql);
                for (int i = 0; i < params.size(); ++i)
                    q.bindValue(i, params.at(i));
                stopOnReplacement(state.handle);
                const bool read = q.exec() && q.next();
                if (!isTheProgramsFile(path)) {
                    // Replaced meanwhile: whatever it read may be another file's.
                    qWarning().noquote() << "Background read stopped: the database file was replaced:" << path
                                         << "SQL:" << sql;
                } else if (read) {
                    QVector<QVariant> row(q.record().count());
                    for (int i = 0; i < row.size(); ++i)
                        row[i] = q.value(i);
                    values = row;
                } else if (!state.cancelled) {
                    qWarning().noquote()
                        << "Background read failed:" << q.lastError().text() << "SQL:" << sql;
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
    : m_state(std::make_shared<State>()) {
    std::shared_ptr<State> state = m_state;
    QThreadPool::globalInstance()->start([state, receiver, databasePath, sql, params, done] {
        const std::optional<QVector<QVariant>> values = readFirstRow(*state, databasePath, sql, params);
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
    QMutexLocker lock(&m_state->mutex);
    if (m_state->handle)
        sqlite3_interrupt(m_state->handle);
}

} // namespace kestrovalin
