#include "core/keepernote.h"
#include "tests/support/testmain.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace kestrovalin;

Q_DECLARE_METATYPE(NotedFile)

namespace {

NotedFile born(quint64 inode, qint64 bornNsec, qint64 size = 8192, qint64 modifiedNsec = 5) {
    NotedFile file;
    file.identity = {2049, inode};
    file.hasBirth = true;
    file.bornSec = 1790000000;
    file.bornNsec = bornNsec;
    file.size = size;
    file.modifiedSec = 1790000100;
    file.modifiedNsec = modifiedNsec;
    return file;
}

NotedFile withoutBirth(NotedFile file) {
    file.hasBirth = false;
    return file;
}

} // namespace

class TestKeeperNote : public QObject {
    Q_OBJECT
private slots:
    // Which entry of the note a copy finds for the old file it has open: the one noted for that very file,
    // whatever was written into it since; never one of another file, nor one left by an earlier run for a
    // file whose inode a new file took, nor one of an earlier version of the program.
    void matching_data() {
        QTest::addColumn<QByteArray>("earlier"); // lines already in the note
        QTest::addColumn<NotedFile>("noted");    // the file a copy noted "emptied" for, if any
        QTest::addColumn<NotedFile>("looked");   // the file a later copy has open
        QTest::addColumn<QString>("opened");     // when the later copy opened its file
        QTest::addColumn<bool>("found");
        QTest::newRow("the same file") << QByteArray() << born(12, 7) << born(12, 7) << "before" << true;
        QTest::newRow("the same file written since")
            << QByteArray() << born(12, 7) << born(12, 7, 12288, 9) << "before" << true;
        // The file put back at the path and opened again, then replaced once more.
        QTest::newRow("the same file, opened since the entry")
            << QByteArray() << born(12, 7) << born(12, 7) << "after" << false;
        QTest::newRow("the same file, the entry from before the computer started")
            << QByteArray() << born(12, 7) << born(12, 7) << "on another boot" << false;
        QTest::newRow("a file that took the inode, with its size and modification time, born later")
            << QByteArray() << born(12, 7) << born(12, 8) << "before" << false;
        QTest::newRow("another inode") << QByteArray() << born(12, 7) << born(13, 7) << "before" << false;
        QTest::newRow("no birth time: the same size and modification time")
            << QByteArray() << withoutBirth(born(12, 7)) << withoutBirth(born(12, 7)) << "before" << true;
        QTest::newRow("no birth time: another modification time")
            << QByteArray() << withoutBirth(born(12, 7)) << withoutBirth(born(12, 7, 8192, 6)) << "before"
            << false;
        QTest::newRow("no birth time: another size") << QByteArray() << withoutBirth(born(12, 7))
                                                     << withoutBirth(born(12, 7, 12288)) << "before" << false;
        QTest::newRow("an entry without a birth time, a file with one")
            << QByteArray() << withoutBirth(born(12, 7)) << born(12, 7) << "before" << false;
        // An earlier version named the file by device, inode, size and change time.
        QTest::newRow("an earlier version's entry, a file with a birth time")
            << QByteArray("2049 13 8192 1790000100 5 emptied 1\n") << born(12, 7) << born(13, 7) << "before"
            << false;
        QTest::newRow("an earlier version's entry, a file without a birth time")
            << QByteArray("2049 13 8192 1790000100 5 emptied 1\n") << born(12, 7) << withoutBirth(born(13, 7))
            << "before" << false;
        QTest::newRow("damaged entries for the file, none noted since")
            << QByteArray("born\nborn 2049 12 1790000000 7\nborn 2049 12 1790000000 7 emptied\n"
                          "born 2049 12 1790000000 7 closed 1\n\xff\xfe\n")
            << NotedFile{} << born(12, 7) << "before" << false;
        QTest::newRow("damaged lines and an earlier version's beside the entry")
            << QByteArray("born\nborn 2049 12 1790000000 7\nborn 2049 12 1790000000 7 emptied\n"
                          "born 2049 12 1790000000 7 closed 1\n2049 12 8192 1790000100 5 left 0\n\xff\xfe\n")
            << born(12, 7) << born(12, 7) << "before" << true;
        QTest::newRow("a decision about the file noted again")
            << QByteArray("born 2049 12 1790000000 7 left 0\n") << born(12, 7) << born(12, 7) << "before"
            << true;
    }
    void matching() {
        QFETCH(QByteArray, earlier);
        QFETCH(NotedFile, noted);
        QFETCH(NotedFile, looked);
        QFETCH(QString, opened);
        QFETCH(bool, found);
        QTemporaryDir dir;
        const QString database = dir.path() + "/kestrovalin.db";
        QFile file(database + "-keeper");
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(earlier) == earlier.size());
        file.close();
        BootMoment openedAt = bootMomentNow();
        {
            KeeperNote note(database);
            QCOMPARE(note.take(false), KeeperNote::Lock::Taken);
            QVERIFY(noted.identity.inode == 0 || note.write(noted, LogNote{LogNote::Outcome::Emptied, true}));
        }
        if (opened == "after")
            openedAt = bootMomentNow();
        else if (opened == "on another boot")
            openedAt.boot = "00000000-0000-0000-0000-000000000000";
        // A later copy, once the first let go of the note.
        KeeperNote note(database);
        QCOMPARE(note.take(false), KeeperNote::Lock::Taken);
        const std::optional<LogNote> entry = note.find(looked, openedAt);
        QCOMPARE(entry.has_value(), found);
        if (found)
            QVERIFY(entry->outcome == LogNote::Outcome::Emptied && entry->fileHoldsLog);
    }
};

KV_TEST_CLASS(TestKeeperNote)
#include "tst_keepernote.moc"
