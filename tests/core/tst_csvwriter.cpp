#include "core/csvwriter.h"

#include <QBuffer>
#include <QtTest>

using namespace kestrovalin;

class TestCsvWriter : public QObject {
    Q_OBJECT
private slots:
    void exactBytesAndWriteErrors() {
        QBuffer buffer;
        buffer.open(QIODevice::WriteOnly);
        QVERIFY(CsvWriter::write(&buffer, "购进记录表", {"时间", "详情"},
                                 {{"2026-01-02", "说\"好\""}, {"", "a,b"}}));
        const QString expected = "购进记录表\n时间,详情\n\"2026-01-02\",\"说\"\"好\"\"\"\n\"\",\"a,b\"\n";
        QCOMPARE(buffer.data(), QByteArray("\xEF\xBB\xBF") + expected.toUtf8());
        QBuffer readOnly;
        readOnly.open(QIODevice::ReadOnly);
        QVERIFY(!CsvWriter::write(&readOnly, QString(), {"A"}, {}));
    }

    // A cell a spreadsheet would run as a formula is prefixed with ', numbers are left alone.
    void formulaGuard() {
        QStringList written;
        for (const char* cell :
             {"=1+2", "+cmd", "@SUM(A1)", "\tx", "\rx", "-x", "-12.50", "+3", "-", "阿莫西林", ""})
            written << CsvWriter::guardFormula(cell);
        QCOMPARE(written.join('|'), QString("'=1+2|'+cmd|'@SUM(A1)|'\tx|'\rx|'-x|-12.50|+3|-|阿莫西林|"));
    }
};

QTEST_GUILESS_MAIN(TestCsvWriter)
#include "tst_csvwriter.moc"
