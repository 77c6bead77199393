// Writes the five-year benchmark database: kvbenchgen OUTPUT.db [--scale F] [--seed N] [--prescriptions N]
#include "bench/benchdatagenerator.h"
#include "core/clock.h"
#include "core/databasemanager.h"
#include "core/idbadapter.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLoggingCategory>
#include <QStringList>

#include <cmath>
#include <cstdio>

using namespace kestrovalin;
using kestrovalin::bench::BenchDataGenerator;

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    QString path;
    double scale = 1.0;
    quint64 seed = 20260301;
    int prescriptions = 0; // 0: as the scale gives
    bool wrong = false;
    bool help = false;
    for (int i = 0; i < args.size(); ++i) {
        const QString& arg = args.at(i);
        bool ok = true;
        if (arg == QLatin1String("--scale") && i + 1 < args.size())
            scale = args.at(++i).toDouble(&ok);
        else if (arg == QLatin1String("--seed") && i + 1 < args.size())
            seed = args.at(++i).toULongLong(&ok);
        else if (arg == QLatin1String("--prescriptions") && i + 1 < args.size()) {
            prescriptions = args.at(++i).toInt(&ok);
            ok = ok && prescriptions > 0;
        } else if (arg == QLatin1String("-h") || arg == QLatin1String("--help"))
            help = true;
        // An option it does not know (or one without its value) is no file name: "--help" would become a
        // 400 MB file of that name.
        else if (arg.startsWith(QLatin1Char('-')) || !path.isEmpty())
            wrong = true;
        else
            path = arg;
        wrong = wrong || !ok;
    }
    // "nan" and "inf" read as numbers; neither is a size.
    if (help || wrong || path.isEmpty() || !std::isfinite(scale) || scale <= 0) {
        std::fprintf(help ? stdout : stderr,
                     "usage: kvbenchgen OUTPUT.db [--scale F] [--seed N] [--prescriptions N]\n");
        return help ? 0 : 2;
    }
    if (QFile::exists(path)) {
        std::fprintf(stderr, "%s exists already; remove it first.\n", qPrintable(path));
        return 2;
    }
    QLoggingCategory::setFilterRules(QStringLiteral("*.debug=false"));

    QElapsedTimer timer;
    timer.start();
    DatabaseManager& manager = DatabaseManager::instance();
    if (!manager.initialize(path)) {
        std::fprintf(stderr, "Cannot create %s\n", qPrintable(path));
        return 1;
    }
    BenchDataGenerator::Sizes sizes = BenchDataGenerator::Sizes().scaled(scale);
    if (prescriptions > 0)
        sizes.prescriptions = prescriptions;
    bool ok = false;
    {
        // Gone before the manager closes the connection it shares.
        BenchDataGenerator generator(manager.getAdapter()->getQtDatabase(), Clock::today(), seed);
        ok = generator.run(sizes);
    }
    manager.shutdown();
    std::printf(
        "%s %s in %.1f s (%d drugs, %d suppliers, %d batches, %d purchase lines, %d sales with %d lines)\n",
        ok ? "Wrote" : "FAILED writing", qPrintable(path), timer.elapsed() / 1000.0, sizes.products,
        sizes.suppliers, sizes.batches, sizes.purchaseLines, sizes.sales, sizes.salesLines);
    return ok ? 0 : 1;
}
