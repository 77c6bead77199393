#include "repositories/prescriptionrepository.h"
#include "tests/prescriptions/registerseed.h"
#include "tests/support/faultyadapter.h"
#include "tests/support/logcapture.h"
#include "tests/support/pinnedclock.h"
#include "tests/support/testdatabase.h"
#include "tests/support/testmain.h"

#include <QRegularExpression>
#include <QtTest>

using namespace kestrovalin;
using namespace kestrovalin::test;
using namespace kestrovalin::models;
using namespace kestrovalin::repositories;

namespace {

// Far from the machine's real date, so anything that used SQLite's own (UTC) clock would give other answers.
const QDate kToday(2031, 5, 20);

PrescriptionItem line(int productId, const QString& name, int quantity, const QString& dosage = QString()) {
    PrescriptionItem item;
    item.productId = productId;
    item.productName = name;
    item.specification = QStringLiteral("0.25g*24粒");
    item.quantity = quantity;
    item.dosage = dosage;
    item.unit = QStringLiteral("盒");
    return item;
}

Prescription prescription(const QString& no, const QList<PrescriptionItem>& items = {}) {
    Prescription p;
    p.prescriptionNo = no;
    p.doctorName = QStringLiteral("李卫东");
    p.doctorTitle = QStringLiteral("主治医师");
    p.hospitalName = QStringLiteral("市第一人民医院");
    p.patientName = QStringLiteral("王建国");
    p.patientAge = 58;
    p.patientGender = QStringLiteral("男");
    p.diagnosis = QStringLiteral("急性支气管炎");
    p.validUntil = QStringLiteral("2031-05-23");
    p.status = QStringLiteral("valid");
    p.createdBy = 2;
    p.items = items;
    return p;
}

template <class T, class F> QString joined(const QList<T>& list, F text, QChar separator = ',') {
    QStringList out;
    for (const T& x : list)
        out << text(x);
    return out.join(separator);
}

// Prescription numbers in list order, each with its lines' drug names: "H1(甲+乙),H2()".
QString listed(const QList<Prescription>& list) {
    return joined(list, [](const Prescription& p) {
        return p.prescriptionNo + "(" +
               joined(
                   p.items, [](const PrescriptionItem& i) { return i.productName; }, '+') +
               ")";
    });
}

} // namespace

class TestPrescriptionRepository : public QObject {
    Q_OBJECT
private slots:
    // Every field written comes back, the lines in the order written (not by product), the stored defaults
    // fill creation time and leave the review empty.
    void insertAndReadBack() {
        TestDatabase t;
        PrescriptionRepository repo(t.db());
        const int id = repo.insert(prescription(
            "H20310520-7", {line(9, "头孢克肟分散片", 2, "一次1片，一日2次"), line(3, "阿莫西林胶囊", 1)}));
        QVERIFY(id > 0);
        const Prescription p = repo.findById(id);
        QCOMPARE(p.id, id);
        QCOMPARE(p.prescriptionNo, QString("H20310520-7"));
        QCOMPARE(p.doctorName, QString("李卫东"));
        QCOMPARE(p.doctorTitle, QString("主治医师"));
        QCOMPARE(p.hospitalName, QString("市第一人民医院"));
        QCOMPARE(p.patientName, QString("王建国"));
        QCOMPARE(p.patientAge, 58);
        QCOMPARE(p.patientGender, QString("男"));
        QCOMPARE(p.diagnosis, QString("急性支气管炎"));
        QCOMPARE(p.validUntil, QString("2031-05-23"));
        QCOMPARE(p.status, QString("valid"));
        QCOMPARE(p.usedCount, 0);
        QCOMPARE(p.createdBy, 2);
        QCOMPARE(p.reviewBy, 0);
        QCOMPARE(p.reviewTime, QString());
        QVERIFY2(
            QRegularExpression("^\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d$").match(p.createdAt).hasMatch(),
            qPrintable(p.createdAt));
        QCOMPARE(p.items.size(), 2);
        const PrescriptionItem& first = p.items.at(0);
        QCOMPARE(first.prescriptionId, id);
        QCOMPARE(first.productId, 9);
        QCOMPARE(first.productName, QString("头孢克肟分散片"));
        QCOMPARE(first.specification, QString("0.25g*24粒"));
        QCOMPARE(first.quantity, 2);
        QCOMPARE(first.dosage, QString("一次1片，一日2次"));
        QCOMPARE(first.unit, QString("盒"));
        QCOMPARE(p.items.at(1).productId, 3);
        QVERIFY(p.items.at(1).id > first.id);

        const Prescription missing = repo.findById(id + 100);
        QCOMPARE(missing.id, 0);
        QCOMPARE(missing.status, QString());
        QCOMPARE(missing.items.size(), 0);
    }

    // A failing step ends the registration with nothing stored, -1 and its log line. The header alone is
    // committed when there are no lines (the dialog refuses that before).
    void insertIsAllOrNothing_data() {
        QTest::addColumn<Prescription>("record");
        QTest::addColumn<QString>("fault");
        QTest::addColumn<bool>("stored");
        QTest::addColumn<QString>("log");
        const Prescription good =
            prescription("H1", {line(1, "阿莫西林胶囊", 1), line(2, "头孢克肟分散片", 1)});
        Prescription badLine = good;
        badLine.items[1].productName = QString(); // NOT NULL
        Prescription badHeader = good;
        badHeader.doctorName = QString();
        QTest::newRow("second line") << badLine << "" << false << "Prescription item insert failed:";
        QTest::newRow("header") << badHeader << "" << false << "Prescription insert failed:";
        QTest::newRow("begin") << good << "begin" << false << "Failed to start transaction";
        QTest::newRow("commit") << good << "commit" << false << "Failed to commit transaction";
        QTest::newRow("no lines") << prescription("H1") << "" << true << "";
    }
    void insertIsAllOrNothing() {
        QFETCH(Prescription, record);
        QFETCH(QString, fault);
        QFETCH(bool, stored);
        QFETCH(QString, log);
        TestDatabase t;
        FaultyAdapter db(t.db());
        db.failBegin(fault == "begin");
        db.failCommit(fault == "commit");
        LogCapture capture;
        const int id = PrescriptionRepository(&db).insert(record);
        QCOMPARE(id > 0, stored);
        if (!stored)
            QCOMPARE(id, -1);
        QCOMPARE(t.count("prescription"), stored ? 1 : 0);
        QCOMPARE(t.count("prescription_item"), 0);
        if (!log.isEmpty())
            QCOMPARE(capture.count(QtCriticalMsg, log), 1);
    }

    // The register reads years of prescriptions: their lines come in one statement for all of them, and a
    // search that names no drug does not join the lines at all.
    void linesInOneStatement() {
        TestDatabase t;
        seedRegister(t);
        FaultyAdapter db(t.db());
        PrescriptionRepository repo(&db);
        QCOMPARE(repo.findAll().size(), 4);
        QCOMPARE(db.statements().filter("prescription_item").size(), 1);
        QCOMPARE(repo.search("", "王", "", "", "", "", "").size(), 2);
        QCOMPARE(db.statements().filter("prescription_item").size(), 2);
        QCOMPARE(db.statements().filter("JOIN").size(), 0);
        QCOMPARE(listed(repo.search("", "", "阿莫西林", "", "", "", "")).count('('), 2);
        QCOMPARE(db.statements().size(), 6);
    }

    // The hospital's numbers repeat; both are stored and a look-up by number returns one of them.
    void numbersAreNotUnique() {
        TestDatabase t;
        PrescriptionRepository repo(t.db());
        const int first = repo.insert(prescription("H1", {line(1, "阿莫西林胶囊", 1)}));
        const int second = repo.insert(prescription("H1", {line(2, "头孢克肟分散片", 1)}));
        QVERIFY(second > first);
        QCOMPARE(t.count("prescription", "prescription_no = 'H1'"), 2);
        const Prescription found = repo.findByNo("H1");
        QVERIFY(found.id == first || found.id == second);
        QCOMPARE(found.items.size(), 1);
        QCOMPARE(repo.findByNo("H9").id, 0);
    }

    // Filters in the repository's own order: number, patient, drug, barcode, mnemonic, batch, doctor.
    void search_data() {
        QTest::addColumn<QStringList>("filters");
        QTest::addColumn<QString>("expected");
        auto row = [](const char* tag, const QStringList& filters, const char* expected) {
            QTest::newRow(tag) << filters << QString(expected);
        };
        row("all empty lists all, newest first", {"", "", "", "", "", "", ""},
            "H4(),H2(头孢克肟片),H3(阿莫西林胶囊),H1(阿莫西林胶囊+奥美拉唑肠溶胶囊+阿莫西林胶囊)");
        row("number", {"H3", "", "", "", "", "", ""}, "H3(阿莫西林胶囊)");
        row("patient alone", {"", "王建", "", "", "", "", ""},
            "H4(),H1(阿莫西林胶囊+奥美拉唑肠溶胶囊+阿莫西林胶囊)");
        row("drug name is the line's copy", {"", "", "头孢克肟片", "", "", "", ""}, "H2(头孢克肟片)");
        row("today's product name is not searched", {"", "", "分散片", "", "", "", ""}, "");
        row("two matching lines give one prescription with all lines", {"", "", "阿莫西林", "", "", "", ""},
            "H3(阿莫西林胶囊),H1(阿莫西林胶囊+奥美拉唑肠溶胶囊+阿莫西林胶囊)");
        row("barcode", {"", "", "", "6911824300372", "", "", ""},
            "H1(阿莫西林胶囊+奥美拉唑肠溶胶囊+阿莫西林胶囊)");
        row("mnemonic in lower case", {"", "", "", "", "tbkw", "", ""}, "H2(头孢克肟片)");
        row("batch of a sale line carrying the prescription", {"", "", "", "", "", "TB2406", ""},
            "H2(头孢克肟片)");
        row("batch sold without a prescription", {"", "", "", "", "", "A231120", ""}, "");
        row("doctor is the last argument", {"", "", "", "", "", "", "李卫东"},
            "H3(阿莫西林胶囊),H1(阿莫西林胶囊+奥美拉唑肠溶胶囊+阿莫西林胶囊)");
        row("filters are ANDed", {"", "王建国", "阿莫西林", "", "AMX", "", "李卫东"},
            "H1(阿莫西林胶囊+奥美拉唑肠溶胶囊+阿莫西林胶囊)");
        row("ANDed filters that exclude each other", {"H3", "王建国", "", "", "", "", ""}, "");
    }
    void search() {
        QFETCH(QStringList, filters);
        QFETCH(QString, expected);
        TestDatabase t;
        seedRegister(t);
        // LIKE ignores the case of ASCII letters by default, which would hide a mnemonic bound as typed.
        t.exec("PRAGMA case_sensitive_like = ON");
        const QList<Prescription> found = PrescriptionRepository(t.db()).search(
            filters[0], filters[1], filters[2], filters[3], filters[4], filters[5], filters[6]);
        QCOMPARE(listed(found), expected);
    }

    // A review makes any prescription valid and records the reviewer; a missing id or a second review is a
    // failure, not a review that changed nothing.
    void review() {
        TestDatabase t;
        seedRegister(t);
        PrescriptionRepository repo(t.db());
        QVERIFY(repo.reviewPrescription(4, 2));
        const Prescription p = repo.findById(4);
        QCOMPARE(p.status, QString("valid"));
        QCOMPARE(p.reviewBy, 2);
        QVERIFY(!p.reviewTime.isEmpty());
        QCOMPARE(repo.reviewPrescription(4, 3), false); // already valid: another reviewer came first
        QCOMPARE(repo.refusal(), QString("该处方已审核"));
        QCOMPARE(repo.findById(4).reviewBy, 2);
        QCOMPARE(repo.reviewPrescription(99, 2), false);
        QCOMPARE(repo.refusal(), QString("该处方不存在"));
        QCOMPARE(t.count("prescription", "review_by IS NOT NULL"), 1);
    }

    // Prescriptions whose lines cannot be read are not shown as prescriptions without drugs.
    void unreadableLinesListNothing() {
        TestDatabase t;
        seedRegister(t);
        FaultyAdapter db(t.db());
        LogCapture log;
        db.failStatement("^SELECT line");
        QCOMPARE(PrescriptionRepository(&db).findAll().size(), 0);
        QCOMPARE(log.count(QtCriticalMsg, "Prescription lines cannot be read:"), 1);
    }

    // Operations no window calls yet, each with the effect it promises.
    void uncalledOperations() {
        TestDatabase t;
        seedRegister(t);
        PinnedClock clock(kToday, QTime(0, 30));
        t.exec("UPDATE prescription SET valid_until = ? WHERE id = 1", {"2031-05-19"});
        t.exec("UPDATE prescription SET valid_until = ? WHERE id = 3", {"2031-05-20"});
        PrescriptionRepository repo(t.db());
        // H2 is 'used', H4 'expired': only H3 (ends today) is still valid; H1 ended yesterday.
        QCOMPARE(listed(repo.findValidPrescriptions()), QString("H3(阿莫西林胶囊)"));
        QCOMPARE(listed(repo.findByPatientName("王建")),
                 QString("H4(),H1(阿莫西林胶囊+奥美拉唑肠溶胶囊+阿莫西林胶囊)"));
        QCOMPARE(repo.generatePrescriptionNo(), QString("PRE203105200001"));
        t.exec("UPDATE prescription SET prescription_no = 'PRE203105200001' WHERE id = 4");
        QCOMPARE(repo.generatePrescriptionNo(), QString("PRE203105200002"));

        QVERIFY(repo.markAsUsed(3));
        Prescription changed = repo.findById(3);
        changed.prescriptionNo = "changed";
        changed.patientName = "陈志明";
        QVERIFY(repo.update(changed));
        QCOMPARE(
            t.scalar("SELECT prescription_no || patient_name || used_count FROM prescription WHERE id = 3")
                .toString(),
            QString("H3陈志明1"));
    }
};

KV_TEST_CLASS(TestPrescriptionRepository)
#include "tst_prescriptionrepository.moc"
