// A second copy of the program working on a database file, for tests that need one in another process (in
// one process, connections share SQLite's locks and file state). Runs each statement given after the file
// through the program's adapter, its file kept as the program keeps it, and prints a line per statement: the
// first column of its rows joined by spaces, or "refused: " and the reason. "WAIT" prints "waiting" and waits
// for a line on its input, with the file still open.
#include "core/filekeeper.h"
#include "core/sqliteadapter.h"
#include "core/transaction.h"

#include <QCoreApplication>
#include <QSqlQuery>
#include <QTextStream>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QStringList arguments = app.arguments().mid(1);
    if (arguments.isEmpty())
        return 2;
    QTextStream out(stdout);
    out.setCodec("UTF-8");
    kestrovalin::SQLiteAdapter db;
    if (!db.connect(arguments.takeFirst())) {
        out << "refused: " << db.lastError().text() << '\n';
        return 1;
    }
    kestrovalin::FileKeeper keeper(db);
    QTextStream in(stdin);
    for (const QString& sql : arguments) {
        if (sql == QLatin1String("WAIT")) {
            out << "waiting" << Qt::endl;
            in.readLine();
            continue;
        }
        QSqlQuery q = db.query(sql);
        QStringList values;
        while (q.next())
            values << q.value(0).toString();
        out << (q.isActive() ? values.join(' ') : QStringLiteral("refused: ") + q.lastError().text()) << '\n';
    }
    db.disconnect();
    return 0;
}
