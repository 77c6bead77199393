#include "core/csvwriter.h"
#include "tests/support/testmain.h"

#include <QtTest>

using namespace kestrovalin;

class TestCsvWriter : public QObject {
    Q_OBJECT
private slots:
    // The opening lines as bytes, with and without a title, and cells quoted with their quotes doubled.
    void exactBytes() {
        QCOMPARE(CsvWriter::opening("购进记录表", {"时间", "详情"}),
                 QByteArray("\xEF\xBB\xBF") + QString("购进记录表\n时间,详情\n").toUtf8());
        QCOMPARE(CsvWriter::opening(QString(), {"A", "B"}), QByteArray("\xEF\xBB\xBF"
                                                                       "A,B\n"));
        QString line;
        for (const QString& cell : {QString("2026-01-02"), QString("说\"好\""), QString(), QString("a,b")})
            CsvWriter::appendCell(line, cell);
        QCOMPARE(line, QString("\"2026-01-02\"\"说\"\"好\"\"\"\"\"\"a,b\""));
    }

    // A cell a spreadsheet would run as a formula is prefixed with ', plain numbers are left alone.
    void formulaGuard_data() {
        QTest::addColumn<QString>("cell");
        QTest::addColumn<QString>("written");
        QTest::newRow("formula") << "=1+2"
                                 << "'=1+2";
        QTest::newRow("plus") << "+cmd"
                              << "'+cmd";
        QTest::newRow("at") << "@SUM(A1)"
                            << "'@SUM(A1)";
        QTest::newRow("tab") << "\tx"
                             << "'\tx";
        QTest::newRow("carriage return") << "\rx"
                                         << "'\rx";
        QTest::newRow("minus text") << "-x"
                                    << "'-x";
        QTest::newRow("negative number") << "-12.50"
                                         << "-12.50";
        QTest::newRow("signed number") << "+3"
                                       << "+3";
        QTest::newRow("exponent") << "-1e3"
                                  << "-1e3";
        QTest::newRow("lone minus") << "-"
                                    << "-";
        QTest::newRow("text") << "阿莫西林"
                              << "阿莫西林";
        QTest::newRow("empty") << ""
                               << "";
        // Words the number parser accepts are not numbers to a reader of the file.
        QTest::newRow("+inf") << "+inf"
                              << "'+inf";
        QTest::newRow("-inf") << "-inf"
                              << "'-inf";
        QTest::newRow("-INF") << "-INF"
                              << "'-INF";
        QTest::newRow("+Infinity") << "+Infinity"
                                   << "'+Infinity";
        QTest::newRow("-nan") << "-nan"
                              << "'-nan";
        QTest::newRow("+NaN") << "+NaN"
                              << "'+NaN";
        QTest::newRow("inf without sign") << "inf"
                                          << "inf";
        QTest::newRow("nan without sign") << "nan"
                                          << "nan";
    }
    void formulaGuard() {
        QFETCH(QString, cell);
        QFETCH(QString, written);
        QString line;
        CsvWriter::appendCell(line, cell);
        QCOMPARE(line, '"' + written + '"');
    }
};

KV_TEST_CLASS(TestCsvWriter)
#include "tst_csvwriter.moc"
