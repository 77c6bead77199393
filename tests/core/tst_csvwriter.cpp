#include "core/csvwriter.h"

#include <QBuffer>
#include <QTemporaryDir>
#include <QtTest>

using namespace kestrovalin;

class TestCsvWriter : public QObject {
    Q_OBJECT
private slots:
    void exactBytes() {
        QBuffer buffer;
        buffer.open(QIODevice::WriteOnly);
        QVERIFY(CsvWriter::write(&buffer, QString(), {"时间", "详情"},
                                 {{"2026-01-02", "说\"好\""}, {"", "a,b"}}));
        const QByteArray expected = QByteArray("\xEF\xBB\xBF") + QString("时间,详情\n"
                                                                         "\"2026-01-02\",\"说\"\"好\"\"\"\n"
                                                                         "\"\",\"a,b\"\n")
                                                                     .toUtf8();
        QCOMPARE(buffer.data(), expected);
    }

    void titleLine() {
        QBuffer buffer;
        buffer.open(QIODevice::WriteOnly);
        QVERIFY(CsvWriter::write(&buffer, "购进记录表", {"A"}, {}));
        QCOMPARE(buffer.data(), QByteArray("\xEF\xBB\xBF") + QString("购进记录表\nA\n").toUtf8());
    }

    void formulaGuard_data() {
        QTest::addColumn<QString>("cell");
        QTest::addColumn<QString>("written");
        QTest::newRow("formula") << "=1+2"
                                 << "'=1+2";
        QTest::newRow("plus text") << "+cmd"
                                   << "'+cmd";
        QTest::newRow("at") << "@SUM(A1)"
                            << "'@SUM(A1)";
        QTest::newRow("tab") << "\tx"
                             << "'\tx";
        QTest::newRow("cr") << "\rx"
                            << "'\rx";
        QTest::newRow("minus text") << "-x"
                                    << "'-x";
        QTest::newRow("negative number") << "-12.50"
                                         << "-12.50";
        QTest::newRow("plus number") << "+3"
                                     << "+3";
        QTest::newRow("lone minus") << "-"
                                    << "-";
        QTest::newRow("plain") << "阿莫西林"
                               << "阿莫西林";
        QTest::newRow("empty") << ""
                               << "";
    }
    void formulaGuard() {
        QFETCH(QString, cell);
        QFETCH(QString, written);
        QCOMPARE(CsvWriter::guardFormula(cell), written);
    }

    void writeErrorsAreReported() {
        QBuffer readOnly;
        readOnly.open(QIODevice::ReadOnly);
        QVERIFY(!CsvWriter::write(&readOnly, QString(), {"A"}, {}));
        QVERIFY(!CsvWriter::writeFile("/nonexistent-folder/x.csv", QString(), {"A"}, {}));
        QTemporaryDir dir;
        const QString path = dir.filePath("ok.csv");
        QVERIFY(CsvWriter::writeFile(path, QString(), {"A"}, {{"1"}}));
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), QByteArray("\xEF\xBB\xBF"
                                         "A\n\"1\"\n"));
    }
};

QTEST_GUILESS_MAIN(TestCsvWriter)
#include "tst_csvwriter.moc"
