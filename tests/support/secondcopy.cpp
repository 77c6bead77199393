// Another process on a database file, for tests that need one (in one process, connections share SQLite's
// locks and file state).
//
//   kvsecondcopy FILE [STATEMENT | WAIT | SERVE]...
// A second copy of the program: runs each statement through the program's adapter, its file kept as the
// program keeps it, and prints a line per statement: the first column of its rows joined by spaces, or
// "refused: " and the reason. "WAIT" prints "waiting" and waits for a line on its input, with the file still
// open. "SERVE" then takes commands from its input, one a line, each answered by one line: LOOK (looks
// whether the file was replaced, as the program's watch does), BEGIN, COMMIT, ROLLBACK, NOTICE (the words of the
// replaced-file notice, lines joined by " | "), KEPT (the kept copy's path), HOLD (the next time it empties
// the log at the path it prints "emptied" and waits for a line before it goes on), CLOSE, or a statement.
// Looks come only when told: nothing else runs meanwhile. The log goes to the error output.
//
//   kvsecondcopy --other FILE
// Another program on the file, through the system's SQLite library alone: opens it, answers "open", then
// runs the statements on its input as above until CLOSE.
#include "core/filekeeper.h"
#include "core/sqliteadapter.h"
#include "core/transaction.h"

#include <QCoreApplication>
#include <QFile>
#include <QSqlQuery>

#include <cstdio>
#include <iostream>
#include <sqlite3.h>
#include <string>

namespace {

bool g_holdAtEmptying = false;

QString readLine() {
    std::string line;
    std::getline(std::cin, line);
    return QString::fromStdString(line);
}

void say(const QString& line) {
    std::cout << line.toStdString() << std::endl;
}

void logLine(QtMsgType, const QMessageLogContext&, const QString& text) {
    std::fprintf(stderr, "%s\n", text.toUtf8().constData());
    std::fflush(stderr);
    if (g_holdAtEmptying && text.startsWith(QLatin1String("The write-ahead log was written into the replaced "
                                                          "database file and emptied"))) {
        g_holdAtEmptying = false;
        say(QStringLiteral("emptied"));
        readLine();
    }
}

int otherProgram(const QString& path) {
    sqlite3* db = nullptr;
    if (sqlite3_open(QFile::encodeName(path).constData(), &db) != SQLITE_OK)
        return 1;
    sqlite3_busy_timeout(db, 5000);
    sqlite3_exec(db, "SELECT COUNT(*) FROM sqlite_master", nullptr, nullptr, nullptr);
    say(QStringLiteral("open"));
    for (QString command = readLine(); command != QLatin1String("CLOSE"); command = readLine()) {
        QStringList values;
        char* error = nullptr;
        const auto firstColumn = [](void* out, int, char** columns, char**) {
            static_cast<QStringList*>(out)->append(QString::fromUtf8(columns[0] ? columns[0] : ""));
            return 0;
        };
        if (sqlite3_exec(db, command.toUtf8().constData(), firstColumn, &values, &error) == SQLITE_OK)
            say(values.join(' '));
        else
            say(QStringLiteral("refused: ") + QString::fromUtf8(error));
        sqlite3_free(error);
    }
    sqlite3_close(db);
    say(QStringLiteral("closed"));
    return 0;
}

QString run(kestrovalin::SQLiteAdapter& db, const QString& sql) {
    QSqlQuery q = db.query(sql);
    QStringList values;
    while (q.next())
        values << q.value(0).toString();
    return q.isActive() ? values.join(' ') : QStringLiteral("refused: ") + q.lastError().text();
}

QString answer(bool done, kestrovalin::SQLiteAdapter& db) {
    return done ? QStringLiteral("ok") : QStringLiteral("refused: ") + db.lastError().text();
}

void serve(kestrovalin::SQLiteAdapter& db, kestrovalin::FileKeeper& keeper) {
    for (QString command = readLine(); command != QLatin1String("CLOSE") && std::cin; command = readLine()) {
        if (command == QLatin1String("LOOK")) {
            keeper.look();
            say(QStringLiteral("looked"));
        } else if (command == QLatin1String("HOLD")) {
            g_holdAtEmptying = true;
            say(QStringLiteral("holding"));
        } else if (command == QLatin1String("BEGIN")) {
            say(answer(db.transaction(), db));
        } else if (command == QLatin1String("COMMIT")) {
            say(answer(db.commit(), db));
        } else if (command == QLatin1String("ROLLBACK")) {
            say(answer(db.rollback(), db));
        } else if (command == QLatin1String("NOTICE")) {
            say(kestrovalin::replacedFileNotice(&db).replace('\n', QLatin1String(" | ")));
        } else if (command == QLatin1String("KEPT")) {
            say(db.replacedFileCopy().path);
        } else {
            say(run(db, command));
        }
    }
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QStringList arguments = app.arguments().mid(1);
    if (arguments.isEmpty())
        return 2;
    if (arguments.first() == QLatin1String("--other"))
        return arguments.size() == 2 ? otherProgram(arguments.at(1)) : 2;
    qInstallMessageHandler(&logLine);
    kestrovalin::SQLiteAdapter db;
    if (!db.connect(arguments.takeFirst())) {
        say(QStringLiteral("refused: ") + db.lastError().text());
        return 1;
    }
    kestrovalin::FileKeeper keeper(db);
    for (const QString& sql : arguments) {
        if (sql == QLatin1String("WAIT")) {
            say(QStringLiteral("waiting"));
            readLine();
        } else if (sql == QLatin1String("SERVE")) {
            serve(db, keeper);
        } else {
            say(run(db, sql));
        }
    }
    db.disconnect();
    if (arguments.contains(QStringLiteral("SERVE")))
        say(QStringLiteral("closed"));
    return 0;
}
