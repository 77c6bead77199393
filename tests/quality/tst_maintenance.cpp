#include "core/currentuser.h"
#include "core/databasemanager.h"
#include "core/usersession.h"
#include "repositories/maintenancecheckrepository.h"
#include "tests/support/testmain.h"
#include "ui/common/prompts.h"
#include "ui/quality/maintenancedetaildialog.h"
#include "ui/quality/maintenancedialog.h"
#include "ui/quality/maintenancewindow.h"
#include "ui/reports/maintenancereportwindow.h"

#include "tests/support/logcapture.h"
#include "tests/support/modalanswer.h"
#include "tests/support/modeltexts.h"
#include "tests/support/pinnedclock.h"
#include "tests/support/prompttrail.h"
#include "tests/support/testdatabase.h"
#include "tests/support/windowprobe.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QtTest>

using namespace kestrovalin;
using namespace kestrovalin::test;
using kestrovalin::repositories::MaintenanceCheckRepository;

namespace {

const QDate kToday(2025, 1, 15);

// The whole remark the detail dialog shows.
QString remarkText(QObject* dialog) {
    return child<QPlainTextEdit>(dialog, "valueRemark")->toPlainText();
}

MaintenanceCheckRepository repository() {
    return MaintenanceCheckRepository(DatabaseManager::instance().getAdapter());
}

// A check stored directly: its flags as five digits (humidity, temperature, storage, facilities, pests).
void addCheck(TestDatabase& t, int id, int month, const QString& date, const QString& flags = "11111",
              const QVariant& remark = QString(), int checker = 1) {
    QList<QVariant> params{id, month, date, checker};
    for (const QChar& flag : flags)
        params << (flag == '1' ? 1 : 0);
    params << remark;
    t.exec("INSERT INTO maintenance_check (id, check_month, check_date, checked_by, humidity_normal, "
           "temperature_normal, storage_condition_ok, facilities_ok, pest_control_ok, remark, created_at) "
           "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, '2025-01-01 08:00:00')",
           params);
}

QString ids(const QList<models::MaintenanceCheck>& checks) {
    QStringList out;
    for (const models::MaintenanceCheck& c : checks)
        out << QString::number(c.id);
    return out.join(',');
}

QString flags(const models::MaintenanceCheck& c) {
    QString out;
    for (bool flag :
         {c.humidityNormal, c.temperatureNormal, c.storageConditionOk, c.facilitiesOk, c.pestControlOk})
        out += flag ? '1' : '0';
    return out;
}

QString columnOf(const QAbstractItemModel* model, int column) {
    return texts(model, -1, column);
}

const QAbstractItemModel* listOf(QObject* window) {
    return tableModel(window, "tableWidget");
}

// Ticks the dialog's boxes as the digits say and types the remark.
void fill(MaintenanceDialog* d, const QString& ticks, const QString& remark) {
    const char* boxes[] = {"checkHumidity", "checkTemperature", "checkStorage", "checkFacilities",
                           "checkPestControl"};
    for (int i = 0; i < 5; ++i)
        child<QCheckBox>(d, boxes[i])->setChecked(ticks.at(i) == '1');
    child<QPlainTextEdit>(d, "editRemark")->setPlainText(remark);
}

// The five verdict labels of the detail dialog: "text/colour/bold".
QString verdicts(MaintenanceDetailDialog& d) {
    QStringList out;
    for (const char* name :
         {"valueHumidity", "valueTemperature", "valueStorage", "valueFacilities", "valuePestControl"}) {
        const QLabel* label = child<QLabel>(&d, name);
        out << label->text() + "/" + label->styleSheet();
    }
    return out.join(", ");
}

void chooseMonth(QObject* window, int index) {
    child<QComboBox>(window, "comboMonth")->setCurrentIndex(index);
}

void makeCurrent(QObject* window, int row) {
    QTableView* table = child<QTableView>(window, "tableWidget");
    table->setCurrentIndex(table->model()->index(row, 1));
}

} // namespace

class TestMaintenance : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        Prompts::setTestMode(true);
        UserSession::instance().setCurrentUser(
            {1, QStringLiteral("admin"), QStringLiteral("系统管理员"), QStringLiteral("manager")});
        models::User user;
        user.id = 1;
        user.realName = QStringLiteral("系统管理员");
        CurrentUser::instance().setUser(user);
    }
    void init() { Prompts::reset(); }

    // --- repository ---

    // The insert stamps the local time over the record's own, sets the id, and reads back whole with the
    // checker's name; an update keeps the stamp. A missing id reads as the default record.
    void insertUpdateAndFind() {
        PinnedClock clock(kToday, QTime(23, 59, 30));
        TestDatabase t;
        models::MaintenanceCheck check;
        check.checkMonth = 202501;
        check.checkDate = "2025-01-15";
        check.checkedBy = 1;
        check.humidityNormal = true;
        check.storageConditionOk = true;
        check.pestControlOk = true;
        check.remark = " 灭蚊灯更换 ";
        check.createdAt = "1999-01-01 00:00:00";
        QVERIFY(repository().insert(check));
        QVERIFY(check.id > 0);
        models::MaintenanceCheck read = repository().findById(check.id);
        QCOMPARE(QStringList({QString::number(read.checkMonth), read.checkDate, read.checkedByName,
                              flags(read), read.remark, read.createdAt})
                     .join('|'),
                 QString("202501|2025-01-15|系统管理员|10101| 灭蚊灯更换 |2025-01-15 23:59:30"));
        read.facilitiesOk = true;
        read.remark.clear();
        QVERIFY(repository().update(read));
        read = repository().findById(check.id);
        QCOMPARE(flags(read) + "|" + read.remark + "|" + read.createdAt,
                 QString("10111||2025-01-15 23:59:30"));

        const models::MaintenanceCheck missing = repository().findById(999);
        QCOMPARE(missing.id, -1);
        QCOMPARE(missing.checkMonth, 0);
        QCOMPARE(flags(missing), QString("00000"));
        QCOMPARE(missing.checkDate + missing.checkedByName + missing.remark, QString());
    }

    // Two checks of one month are both kept, the later date first by month; all months newest first; the
    // month counts as done while one row is left; a check by a user since deleted keeps an empty checker.
    // Removing a missing id fails.
    void monthsAndRemoval() {
        PinnedClock clock(kToday);
        TestDatabase t;
        t.exec("INSERT INTO sys_user (id, username, password_hash, real_name, role, status) "
               "VALUES (5, 'gone', 'x', '离职员工', 'clerk', 1)");
        addCheck(t, 1, 202411, "2024-11-03");
        addCheck(t, 2, 202501, "2025-01-05");
        addCheck(t, 3, 202501, "2025-01-12", "11111", QString(), 5);
        addCheck(t, 4, 202412, "2024-12-30");
        t.exec("DELETE FROM sys_user WHERE id = 5");
        QCOMPARE(ids(repository().findByMonth(202501)), QString("3,2"));
        QStringList months;
        for (const models::MaintenanceCheck& c : repository().findAll())
            months << QString::number(c.checkMonth);
        QCOMPARE(months.join(','), QString("202501,202501,202412,202411"));
        QCOMPARE(repository().findById(3).checkedByName, QString());
        QCOMPARE(repository().findById(3).checkedBy, 5);

        QCOMPARE(repository().hasCheckForMonth(202412), true);
        QCOMPARE(repository().remove(4), true);
        QCOMPARE(repository().hasCheckForMonth(202412), false);
        QCOMPARE(repository().generateMonthlyTask(202501), true);
        MaintenanceCheckRepository again = repository();
        QCOMPARE(again.remove(4), false);
        QCOMPARE(again.refusal(), QString("该记录不存在"));
        QCOMPARE(repository().remove(999), false);
        QCOMPARE(t.count("maintenance_check"), 3);
    }

    // Check dates compared as dates, both bounds included.
    void dateRange_data() {
        QTest::addColumn<QString>("start");
        QTest::addColumn<QString>("end");
        QTest::addColumn<QString>("found");
        QTest::newRow("both bounds") << "2024-12-01"
                                     << "2025-01-05"
                                     << "2,4,1";
        QTest::newRow("one day") << "2025-01-05"
                                 << "2025-01-05"
                                 << "2";
        QTest::newRow("start after end") << "2025-01-05"
                                         << "2024-12-01"
                                         << "";
        QTest::newRow("nothing in range") << "2025-02-01"
                                          << "2025-02-28"
                                          << "";
    }
    void dateRange() {
        QFETCH(QString, start);
        QFETCH(QString, end);
        QFETCH(QString, found);
        TestDatabase t;
        addCheck(t, 1, 202412, "2024-12-01");
        addCheck(t, 2, 202501, "2025-01-05");
        addCheck(t, 3, 202501, "2025-01-06");
        addCheck(t, 4, 202412, "2024-12-31");
        addCheck(t, 5, 202411, "2024-11-30");
        QCOMPARE(ids(repository().findByDateRange(start, end)), found);
    }

    // Without a database each operation says which one found no adapter, and gives its empty result.
    void withoutAdapter() {
        LogCapture log;
        MaintenanceCheckRepository none(nullptr);
        models::MaintenanceCheck check;
        QCOMPARE(none.insert(check), false);
        QCOMPARE(none.update(check), false);
        QCOMPARE(none.remove(1), false);
        QCOMPARE(none.findById(1).id, -1);
        QCOMPARE(none.findAll().size(), 0);
        QCOMPARE(none.findByMonth(202501).size(), 0);
        QCOMPARE(none.findByDateRange("2025-01-01", "2025-01-31").size(), 0);
        QCOMPARE(none.hasCheckForMonth(202501), false);
        for (const char* operation :
             {"insert", "update", "remove", "findById", "findAll", "findByMonth", "findByDateRange"})
            QCOMPARE(log.count(QtCriticalMsg,
                               QString("MaintenanceCheckRepository::%1: m_adapter is null").arg(operation)),
                     1);
        QCOMPARE(log.count("m_adapter is null"), 7);
    }

    // --- window ---

    // Thirteen month entries built once; the list in its columns and colours, the id behind column 0.
    void monthsAndList() {
        PinnedClock clock(kToday);
        TestDatabase t;
        addCheck(t, 7, 202501, "2025-01-05", "01101", "  ");
        addCheck(t, 8, 202405, "2024-05-20", "11111");
        MaintenanceWindow w;
        const QComboBox* combo = child<QComboBox>(&w, "comboMonth");
        QStringList texts, data;
        for (int i = 0; i < combo->count(); ++i)
            texts << combo->itemText(i), data << combo->itemData(i).toString();
        QCOMPARE(texts.join(','),
                 QString("全部月份,2025年1月,2024年12月,2024年11月,2024年10月,2024年9月,"
                         "2024年8月,2024年7月,2024年6月,2024年5月,2024年4月,2024年3月,2024年2月"));
        QCOMPARE(data.first() + "," + data.at(1) + "," + data.last(), QString("0,202501,202402"));
        const QAbstractItemModel* list = listOf(&w);
        QCOMPARE(list->columnCount(), 8);
        QCOMPARE(columnOf(list, 0), QString("2025年1月|2024年5月"));
        QCOMPARE(columnOf(list, 2), QString("系统管理员|系统管理员"));
        QCOMPARE(columnOf(list, 3) + " / " + columnOf(list, 4) + " / " + columnOf(list, 5) + " / " +
                     columnOf(list, 6),
                 QString("异常|正常 / 正常|正常 / 合规|合规 / 异常|正常"));
        QCOMPARE(columnColours(list, 3), QString("#ff0000|#009900"));
        QCOMPARE(columnColours(list, 5), QString("#009900|#009900"));
        QCOMPARE(columnOf(list, 7), QString("  |-"));
        QCOMPARE(list->index(1, 0).data(Qt::UserRole).toInt(), 8);
        QCOMPARE(list->index(0, 4).data(Qt::TextAlignmentRole).toInt(), int(Qt::AlignCenter));
        QCOMPARE(labelText(&w, "labelTotal"), QString("共 2 条记录"));
        chooseMonth(&w, 9);
        QCOMPARE(columnOf(list, 1), QString("2024-05-20"));
        // The month list does not move on at the turn of the month.
        Clock::pin(QDateTime(QDate(2025, 2, 1), QTime(9, 0)));
        click(&w, "btnSearch");
        QCOMPARE(combo->itemText(1), QString("2025年1月"));
    }

    // An existing month asks first; an unticked item asks before the dialog accepts, and No keeps the dialog
    // with its ticks and remark; Cancel writes and says nothing. A stored check of unticked items shows red.
    // With an earlier month chosen the new check waits until this month is chosen.
    void addFlow() {
        PinnedClock clock(kToday, QTime(16, 45));
        TestDatabase t;
        addCheck(t, 1, 202501, "2025-01-02");
        MaintenanceWindow w;

        Prompts::queueQuestion(false);
        click(&w, "btnAdd");
        QCOMPARE(takePrompts(":"), QString("提示:本月已完成养护检查，确定要再次添加记录吗？"));

        Prompts::reset();
        Prompts::queueQuestion(true);
        QString keptAfterNo;
        {
            ModalAnswer<MaintenanceDialog> cancel([&](MaintenanceDialog* d) {
                fill(d, "10110", "温度计待校准");
                Prompts::queueQuestion(false);
                click(d, "btnSubmit");
                keptAfterNo = QString::number(d->isVisible()) +
                              QString::number(child<QCheckBox>(d, "checkHumidity")->isChecked()) +
                              child<QPlainTextEdit>(d, "editRemark")->toPlainText();
                click(d, "btnCancel");
            });
            click(&w, "btnAdd");
        }
        QCOMPARE(keptAfterNo, QString("11温度计待校准"));
        QCOMPARE(takePrompts(":"), QString("提示:本月已完成养护检查，确定要再次添加记录吗？|"
                                           "确认提交:部分检查项未勾选确认，确定要提交吗？"));
        QCOMPARE(t.count("maintenance_check"), 1);

        chooseMonth(&w, 2);
        Prompts::reset();
        Prompts::queueQuestion(true);
        ModalAnswer<MaintenanceDialog> submit([&](MaintenanceDialog* d) {
            fill(d, "00000", " 灭鼠板缺失 ");
            Prompts::queueQuestion(true);
            click(d, "btnSubmit");
        });
        click(&w, "btnAdd");
        QCOMPARE(Prompts::lastTitle() + ":" + Prompts::lastText(), QString("成功:养护检查记录添加成功"));
        const models::MaintenanceCheck stored = repository().findByMonth(202501).first();
        QCOMPARE(
            QStringList({QString::number(stored.checkMonth), stored.checkDate,
                         QString::number(stored.checkedBy), flags(stored), stored.remark, stored.createdAt})
                .join('|'),
            QString("202501|2025-01-15|1|00000| 灭鼠板缺失 |2025-01-15 16:45:00"));
        QCOMPARE(child<QComboBox>(&w, "comboMonth")->currentIndex(), 2);
        QCOMPARE(listOf(&w)->rowCount(), 0);
        chooseMonth(&w, 0);
        const QAbstractItemModel* list = listOf(&w);
        QCOMPARE(columnOf(list, 1), QString("2025-01-15|2025-01-02"));
        QCOMPARE(list->index(0, 3).data().toString() + list->index(0, 5).data().toString(),
                 QString("异常不合规"));
        QCOMPARE(columnColours(list, 5).section('|', 0, 0), QString("#ff0000"));
    }

    // A failed insert says so and lists nothing new; a month without a check opens the dialog at once.
    void failedAdd() {
        PinnedClock clock(kToday);
        TestDatabase t;
        t.exec(
            "CREATE TRIGGER refuse BEFORE INSERT ON maintenance_check BEGIN SELECT RAISE(ABORT, 'no'); END");
        MaintenanceWindow w;
        ModalAnswer<MaintenanceDialog> submit([&](MaintenanceDialog* d) {
            fill(d, "11111", QString());
            click(d, "btnSubmit");
        });
        click(&w, "btnAdd");
        QCOMPARE(submit.count(), 1);
        QCOMPARE(takePrompts(":"), QString("错误:添加失败"));
        QCOMPARE(listOf(&w)->rowCount(), 0);
    }

    // Viewing and deleting need a current row; a double click views its row; a check deleted meanwhile
    // cannot be deleted again and says so.
    void viewAndDelete() {
        PinnedClock clock(kToday);
        TestDatabase t;
        addCheck(t, 1, 202412, "2024-12-10", "11111", "正常");
        addCheck(t, 2, 202501, "2025-01-10", "11110", "<b>粘鼠板</b>");
        MaintenanceWindow w;
        click(&w, "btnView");
        click(&w, "btnDelete");
        QCOMPARE(takePrompts(":"), QString("提示:请选择一条记录|提示:请选择一条记录"));

        QString shown;
        ModalAnswer<MaintenanceDetailDialog> detail([&](MaintenanceDetailDialog* d) {
            shown = labelText(d, "valueMonth") + "|" + remarkText(d) + "|" + labelText(d, "valuePestControl");
            click(d, "btnClose");
        });
        QTableView* table = child<QTableView>(&w, "tableWidget");
        emit table->doubleClicked(table->model()->index(1, 6));
        QCOMPARE(shown, QString("2024年12月|正常|到位"));
        QCOMPARE(table->currentIndex().row(), 1);
        makeCurrent(&w, 0);
        click(&w, "btnView");
        QCOMPARE(shown, QString("2025年1月|<b>粘鼠板</b>|未到位"));

        Prompts::reset();
        Prompts::queueQuestion(false);
        click(&w, "btnDelete");
        QCOMPARE(t.count("maintenance_check"), 2);
        Prompts::queueQuestion(true);
        click(&w, "btnDelete");
        QCOMPARE(columnOf(listOf(&w), 1), QString("2024-12-10"));
        t.exec("DELETE FROM maintenance_check");
        makeCurrent(&w, 0);
        Prompts::queueQuestion(true);
        click(&w, "btnDelete");
        QCOMPARE(
            takePrompts(":"),
            QString("删除确认:确定要删除这条养护检查记录吗？|删除确认:确定要删除这条养护检查记录吗？|"
                    "成功:删除成功|删除确认:确定要删除这条养护检查记录吗？|错误:删除失败\n该记录不存在"));
    }

    // The check dialog stands centred over its parent's top-level window, not over the parent itself.
    void checkDialogPlacement() {
        QWidget top;
        top.setGeometry(100, 100, 1000, 800);
        QWidget inner(&top);
        inner.setGeometry(0, 0, 200, 100);
        MaintenanceDialog d(&inner);
        QCOMPARE(d.frameGeometry().center(), top.frameGeometry().center());
    }

    // --- detail dialog ---

    // Verdicts bold in green or red; an empty remark "-"; every value shown as typed, never as markup.
    void detailDialog_data() {
        QTest::addColumn<QString>("flags");
        QTest::addColumn<QString>("remark");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QString>("remarkShown");
        const QString red = "/color: #FF0000; font-weight: bold;",
                      green = "/color: #009900; font-weight: bold;";
        QTest::newRow("all false") << "00000" << QString()
                                   << "异常" + red + ", 异常" + red + ", 不合规" + red + ", 异常" + red +
                                          ", 未到位" + red
                                   << "-";
        QTest::newRow("all true") << "11111"
                                  << "<b>x</b><img src=y>"
                                  << "正常" + green + ", 正常" + green + ", 合规" + green + ", 正常" + green +
                                         ", 到位" + green
                                  << "<b>x</b><img src=y>";
    }
    void detailDialog() {
        QFETCH(QString, flags);
        QFETCH(QString, remark);
        QFETCH(QString, shown);
        QFETCH(QString, remarkShown);
        models::MaintenanceCheck check;
        check.id = 3;
        check.checkMonth = 202505;
        check.checkDate = "2025-05-31";
        check.checkedByName = "<i>王</i>";
        check.humidityNormal = flags.at(0) == '1';
        check.temperatureNormal = flags.at(1) == '1';
        check.storageConditionOk = flags.at(2) == '1';
        check.facilitiesOk = flags.at(3) == '1';
        check.pestControlOk = flags.at(4) == '1';
        check.remark = remark;
        MaintenanceDetailDialog d;
        d.setCheck(check);
        QCOMPARE(verdicts(d), shown);
        QCOMPARE(remarkText(&d), remarkShown);
        QCOMPARE(labelText(&d, "valueMonth") + "|" + labelText(&d, "valueChecker") + "|" +
                     labelText(&d, "valueCreated"),
                 QString("2025年5月|<i>王</i>|"));
        for (QLabel* label : d.findChildren<QLabel*>(QRegularExpression("^value")))
            QCOMPARE(label->objectName() + ":" + QString::number(label->textFormat()),
                     label->objectName() + ":" + QString::number(Qt::PlainText));
    }

    // A long remark is never cut off: it sits whole in a read-only box that scrolls to its end.
    void detailShowsALongRemarkWhole() {
        models::MaintenanceCheck check;
        check.checkMonth = 202510;
        check.remark = QString("阴凉区空调温控失灵，冷藏药品已转移，空调已报修；维修人员次日上午到场更换温控"
                               "器，复测温度恢复至二十摄氏度以下，期间每两小时人工记录一次温湿度，相关记录已"
                               "附在养护档案中备查，并已对全体店员进行了应急处置培训")
                           .repeated(4);
        MaintenanceDetailDialog d;
        d.setCheck(check);
        d.show();
        const auto* box = d.findChild<QPlainTextEdit*>("valueRemark");
        QVERIFY(box);
        QCOMPARE(box->toPlainText(), check.remark);
        QVERIFY(box->isReadOnly());
        QVERIFY2(box->verticalScrollBar()->maximum() > 0,
                 qPrintable(QString::number(box->verticalScrollBar()->maximum())));
    }

    // --- record book ---

    // Three calendar months back to today, both ends included; the month unpadded; four verdicts without
    // pest control; the export's header line and its log row.
    void reportBook() {
        PinnedClock clock(QDate(2025, 5, 31));
        TestDatabase t;
        addCheck(t, 1, 202502, "2025-02-27");
        addCheck(t, 2, 202502, "2025-02-28", "01110", "");
        addCheck(t, 3, 202505, "2025-05-31", "11110", "防鼠网破损，已更换");
        addCheck(t, 4, 202505, "2025-05-02");
        MaintenanceReportWindow w;
        QCOMPARE(child<QDateEdit>(&w, "dateStart")->date(), QDate(2025, 2, 28));
        const QAbstractItemModel* book = tableModel(&w, "tableReport");
        QCOMPARE(book->columnCount(), 9);
        QCOMPARE(columnOf(book, 0), QString("1|2|3"));
        QCOMPARE(columnOf(book, 1), QString("2025年5月|2025年5月|2025年2月"));
        QCOMPARE(columnOf(book, 2), QString("2025-05-31|2025-05-02|2025-02-28"));
        QCOMPARE(columnOf(book, 4), QString("正常|正常|异常"));
        QCOMPARE(columnColours(book, 4), QString("#009900|#009900|#ff0000"));
        QCOMPARE(columnOf(book, 8), QString("防鼠网破损，已更换|-|-"));
        QCOMPARE(book->index(0, 7).data(Qt::TextAlignmentRole).toInt(), int(Qt::AlignCenter));
        QCOMPARE(labelText(&w, "labelTotal"), QString("共 3 条记录"));

        QTemporaryDir dir;
        Prompts::queueFileName(dir.filePath("maintenance.csv"));
        click(&w, "btnExport");
        QFile file(dir.filePath("maintenance.csv"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QList<QByteArray> lines = file.readAll().split('\n');
        QCOMPARE(QString::fromUtf8(lines.at(1)),
                 QString("序号,检查月份,检查日期,检查人,湿度,温度,储存条件,设施设备,备注"));
        QCOMPARE(QString::fromUtf8(lines.at(4)), QString("\"3\",\"2025年2月\",\"2025-02-28\",\"系统管理员\","
                                                         "\"异常\",\"正常\",\"合规\",\"正常\",\"-\""));
        QCOMPARE(
            t.scalar("SELECT module || '/' || action || '/' || detail FROM sys_operation_log").toString(),
            QString("采购入库/导出养护检查记录表/导出 3 条记录"));
    }
};

KV_TEST_CLASS(TestMaintenance)
#include "tst_maintenance.moc"
