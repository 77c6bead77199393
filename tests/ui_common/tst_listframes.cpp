#include "core/backgroundrow.h"
#include "core/databasemanager.h"
#include "core/rowreader.h"
#include "core/sqliteconnection.h"
#include "repositories/expirywarningrepository.h"
#include "repositories/inventorywarningrepository.h"
#include "repositories/salesrepository.h"
#include "tests/support/datarows.h"
#include "tests/support/fulldisk.h"
#include "tests/support/logcapture.h"
#include "tests/support/modalanswer.h"
#include "tests/support/modeltexts.h"
#include "tests/support/otherwriter.h"
#include "tests/support/pinnedclock.h"
#include "tests/support/smallpages.h"
#include "tests/support/testdatabase.h"
#include "tests/support/testmain.h"
#include "ui/admin/operlogwindow.h"
#include "ui/admin/usermanagerwindow.h"
#include "ui/common/listfollower.h"
#include "ui/common/listframe.h"
#include "ui/common/pickerframe.h"
#include "ui/common/prompts.h"
#include "ui/common/readtrouble.h"
#include "ui/common/reportframe.h"
#include "ui/common/rowtablemodel.h"
#include "ui/common/styles.h"
#include "ui/common/tableexport.h"
#include "ui/common/tablefill.h"
#include "ui/main/mainwindow.h"
#include "ui/masterdata/customermanagerwindow.h"
#include "ui/masterdata/customerselectiondialog.h"
#include "ui/masterdata/productmanagerwindow.h"
#include "ui/masterdata/productselectiondialog.h"
#include "ui/masterdata/suppliermanagerwindow.h"
#include "ui/masterdata/supplierselectiondialog.h"
#include "ui/purchasing/expirywarningdialog.h"
#include "ui/purchasing/expirywarningwindow.h"
#include "ui/purchasing/inventorycheckwindow.h"
#include "ui/purchasing/inventorywindow.h"
#include "ui/purchasing/purchasedialog.h"
#include "ui/purchasing/purchaseorderselectiondialog.h"
#include "ui/purchasing/purchasewindow.h"
#include "ui/quality/rejecteddrugselectiondialog.h"
#include "ui/quality/rejecteddrugwindow.h"
#include "ui/reports/salesrecordreportwindow.h"
#include "ui/returns/productbatchselectiondialog.h"
#include "ui/returns/purchasereturnwindow.h"
#include "ui/sales/salesdialog.h"
#include "ui/sales/salesorderselectiondialog.h"
#include "ui/sales/salesproductselectiondialog.h"
#include "ui/sales/saleswindow.h"

#include <QAbstractItemModelTester>
#include <QAccessible>
#include <QDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QInputDialog>
#include <QKeySequence>
#include <QLabel>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPaintEvent>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QScrollBar>
#include <QSemaphore>
#include <QSpinBox>
#include <QSqlQuery>
#include <QStyle>
#include <QStyleFactory>
#include <QTabWidget>
#include <QTableView>
#include <QTableWidget>
#include <QThreadPool>
#include <QToolTip>
#include <QtTest>

#include <atomic>
#include <csignal>
#include <limits>
#include <numeric>
#include <optional>
#include <sqlite3.h>

#include <sys/resource.h>
#include <unistd.h>

using namespace kestrovalin;
using namespace kestrovalin::test;

namespace {

// A role's value as text: colours by name, nothing as "-".
QString shown(const QVariant& value) {
    if (!value.isValid())
        return QStringLiteral("-");
    if (value.userType() == qMetaTypeId<QBrush>())
        return value.value<QBrush>().color().name();
    return value.toString();
}

// Each row as "id:cell|cell|..." followed by " c=background/foreground" for every coloured cell.
QString dump(const QAbstractItemModel* model) {
    QStringList lines;
    for (int r = 0; r < model->rowCount(); ++r) {
        QStringList cells;
        QString colours;
        for (int c = 0; c < model->columnCount(); ++c) {
            const QModelIndex index = model->index(r, c);
            cells << index.data().toString();
            const QString background = shown(index.data(Qt::BackgroundRole));
            const QString foreground = shown(index.data(Qt::ForegroundRole));
            if (background != "-" || foreground != "-")
                colours += QStringLiteral(" %1=%2/%3").arg(c).arg(background, foreground);
        }
        lines << shown(model->index(r, 0).data(Qt::UserRole)) + ":" + cells.join('|') + colours;
    }
    return lines.join('\n');
}

QTableView* tableIn(QWidget* window) {
    for (const char* name : {"tableView", "tableWidget", "tableLogs"}) {
        if (auto* table = window->findChild<QTableView*>(name))
            return table;
    }
    return nullptr;
}

// Two listed drugs and a deleted one; a supplier in force, one expiring, one with an expired and one with
// an unreadable date; the default customer and another.
void seed(TestDatabase& t) {
    t.exec(
        "INSERT INTO product (id, barcode, name, mnemonic_code, specification, approval_no, manufacturer, "
        "category, storage_condition, is_prescription, unit, purchase_price, sale_price, status) VALUES "
        "(1, '6901', '板蓝根颗粒', 'BLGKL', '10g*20袋', '国药准字Z1', '白云山', 'OTC甲类', '常温', 0, '袋', "
        "9.2, 15.456, 1), "
        "(2, NULL, '阿莫西林胶囊', 'AMXL', '0.25g*24粒', '国药准字H2', '华康', '处方药', '阴凉', 1, '盒', 8, "
        "12, 1), "
        "(3, '6903', '已删除', 'YSC', '', '', '', '其他', '常温', 0, '盒', 1, 2, 0)");
    t.exec(
        "INSERT INTO supplier (id, name, license_no, business_scope, contact_name, contact_phone, address, "
        "license_expire_date, business_license_expire_date, gsp_cert_expire_date, tax_reg_expire_date, "
        "qualification_status, status) VALUES "
        "(1, '国药控股', 'L1', '中成药,抗生素', '李娜', '138', '上海', '2028-01-01', '', '', '', 'valid', "
        "'active'), "
        "(2, '九州通', 'L2', '', '王', '139', '武汉', '2026-03-31', '', '', '', 'valid', 'active'), "
        "(3, '华东医药', 'L3', '其他', '张', '137', '杭州', '2026-02-28', '', '', '', 'expired', 'active'), "
        "(4, '坏日期', 'L4', '', '', '', '', '2027/01/01', '', '', '', 'valid', 'active')");
    t.exec("INSERT INTO customer (id, name, phone, address, id_card, remark, is_default, created_at) VALUES "
           "(5, '张三', '13800001111', '北京', '110', '常客', 0, '2030-01-01')");
    t.exec(
        "INSERT INTO inventory_batch (id, product_id, supplier_id, batch_no, expiry_date, quantity) VALUES "
        "(1, 1, 1, 'B30', '2026-03-31', 5), (2, 2, 2, 'B31', '2026-04-01', 12), "
        "(3, 1, 1, 'B90', '2026-05-30', 7), (4, 2, 1, 'B91', '2026-05-31', 1)");
    // Two entries in the same second, and one without a readable time.
    t.exec("INSERT INTO sys_operation_log (id, user_id, user_name, module, action, detail, ip_address, "
           "created_at) VALUES (1, 1, '系统管理员', '用户管理', '登录', '', '127.0.0.1', '2026-02-27 "
           "08:00:00'), "
           "(2, 2, '李娜', '销售收银', '收银', 'SAL202602280001', '', '2026-02-28 17:30:05'), "
           "(3, 2, '李娜', '商品管理', '编辑', '姓名: \"阿\"', '', '2026-02-28 17:30:05'), "
           "(4, 1, '系统管理员', '库存管理', '盘点', 'CHK1', '10.0.0.2', '')");
}

// Eleven rows whose day repeats and is missing on three.
void addPagedRows(TestDatabase& t) {
    t.exec("CREATE TABLE paged (id INTEGER PRIMARY KEY, day TEXT, amount REAL)");
    t.exec("INSERT INTO paged (id, day, amount) VALUES (1, '05-01', 1.5), (2, NULL, 2), (3, '05-03', 0.25), "
           "(4, '05-01', 4), (5, NULL, 5), (6, '05-02', 6), (7, '05-03', 7), (8, '05-01', 8), "
           "(9, '05-02', 9), (10, NULL, 10), (11, '05-03', 11)");
}

ListQuery pagedRows(bool dayDescending, bool idDescending) {
    ListQuery list;
    list.columns = "id, day";
    list.from = "FROM paged";
    list.order = {{"day", dayDescending, true}, {"id", idDescending}};
    list.totals = QStringList{"SUM(amount)"};
    return list;
}

TableRow pagedRow(const Row& r) {
    return TableRow(r.integer("id"), {r.text("day"), r.text("id")});
}

// The virtual machine steps SQLite takes to run a statement to its end: the work it does, whatever the
// machine's speed.
qint64 vmSteps(TestDatabase& t, const ListQuery::Statement& statement) {
    sqlite3* handle = sqliteHandle(t.db()->getQtDatabase());
    sqlite3_stmt* prepared = nullptr;
    // A statement that does not prepare counts as endless work.
    if (sqlite3_prepare_v2(handle, statement.sql.toUtf8().constData(), -1, &prepared, nullptr) != SQLITE_OK)
        return std::numeric_limits<qint64>::max();
    for (int i = 0; i < statement.params.size(); ++i) {
        const QVariant& value = statement.params.at(i);
        if (value.type() == QVariant::Int || value.type() == QVariant::LongLong)
            sqlite3_bind_int64(prepared, i + 1, value.toLongLong());
        else
            sqlite3_bind_text(prepared, i + 1, value.toString().toUtf8().constData(), -1, SQLITE_TRANSIENT);
    }
    while (sqlite3_step(prepared) == SQLITE_ROW) {
    }
    const qint64 steps = sqlite3_stmt_status(prepared, SQLITE_STMTSTATUS_VM_STEP, 0);
    sqlite3_finalize(prepared);
    return steps;
}

// Counts the statements the program's connection runs while it lives, but for the look at the file's mark
// that every key makes before it is handled.
class StatementCount {
public:
    StatementCount() : m_handle(sqliteHandle(DatabaseManager::instance().getAdapter()->getQtDatabase())) {
        sqlite3_trace_v2(m_handle, SQLITE_TRACE_STMT, &StatementCount::traced, this);
    }
    ~StatementCount() { sqlite3_trace_v2(m_handle, 0, nullptr, nullptr); }
    StatementCount(const StatementCount&) = delete;
    StatementCount& operator=(const StatementCount&) = delete;
    int count() const { return m_count; }

private:
    static int traced(unsigned, void* self, void* statement, void*) {
        if (qstrcmp(sqlite3_sql(static_cast<sqlite3_stmt*>(statement)), "PRAGMA data_version") != 0)
            ++static_cast<StatementCount*>(self)->m_count;
        return 0;
    }
    sqlite3* m_handle;
    int m_count = 0;
};

// A hundred records, ids 10 to 1000, and their list, the newest first.
ListQuery addListed(TestDatabase& t) {
    t.exec("CREATE TABLE listed (id INTEGER PRIMARY KEY)");
    t.exec("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 100) "
           "INSERT INTO listed (id) SELECT i * 10 FROM n");
    ListQuery list;
    list.columns = "id";
    list.from = "FROM listed";
    list.order = {{"id", true}};
    return list;
}

// The ids at each position, read in the given order of positions.
QString idsReadAs(const RowTableModel& model, const QVector<int>& positions) {
    QVector<QString> ids(model.rowCount());
    for (int position : positions)
        ids[position] = model.text(position, 1);
    return QStringList(ids.begin(), ids.end()).join(',');
}

// Every row's id as the model shows it.
QString everyId(const RowTableModel& model) {
    QVector<int> everyRow(model.rowCount());
    std::iota(everyRow.begin(), everyRow.end(), 0);
    return idsReadAs(model, everyRow);
}

// The ids of the paged rows in the file, in pagedRows(true, true)'s order.
QString pagedIdsInTheFile(TestDatabase& t) {
    return t
        .scalar("SELECT group_concat(id) FROM (SELECT id FROM paged ORDER BY day IS NULL, day DESC, id DESC)")
        .toString();
}

QStringList drugRow1() {
    return {"1:6901|板蓝根颗粒|BLGKL|10g*20袋|国药准字Z1|白云山|OTC甲类|常温|否|袋|9.20|15.46"};
}

// What a frame's loader was asked for, and the rows it gives.
struct FakeLoader {
    QStringList keywords;
    QVector<TableRow> rows{TableRow(10, {"甲", "a"}), TableRow(20, {"乙", "b"})};
    PickerFrame::Loader loader() {
        return [this](const QString& keyword) {
            keywords << "[" + keyword + "]";
            return rows;
        };
    }
};

// Sixty sales (ids 1 to 60) and sixty batches of one drug (ids 1 to 60, "B01" to "B60", ten each).
void addSalesAndBatches(TestDatabase& t) {
    t.exec("INSERT INTO product (id, name, unit, purchase_price, sale_price, status) VALUES "
           "(1, '板蓝根颗粒', '袋', 9, 15, 1)");
    const QString sixty = "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 60) ";
    t.exec(sixty +
           "INSERT INTO sales_order (id, order_no, customer_id, total_amount, sale_date, operator_id, "
           "status) SELECT i, printf('SAL20310519%04d', i), 1, i, '2031-05-19', 1, 'completed' FROM n");
    t.exec(sixty +
           "INSERT INTO inventory_batch (id, product_id, batch_no, production_date, expiry_date, "
           "quantity, unit_cost, status) SELECT i, 1, printf('B%02d', i), '2030-01-01', '2033-01-01', "
           "10, 9, 'normal' FROM n");
}

// A sale of the drug's batch through the program's repository.
void sell(TestDatabase& t, const QString& batchNo, int quantity) {
    models::SalesOrder order;
    order.operatorId = 1;
    order.customerId = 1;
    models::SalesOrderItem line;
    line.productId = 1;
    line.batchNo = batchNo;
    line.quantity = quantity;
    line.unitPrice = 15;
    line.amount = quantity * 15;
    if (!SalesRepository(t.db()).insertOrder(order, {line}))
        qFatal("Set-up sale failed");
}

// A statement committed by a connection of its own, as another program on the same file would.
void writeElsewhere(TestDatabase& t, const QString& sql) {
    const QString name = QStringLiteral("elsewhere");
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(t.path());
        QSqlQuery q(db);
        if (!db.open() || !q.exec(sql))
            qFatal("Write from another connection failed");
    }
    QSqlDatabase::removeDatabase(name);
}

// While alive, permissions are checked as for an ordinary user, who owns the paths: root passes every check.
struct AsOrdinaryUser {
    explicit AsOrdinaryUser(const QStringList& paths) {
        active = geteuid() == 0;
        for (const QString& path : paths)
            active = active && chown(QFile::encodeName(path).constData(), kNobody, kNobody) == 0;
        active = active && seteuid(kNobody) == 0;
    }
    ~AsOrdinaryUser() {
        if (active && seteuid(0) != 0)
            qFatal("cannot become root again");
    }
    static constexpr uid_t kNobody = 65534;
    bool active = false;
};

// Every signal by which a model changes its rows or layout, noted by name.
class ModelSignals {
public:
    explicit ModelSignals(QAbstractItemModel* model) {
        using M = QAbstractItemModel;
        QObject::connect(model, &M::layoutAboutToBeChanged, &m_context, [this] { m_seen << "layout"; });
        QObject::connect(model, &M::rowsAboutToBeInserted, &m_context, [this] { m_seen << "insert"; });
        QObject::connect(model, &M::rowsAboutToBeRemoved, &m_context, [this] { m_seen << "remove"; });
        QObject::connect(model, &M::modelAboutToBeReset, &m_context, [this] { m_seen << "reset"; });
    }
    QStringList seen() const { return m_seen; }

private:
    QObject m_context;
    QStringList m_seen;
};

// A model that notes every change of its rows or layout made inside one of its reads.
class ReadWatchedModel : public RowTableModel {
    template <typename Read> auto read(Read reading) const {
        const int before = m_changes.seen().size();
        const auto value = reading();
        m_changedInReads += m_changes.seen().mid(before);
        return value;
    }

public:
    explicit ReadWatchedModel(const QStringList& titles) : RowTableModel(titles), m_changes(this) {}
    int rowCount(const QModelIndex& parent = QModelIndex()) const override {
        return read([&] { return RowTableModel::rowCount(parent); });
    }
    QVariant data(const QModelIndex& index, int role) const override {
        return read([&] { return RowTableModel::data(index, role); });
    }
    Qt::ItemFlags flags(const QModelIndex& index) const override {
        return read([&] { return RowTableModel::flags(index); });
    }
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
        return read([&] { return RowTableModel::headerData(section, orientation, role); });
    }
    // What changed inside a read, "layout" or "insert" for example; empty when nothing did.
    QStringList changedInReads() const { return m_changedInReads; }

private:
    ModelSignals m_changes;
    mutable QStringList m_changedInReads;
};

// Holds an index for every visible cell it read last, as the accessibility layer's cell interfaces do (the
// bridge is not there offscreen), with the record the cell showed.
class CellReader {
public:
    // Returns the ids read, row by row.
    QString read(const QTableView& view) {
        m_cells.clear();
        QStringList ids;
        for (int r = view.rowAt(0); r >= 0 && r <= view.rowAt(view.viewport()->height() - 1); ++r) {
            const QVariant id = view.model()->index(r, 0).data(Qt::UserRole);
            ids << id.toString();
            for (int c = 0; c < view.model()->columnCount(); ++c)
                m_cells.append({view.model()->index(r, c), id});
        }
        return ids.join(',');
    }
    // The cells held that now stand on another record than the one they showed, as "row:id".
    QStringList strayed() const {
        QStringList out;
        for (const auto& [cell, id] : m_cells) {
            if (cell.isValid() && cell.sibling(cell.row(), 0).data(Qt::UserRole) != id)
                out << QString("%1:%2").arg(cell.row()).arg(id.toInt());
        }
        return out;
    }

private:
    QList<QPair<QPersistentModelIndex, QVariant>> m_cells;
};

// The record ids the view shows: paged down to the last row (first before the count is in, then again
// once it is), then up to the first, each position with the id seen there; "?" where two ids were seen,
// "_" where none.
QString idsWalked(QTableView* view) {
    QMap<int, QString> seen;
    const auto note = [&] {
        const int first = std::max(0, view->rowAt(0));
        int last = view->rowAt(view->viewport()->height() - 1);
        if (last < 0)
            last = view->model()->rowCount() - 1;
        for (int r = first; r <= last; ++r) {
            const int id = view->model()->index(r, 0).data(Qt::UserRole).toInt();
            if (id <= 0)
                continue;
            const QString text = QString::number(id);
            seen[r] = seen.contains(r) && seen[r] != text ? QString("?") : text;
        }
    };
    const auto page = [&](Qt::Key key, bool withEvents) {
        for (int step = 0; step < 100; ++step) {
            const int before = view->currentIndex().row();
            QTest::keyClick(view, key);
            if (withEvents)
                QCoreApplication::processEvents();
            note();
            if (view->currentIndex().row() == before)
                break;
        }
    };
    page(Qt::Key_PageDown, false);
    auto* model = qobject_cast<RowTableModel*>(view->model());
    if (!QTest::qWaitFor([model] { return model->countKnown(); }))
        return QString("(not counted)");
    page(Qt::Key_PageDown, true);
    page(Qt::Key_PageUp, true);
    QStringList ids;
    for (int r = 0; r <= (seen.isEmpty() ? -1 : seen.lastKey()); ++r)
        ids << seen.value(r, "_");
    return ids.join(',');
}

// The selected rows as runs of rows one after another, each "first id-last id" (one id for a run of one).
QString selectedRuns(const QTableView& view) {
    QStringList runs;
    const QAbstractItemModel* model = view.model();
    for (int r = 0; r < model->rowCount(); ++r) {
        if (!view.selectionModel()->isSelected(model->index(r, 0)))
            continue;
        const int first = r;
        while (r + 1 < model->rowCount() && view.selectionModel()->isSelected(model->index(r + 1, 0)))
            ++r;
        const auto id = [model](int row) {
            return model->index(row, 0).data(Qt::UserRole).toString();
        };
        runs << (first == r ? id(r) : id(first) + "-" + id(r));
    }
    return runs.join(',');
}

// What a widget painted while this lived.
class PaintedRegion : public QObject {
public:
    explicit PaintedRegion(QWidget* widget) { widget->installEventFilter(this); }
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint)
            m_painted += static_cast<QPaintEvent*>(event)->region();
        return false;
    }
    bool covers(const QRect& rect) const { return (QRegion(rect) - m_painted).isEmpty(); }

private:
    QRegion m_painted;
};

// One list window of the family over the sales or the batches.
std::unique_ptr<QMainWindow> listWindow(const QString& list) {
    if (list == "sales")
        return std::make_unique<SalesWindow>();
    return std::make_unique<InventoryWindow>();
}

QString truthOf(TestDatabase& t, const QString& list) {
    return t
        .scalar(list == "sales"
                    ? "SELECT group_concat(id) FROM (SELECT id FROM sales_order ORDER BY id DESC)"
                    : "SELECT group_concat(id) FROM (SELECT id FROM inventory_batch WHERE quantity > 0 "
                      "ORDER BY id DESC)")
        .toString();
}

template <class W> QWidget* newWindow() {
    return new W;
}

QWidget* newDrugPicker() {
    return new ProductSelectionDialog(nullptr, false, false);
}

QWidget* newBatchPicker() {
    return new ProductBatchSelectionDialog(nullptr, ProductBatchSelectionDialog::SalesReturnMode);
}

// The window of that title, as the menu opens it, or the picker, as a form opens it.
std::unique_ptr<QWidget> windowNamed(const QString& title) {
    const QHash<QString, QWidget* (*)()> windows{
        {"商品管理", &newWindow<ProductManagerWindow>},
        {"供应商管理", &newWindow<SupplierManagerWindow>},
        {"客户管理", &newWindow<CustomerManagerWindow>},
        {"近效期药品预警", &newWindow<ExpiryWarningWindow>},
        {"用户管理", &newWindow<UserManagerWindow>},
        {"选择供应商", &newWindow<SupplierSelectionDialog>},
        {"入库单", &newWindow<PurchaseWindow>},
        {"销售单", &newWindow<SalesWindow>},
        {"退货单", &newWindow<PurchaseReturnWindow>},
        {"盘点单", &newWindow<InventoryCheckWindow>},
        {"不合格药品", &newWindow<RejectedDrugWindow>},
        {"主窗口", &newWindow<MainWindow>},
        {"选择客户", &newWindow<CustomerSelectionDialog>},
        {"选择商品", &newDrugPicker},
        {"选择采购单", &newWindow<PurchaseOrderSelectionDialog>},
        {"选择销售单", &newWindow<SalesOrderSelectionDialog>},
        {"选择销售商品", &newWindow<SalesProductSelectionDialog>},
        {"选择退货批次", &newBatchPicker},
        {"选择不合格药品", &newWindow<RejectedDrugSelectionDialog>},
    };
    return std::unique_ptr<QWidget>(windows.value(title)());
}

QString said() {
    QStringList out;
    for (const Prompts::Record& r : Prompts::history())
        out << r.title + ":" + r.text;
    Prompts::reset();
    return out.join('|');
}

// The colour a widget paints a few pixels in from its left edge, half way down.
QString faceOf(QWidget* widget) {
    widget->ensurePolished();
    return QColor(widget->grab().toImage().pixel(4, widget->height() / 2)).name();
}

const QString kReplacedReason = QStringLiteral("数据库文件已被其他程序替换，未能读取记录，请重新启动程序");

// The colour a label's text is drawn in.
QString inkOf(QLabel* label) {
    label->ensurePolished();
    return label->palette().color(label->foregroundRole()).name();
}

// What a window tells of its rows once they could not be read: each visible label that gives a count
// ("count 共 0 条记录"), each that says why with its colour ("why in #rrggbb"), and each box that says why.
QStringList toldOfUnreadRows(QWidget* window) {
    static const QRegularExpression count(QStringLiteral("\\d+\\s*条"));
    QStringList told;
    for (QLabel* label : window->findChildren<QLabel*>()) {
        if (!label->isVisibleTo(window))
            continue;
        if (count.match(label->text()).hasMatch())
            told << "count " + label->text();
        if (label->text().contains(kReplacedReason))
            told << "why in " + inkOf(label);
    }
    for (const Prompts::Record& r : Prompts::history()) {
        if (r.text.contains(kReplacedReason))
            told << "box";
    }
    return told;
}

// Whether the window told it as it should: at least once, and only in the warning colour or a box.
bool toldOnlyWhy(const QStringList& told) {
    const QString why = "why in " + QColor(colours::troubleText).name();
    return !told.isEmpty() && std::all_of(told.begin(), told.end(),
                                          [&](const QString& line) { return line == why || line == "box"; });
}

// Turns to the tab the button is on, as a person does before pressing it, and presses it.
void clickOnItsTab(QPushButton* button) {
    for (QWidget* page = button; page->parentWidget(); page = page->parentWidget()) {
        QWidget* stack = page->parentWidget();
        if (auto* tabs = qobject_cast<QTabWidget*>(stack->parentWidget()))
            tabs->setCurrentWidget(page);
    }
    button->click();
}

// Opens a main window's entry as the user does (a menu entry, or a slot of the main window for one opened
// otherwise), or shows a picker as a form does, kept in picker. Returns the window it opened, or null for
// one the main window kept and showed again.
QWidget* openEntry(MainWindow& main, const QString& entry, std::unique_ptr<QWidget>& picker) {
    if (entry.startsWith("选择")) {
        picker = windowNamed(entry);
        picker->show();
        picker->activateWindow();
        return picker.get();
    }
    const QList<QMainWindow*> before = main.findChildren<QMainWindow*>();
    if (entry.startsWith("open"))
        QMetaObject::invokeMethod(&main, entry.toLatin1().constData());
    for (QAction* menu : main.menuBar()->actions())
        for (QAction* action : menu->menu()->actions())
            if (action->text() == entry)
                action->trigger();
    for (QMainWindow* opened : main.findChildren<QMainWindow*>())
        if (!before.contains(opened))
            return opened;
    return nullptr;
}

// Presses the export button with an earlier export at path, as the user chooses it again: what the box says
// ("title:text"), and " | earlier kept" when that file is the only one in its folder, as it was.
QString exportOntoEarlier(QPushButton* exportButton, const QString& path) {
    const QByteArray earlier = "\xEF\xBB\xBF序号,日期\n1,2026-02-27\n";
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(earlier) != earlier.size())
        return "cannot write " + path;
    file.close();
    Prompts::reset();
    Prompts::queueFileName(path);
    exportButton->click();
    const QString told = Prompts::lastTitle() + ":" + Prompts::lastText();
    const bool kept = file.open(QIODevice::ReadOnly) && file.readAll() == earlier &&
                      QFileInfo(path).dir().entryList(QDir::Files | QDir::Hidden) ==
                          QStringList{QFileInfo(path).fileName()};
    return told + (kept ? " | earlier kept" : " | earlier not kept");
}

} // namespace

// The shared table model, list frame, picker frame, CSV export, style sheets and input boxes.
class TestListFrames : public QObject {
    Q_OBJECT
private slots:
    void init() {
        Prompts::setTestMode(true);
        Prompts::reset();
    }

    void modelRoles_data() {
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("column");
        QTest::addColumn<int>("role");
        QTest::addColumn<QString>("value");
        QTest::newRow("text") << 0 << 1 << int(Qt::DisplayRole) << "阿莫西林";
        QTest::newRow("cell the row lacks") << 1 << 3 << int(Qt::DisplayRole) << "";
        QTest::newRow("id in column 0") << 0 << 0 << int(Qt::UserRole) << "7";
        QTest::newRow("no id elsewhere") << 0 << 1 << int(Qt::UserRole) << "-";
        QTest::newRow("row shade") << 1 << 0 << int(Qt::BackgroundRole) << "#c8ffc8";
        QTest::newRow("cell colour wins") << 1 << 1 << int(Qt::BackgroundRole) << "#ff0000";
        QTest::newRow("cell foreground only") << 1 << 2 << int(Qt::BackgroundRole) << "#c8ffc8";
        QTest::newRow("cell foreground") << 1 << 2 << int(Qt::ForegroundRole) << "#ffffff";
        QTest::newRow("no colour") << 0 << 1 << int(Qt::BackgroundRole) << "-";
        QTest::newRow("column alignment")
            << 0 << 2 << int(Qt::TextAlignmentRole) << QString::number(Qt::AlignCenter);
        QTest::newRow("default alignment") << 0 << 1 << int(Qt::TextAlignmentRole) << "-";
        QTest::newRow("past the last row") << 2 << 0 << int(Qt::DisplayRole) << "-";
    }
    void modelRoles() {
        QFETCH(int, row);
        QFETCH(int, column);
        QFETCH(int, role);
        RowTableModel model({"名称", "商品", "状态", "备注"});
        model.setColumnAlignment(2, Qt::AlignCenter);
        model.setRows({TableRow(7, {"A1", "阿莫西林", "正常", "x"}), TableRow(8, {"B2", "感冒灵", "停用"})
                                                                         .shade(QColor(200, 255, 200))
                                                                         .mark(1, Qt::white, Qt::red)
                                                                         .mark(2, Qt::white, QColor())});
        QTEST(shown(model.index(row, column).data(role)), "value");
    }

    // Titles across, row numbers down; cells can be selected but never edited.
    void modelHeadersAndFlags() {
        RowTableModel model({"条码", "名称"});
        model.setRows({TableRow(3, {"6901", "板蓝根"}), TableRow(4, {"6902", "感冒灵"})});
        QCOMPARE(model.headerData(1, Qt::Horizontal).toString(), QString("名称"));
        QCOMPARE(model.headerData(1, Qt::Vertical).toString(), QString("2"));
        QCOMPARE(model.flags(model.index(0, 0)) & Qt::ItemIsEditable, Qt::ItemFlags());
        QCOMPARE(model.flags(model.index(0, 0)) & Qt::ItemIsSelectable, Qt::ItemIsSelectable);
        QCOMPARE(model.id(1), 4);
        QCOMPARE(model.id(2), -1);
        QCOMPARE(model.text(1, 1), QString("感冒灵"));
    }

    // Sorted by a title the rows come in the order a QTableWidget gives the same texts, ties kept in the
    // order shown, through later fills too; the current row follows its record.
    void modelSortsAsATableWidget_data() {
        QTest::addColumn<int>("column");
        QTest::addColumn<int>("order");
        QTest::newRow("names up") << 0 << int(Qt::AscendingOrder);
        QTest::newRow("names down") << 0 << int(Qt::DescendingOrder);
        QTest::newRow("numbers as text up") << 1 << int(Qt::AscendingOrder);
        QTest::newRow("numbers as text down") << 1 << int(Qt::DescendingOrder);
        QTest::newRow("ties and blanks down") << 2 << int(Qt::DescendingOrder);
    }
    void modelSortsAsATableWidget() {
        QFETCH(int, column);
        QFETCH(int, order);
        const QVector<QStringList> texts{{"感冒灵", "10", "b"}, {"阿莫西林", "9", ""},  {"Zinc", "100", "b"},
                                         {"aspirin", "9", "a"}, {"板蓝根", "010", "b"}, {"=1", "-1", ""}};
        QTableWidget widget(0, 3);
        RowTableModel model({"名称", "数量", "类别"});
        QVector<TableRow> rows;
        auto fillWidget = [&] {
            TableFill fill(&widget, texts.size());
            for (int r = 0; r < texts.size(); ++r)
                fill.setRow(r, texts.at(r));
        };
        // The widget's rows as positions in texts, and the model's ids.
        auto orders = [&] {
            QStringList widgetOrder;
            QStringList modelOrder;
            for (int r = 0; r < texts.size(); ++r) {
                widgetOrder << QString::number(texts.indexOf(QStringList{
                    widget.item(r, 0)->text(), widget.item(r, 1)->text(), widget.item(r, 2)->text()}));
                modelOrder << QString::number(model.id(r));
            }
            return qMakePair(modelOrder, widgetOrder);
        };
        for (int r = 0; r < texts.size(); ++r)
            rows.append(TableRow(r, texts.at(r)));
        fillWidget();
        QTableView view;
        view.setModel(&model);
        model.setRows(rows);
        view.setCurrentIndex(model.index(4, 1));
        // Sorting turned on sorts by the title the header marks, then by the one asked for.
        widget.setSortingEnabled(true);
        widget.sortByColumn(column, Qt::SortOrder(order));
        view.setSortingEnabled(true);
        view.sortByColumn(column, Qt::SortOrder(order));
        const auto sorted = orders();
        QCOMPARE(sorted.first, sorted.second);
        QCOMPARE(model.id(view.currentIndex().row()), 4);
        QCOMPARE(view.currentIndex().column(), 1);
        fillWidget();
        model.setRows(rows);
        const auto refilled = orders();
        QCOMPARE(refilled.first, refilled.second);
    }

    // Each list window and picker shows through the model exactly the texts, colours and ids it showed
    // through one item per cell.
    void windowsShowTheirRowsAsBefore_data() {
        QTest::addColumn<int>("window");
        QTest::addColumn<QStringList>("rows");
        QTest::newRow("drug list")
            << 0
            << (QStringList{"2:|阿莫西林胶囊|AMXL|0.25g*24粒|国药准字H2|华康|处方药|阴凉|是|盒|8.00|12.00"}
                << drugRow1());
        QTest::newRow("supplier list")
            << 1
            << QStringList{"4:坏日期|L4|||||||2027/01/01|||已过期|正常 11=#ff0000/#ffffff",
                           "3:华东医药|L3||||其他|张|137|2026-02-28|||已过期|正常 11=#ff0000/#ffffff",
                           "2:九州通|L2|||||王|139|2026-03-31|||即将到期|正常 11=#808000/#ffffff",
                           "1:国药控股|L1||||中成药、抗生素|李娜|138|2028-01-01|||有效|正常"};
        QTest::newRow("customer list")
            << 2
            << QStringList{"1:1|零售客户||||默认零售客户，用于未登记客户的销售|是 0=#c8ffc8/- 1=#c8ffc8/- "
                           "2=#c8ffc8/- 3=#c8ffc8/- 4=#c8ffc8/- 5=#c8ffc8/- 6=#c8ffc8/-",
                           "5:5|张三|13800001111|北京|110|常客|否"};
        QTest::newRow("drug picker") << 3
                                     << QStringList{"2:|阿莫西林胶囊|0.25g*24粒|国药准字H2|华康|处方药",
                                                    "1:6901|板蓝根颗粒|10g*20袋|国药准字Z1|白云山|OTC甲类"};
        QTest::newRow("supplier picker")
            << 4 << QStringList{"2:2|九州通|L2|王|139|武汉|正常", "1:1|国药控股|L1|李娜|138|上海|正常"};
        QTest::newRow("customer picker")
            << 5
            << QStringList{"1:1|零售客户|| 0=#c8ffc8/- 1=#c8ffc8/- 2=#c8ffc8/- 3=#c8ffc8/-",
                           "5:5|张三|13800001111|北京"};
        QTest::newRow("operation log")
            << 6
            << QStringList{"3:2026-02-28 17:30:05|李娜|商品管理|编辑|姓名: \"阿\"||3",
                           "2:2026-02-28 17:30:05|李娜|销售收银|收银|SAL202602280001||2",
                           "1:2026-02-27 08:00:00|系统管理员|用户管理|登录||127.0.0.1|1",
                           "4:|系统管理员|库存管理|盘点|CHK1|10.0.0.2|4"};
        QTest::newRow("near-expiry dialog")
            << 7
            << QStringList{"2:阿莫西林胶囊|B91|2026-05-31|91 天|1",
                           "1:板蓝根颗粒|B90|2026-05-30|90 天|7 3=#808000/#ffffff",
                           "2:阿莫西林胶囊|B31|2026-04-01|31 天|12 3=#808000/#ffffff",
                           "1:板蓝根颗粒|B30|2026-03-31|30 天|5 3=#800000/#ffffff"};
    }
    void windowsShowTheirRowsAsBefore() {
        QFETCH(int, window);
        PinnedClock pin(QDate(2026, 3, 1));
        TestDatabase t;
        seed(t);
        QScopedPointer<QWidget> shownWindow;
        switch (window) {
        case 0:
            shownWindow.reset(new ProductManagerWindow);
            break;
        case 1:
            shownWindow.reset(new SupplierManagerWindow);
            break;
        case 2:
            shownWindow.reset(new CustomerManagerWindow);
            break;
        case 3:
            shownWindow.reset(new ProductSelectionDialog(nullptr, false, false));
            break;
        case 4:
            shownWindow.reset(new SupplierSelectionDialog);
            break;
        case 6:
            shownWindow.reset(new OperLogWindow);
            break;
        case 7:
            shownWindow.reset(new ExpiryWarningDialog(
                repositories::ExpiryWarningRepository(t.db()).findNearExpiryItems(180)));
            break;
        default:
            shownWindow.reset(new CustomerSelectionDialog);
            break;
        }
        QTEST(dump(tableIn(shownWindow.data())->model()).split('\n'), "rows");
    }

    // Over a table widget the window's own rows carry their ids; without a current row the hint comes in the
    // window's kind of box and nothing is chosen.
    void listFrameOverATableWidget() {
        QWidget window;
        QTableWidget table(&window);
        ListFrame frame(&window, &table, {"ID", "用户名"}, {60, 120}, ListFrame::Hint::Warning);
        {
            TableFill fill(&table, 2);
            fill.set(0, 0, "1")->setData(Qt::UserRole, 1);
            fill.set(0, 1, "admin");
            fill.set(1, 0, "9")->setData(Qt::UserRole, 9);
            fill.set(1, 1, "zhang");
        }
        QCOMPARE(frame.model(), static_cast<RowTableModel*>(nullptr));
        QCOMPARE(table.horizontalHeaderItem(1)->text(), QString("用户名"));
        // A font may ask for more than the starting width as the header's least.
        QCOMPARE(table.columnWidth(0), std::max(60, table.horizontalHeader()->minimumSectionSize()));
        QCOMPARE(frame.requireCurrent("请先选择用户！"), -1);
        QCOMPARE(said(), QString("提示:请先选择用户！"));
        QCOMPARE(Prompts::history().size(), 0);
        table.setCurrentCell(1, 1);
        QCOMPARE(frame.requireCurrent("请先选择用户！"), 9);
        QCOMPARE(frame.currentText(1), QString("zhang"));
        QCOMPARE(said(), QString());
    }

    // Over a table view: the frame's model, the count label, searches by the trimmed text or the text as
    // typed, the whole list with the field left alone, and the delete question with the name as typed.
    void listFrameOverATableView() {
        QWidget window;
        QTableView table(&window);
        QLabel count(&window);
        QLineEdit field(&window);
        QStringList asked;
        ListFrame frame(&window, &table, {"名称"}, {}, ListFrame::Hint::Information, false);
        frame.setCountLabel(&count);
        frame.setSearch(&field, [&](const QString& keyword) { asked << "[" + keyword + "]"; });
        frame.show(
            [] {
                return QStringList{"甲", "乙", "丙"};
            },
            [](const QString& name) { return TableRow(name.size(), {name}); });
        QCOMPARE(count.text(), QString("共 3 条记录"));
        QCOMPARE(table.selectionMode(), QAbstractItemView::ExtendedSelection);
        field.setText("  感冒 ");
        frame.search();
        frame.showAll();
        frame.setSearch(
            &field, [&](const QString& keyword) { asked << "(" + keyword + ")"; }, false);
        frame.search();
        QCOMPARE(asked.join(' '), QString("[感冒] [] (  感冒 )"));
        QCOMPARE(field.text(), QString("  感冒 "));

        QCOMPARE(frame.requireCurrent("请先选择要编辑的商品"), -1);
        QCOMPARE(Prompts::last().kind, Prompts::Kind::Information);
        Prompts::queueQuestion(true);
        QCOMPARE(frame.confirmDelete("确认删除", "商品", "<b>甲</b>"), true);
        QCOMPARE(said(), QString("提示:请先选择要编辑的商品|确认删除:确定要删除商品 \"<b>甲</b>\" 吗？"));
    }

    // "确定" takes the row the setup names; without one it warns and stays, or closes without a choice. A
    // reload forgets the choice; Return never presses a button.
    void pickerChoice_data() {
        QTest::addColumn<bool>("fromCurrentRow");
        QTest::addColumn<QString>("hint");
        QTest::addColumn<int>("selectRow");   // -1: none
        QTest::addColumn<int>("currentRow");  // -1: none
        QTest::addColumn<QString>("outcome"); // result, chosen id, chosen row, prompts
        QTest::newRow("selected row") << false << "请先选择一个商品" << 1 << -1 << "1 20 1 ";
        QTest::newRow("nothing, hint")
            << false << "请先选择一个商品" << -1 << -1 << "0 -1 -1 提示:请先选择一个商品";
        QTest::newRow("nothing, no hint") << false << "" << -1 << -1 << "1 -1 -1 ";
        QTest::newRow("current row counts") << true << "请选择一个客户" << -1 << 0 << "1 10 0 ";
        QTest::newRow("selection without current")
            << true << "请选择一个客户" << 1 << -1 << "0 -1 -1 提示:请选择一个客户";
    }
    void pickerChoice() {
        QFETCH(bool, fromCurrentRow);
        QFETCH(QString, hint);
        QFETCH(int, selectRow);
        QFETCH(int, currentRow);
        QDialog dialog;
        FakeLoader rows;
        PickerSetup setup;
        setup.columns = QStringList{"名称", "代码"};
        setup.noChoiceHint = hint;
        setup.choiceFrom =
            fromCurrentRow ? PickerSetup::ChoiceFrom::CurrentRow : PickerSetup::ChoiceFrom::SelectedRow;
        PickerFrame frame(&dialog, setup, rows.loader());
        QTableView* table = frame.widgets().table;
        if (selectRow >= 0)
            table->selectionModel()->select(table->model()->index(selectRow, 0),
                                            QItemSelectionModel::Select | QItemSelectionModel::Rows);
        if (currentRow >= 0)
            table->selectionModel()->setCurrentIndex(table->model()->index(currentRow, 0),
                                                     QItemSelectionModel::NoUpdate);
        frame.widgets().ok->click();
        QTEST(QStringLiteral("%1 %2 %3 ").arg(dialog.result()).arg(frame.chosenId()).arg(frame.chosenRow()) +
                  said(),
              "outcome");
    }

    void pickerSearchAndReload() {
        QDialog dialog;
        FakeLoader rows;
        PickerSetup setup;
        setup.title = "选择采购单";
        setup.size = QSize(700, 450);
        setup.columns = QStringList{"单号", "供应商"};
        setup.searchLabel = "搜索（单号/供应商）：";
        PickerFrame frame(&dialog, setup, rows.loader());
        dialog.show();
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        QCOMPARE(dialog.windowTitle(), QString("选择采购单"));
        QStringList labels;
        for (const QLabel* label : dialog.findChildren<QLabel*>())
            labels << label->text();
        QCOMPARE(labels.join('|'), QString("搜索（单号/供应商）："));
        QLineEdit* field = frame.widgets().search;
        field->setText(" 0301 ");
        field->setFocus();
        QTest::keyClick(field, Qt::Key_Return);
        frame.widgets().searchButton->click();
        QCOMPARE(rows.keywords.join(' '), QString("[] [0301] [0301]"));
        QCOMPARE(dialog.isVisible(), true);
        QCOMPARE(said(), QString());

        emit frame.widgets().table->doubleClicked(frame.model()->index(1, 1));
        QCOMPARE(frame.chosenId(), 20);
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        frame.load("x");
        QCOMPARE(frame.chosenId(), -1);
        QCOMPARE(frame.chosenRow(), -1);
    }

    // Widths cover the titles and the rows measured; a long text below the sample is not measured.
    void columnsFitTheFirstRows() {
        QTableView view;
        RowTableModel model({"名称"});
        const QString wide(12, QChar('W'));
        model.setRows({TableRow(1, {"甲"}), TableRow(2, {"乙"}), TableRow(3, {wide})});
        view.setModel(&model);
        fitColumnsToFirstRows(&view, 2);
        const int sampled = view.columnWidth(0);
        fitColumnsToFirstRows(&view, 3);
        QVERIFY2(sampled < view.fontMetrics().horizontalAdvance(wide), qPrintable(QString::number(sampled)));
        QVERIFY2(view.columnWidth(0) > view.fontMetrics().horizontalAdvance(wide),
                 qPrintable(QString::number(view.columnWidth(0))));
    }

    // One long text never pushes the other columns out of the view: its column stops at the widest a fitted
    // column gets, narrower still while the columns would not fit the view, also after the view narrows. The
    // cut-off cell shows its whole text as its tooltip; a cell that shows all of its text has none.
    void longTextKeepsEveryColumnInView() {
        const QString reason = QString(40, QChar(0x6F6E)) + QStringLiteral("到此为止");
        RowTableModel model({"单号", "原因", "状态"});
        model.setRows({TableRow(1, {"PR203103050001", reason, "已完成"})});
        QTableView view;
        view.setModel(&model);
        setupListTable(&view);
        view.resize(1000, 300);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        fitColumnsToFirstRows(&view);
        QVERIFY2(view.columnWidth(1) <= kWidestFittedColumn,
                 qPrintable(QString::number(view.columnWidth(1))));
        for (int width : {1000, 420}) {
            view.resize(width, 300);
            const int reach = view.horizontalHeader()->length();
            QVERIFY2(reach <= view.viewport()->width(),
                     qPrintable(QString("%1 in %2").arg(reach).arg(view.viewport()->width())));
        }
        QVERIFY2(view.columnWidth(0) > view.fontMetrics().horizontalAdvance("PR203103050001"),
                 qPrintable(QString::number(view.columnWidth(0))));

        const auto tipOver = [&view](int column) {
            const QPoint at = view.visualRect(view.model()->index(0, column)).center();
            QHelpEvent help(QEvent::ToolTip, at, view.viewport()->mapToGlobal(at));
            QCoreApplication::sendEvent(view.viewport(), &help);
            return QToolTip::text();
        };
        QCOMPARE(tipOver(2), QString());
        QCOMPARE(tipOver(1), reason);
        QToolTip::hideText();
    }

    // Every list table numbers its rows through the row-number header, as wide as the table view's own
    // header also after the window's style sheet changes.
    void listTablesNumberRowsAsThePlainHeader() {
        RowTableModel model({"名称"});
        QVector<TableRow> rows;
        for (int r = 0; r < 12000; ++r)
            rows.append(TableRow(r, {"甲"}));
        model.setRows(rows);
        QWidget window;
        window.setStyleSheet(listWindowStyleSheet({"btnAdd"}, {"btnEdit"}));
        QTableView list(&window);
        QTableView plain(&window);
        list.setModel(&model);
        plain.setModel(&model);
        setupListTable(&list);
        QCOMPARE(list.verticalHeader()->metaObject()->className(), "kestrovalin::RowNumberHeader");
        QCOMPARE(list.verticalHeader()->sectionsClickable(), plain.verticalHeader()->sectionsClickable());
        QCOMPARE(list.verticalHeader()->highlightSections(), plain.verticalHeader()->highlightSections());
        window.show();
        QCOMPARE(list.verticalHeader()->sizeHint(), plain.verticalHeader()->sizeHint());
        const QSize before = list.verticalHeader()->sizeHint();
        window.setStyleSheet(window.styleSheet() + "QHeaderView::section { font-size: 30px; }");
        QCOMPARE(list.verticalHeader()->sizeHint(), plain.verticalHeader()->sizeHint());
        QVERIFY2(list.verticalHeader()->sizeHint().width() > before.width(),
                 qPrintable(QString::number(list.verticalHeader()->sizeHint().width())));
    }

    // The row-number header is as wide as the plain one, which measures two hundred sections, and follows the
    // row count down again after a smaller fill.
    void rowNumberHeaderFitsTheWidestNumber() {
        RowTableModel model({"名称"});
        auto rows = [](int n) {
            QVector<TableRow> out;
            for (int i = 0; i < n; ++i)
                out.append(TableRow(i, {"x"}));
            return out;
        };
        QTableView plain, numbered;
        useRowNumberHeader(&numbered);
        plain.setModel(&model);
        numbered.setModel(&model);
        for (int count : {12000, 7, 120}) {
            model.setRows(rows(count));
            QCOMPARE(
                QString::number(count) + ":" + QString::number(numbered.verticalHeader()->sizeHint().width()),
                QString::number(count) + ":" + QString::number(plain.verticalHeader()->sizeHint().width()));
        }
    }

    // A spin box under the record window's sheet, which frames it, shows dark arrows in its buttons (the up
    // one grey at the maximum) also in a style that leaves styled buttons blank.
    void spinBoxesShowTheirArrows_data() {
        QTest::addColumn<bool>("atMaximum");
        addRow("in its range", false);
        addRow("at its maximum", true);
    }
    void spinBoxesShowTheirArrows() {
        QFETCH(bool, atMaximum);
        Q_INIT_RESOURCE(resources);
        std::unique_ptr<QStyle> fusion(QStyleFactory::create("Fusion"));
        QWidget window;
        window.setStyleSheet(tempHumidityRecordStyleSheet());
        auto* box = new QSpinBox(&window);
        box->setStyle(fusion.get());
        box->resize(120, 30);
        box->stepBy(atMaximum ? 1000 : 5);
        const QImage shot = box->grab().toImage();
        int dark[2] = {0, 0}; // in the top and the bottom half of the button column
        for (int y = 0; y < shot.height(); ++y) {
            for (int x = shot.width() - 18; x < shot.width() - 2; ++x)
                dark[y >= shot.height() / 2] += qGray(shot.pixel(x, y)) < 100;
        }
        QCOMPARE(QString("%1 %2").arg(dark[0] > 4).arg(dark[1] > 4), QString("%1 1").arg(!atMaximum));
    }

    // Measuring one cell per column through the delegate and the rest by their text gives the widths the
    // delegate would give for every cell: Latin, Chinese, digits, a line break, an empty first cell.
    void columnsFitAsTheDelegateMeasures() {
        QTableView view;
        view.setStyleSheet("QTableView { border: 1px solid #ddd; }");
        RowTableModel model({"序号", "名称", "备注"});
        model.setRows({TableRow(1, {"1", "甲", ""}), TableRow(2, {"22", "阿莫西林胶囊 0.25g×24粒", "x"}),
                       TableRow(3, {"333", "W", "第一行\n第二行比第一行长得多"})});
        view.setModel(&model);
        fitColumnsToFirstRows(&view);
        for (int c = 0; c < 3; ++c) {
            int expected = view.horizontalHeader()->sectionSizeHint(c);
            for (int r = 0; r < 3; ++r)
                expected = std::max(expected, view.sizeHintForIndex(model.index(r, c)).width() + 1);
            QCOMPARE(QString::number(c) + ":" + QString::number(view.columnWidth(c)),
                     QString::number(c) + ":" + QString::number(expected));
        }
    }

    // The shown rows under the title and the header line; a failure is told and never followed by the
    // success box or the log row.
    void csvExport_data() {
        QTest::addColumn<QString>("answer"); // the file name given to the save dialog
        QTest::addColumn<QString>("said");
        QTest::addColumn<bool>("logged");
        QTest::newRow("cancelled") << QString() << QString() << false;
        QTest::newRow("cannot create")
            << QString("/nonexistent/x.csv") << QString("错误:无法创建文件！\n原因：文件夹不存在。") << false;
        // A file system without a size is not a full disk: root may write there, others may not.
        QTest::newRow("cannot create in /proc")
            << QString("/proc/kv.csv")
            << QString("错误:无法创建文件！") + (geteuid() == 0 ? "" : "\n原因：没有写入该位置的权限。")
            << false;
        // A device is written straight, never replaced.
        QTest::newRow("cannot write")
            << QString("/dev/full") << QString("错误:无法写入文件！\n原因：磁盘空间不足。") << false;
        QTest::newRow("written") << QString("@report.csv") << QString("成功:购进记录表已导出到:\n@report.csv")
                                 << true;
    }
    void csvExport() {
        QFETCH(QString, answer);
        QTemporaryDir dir;
        answer.replace('@', dir.path() + '/');
        RowTableModel model({"序号", "商品名称"});
        model.setRows({TableRow(1, {"1", "板蓝根\"特\""}), TableRow(2, {"2", "=SUM(1)"})});
        bool logged = false;
        Prompts::queueFileName(answer);
        const bool written = exportTableAsCsv(
            nullptr, &model, {"导出购进记录表", "购进记录表", "购进记录表已导出到:\n", [&](int) {
                                  logged = true;
                              }});
        QCOMPARE(Prompts::history().first().title, QString("导出购进记录表"));
        QStringList rest;
        for (int i = 1; i < Prompts::history().size(); ++i)
            rest << Prompts::history().at(i).title + ":" + Prompts::history().at(i).text;
        QTEST(rest.join('|').replace(dir.path() + '/', "@"), "said");
        QTEST(logged, "logged");
        QCOMPARE(written, logged);
        if (!written)
            return;
        QFile file(answer);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(
            file.readAll(),
            QByteArray(
                "\xEF\xBB\xBF购进记录表\n序号,商品名称\n\"1\",\"板蓝根\"\"特\"\"\"\n\"2\",\"'=SUM(1)\"\n"));
    }

    // An export that cannot write the whole file says why and leaves the file an earlier export wrote at the
    // path as it was, with no other file beside it, and logs nothing. A file the user may write in a folder
    // the user may not is still written, straight.
    void failedExportKeepsTheEarlierFile_data() {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<QString>("said");
        const QString kept = "\n原有的同名文件未被改动。";
        addRow("disk full", QString("full"), "错误:无法写入文件！\n原因：磁盘空间不足。" + kept);
        addRow("file too large", QString("too large"), "错误:无法写入文件！" + kept);
        addRow("rows cannot be read", QString("unreadable"),
               "错误:未能读取要导出的记录，文件未导出！" + kept);
        // The read stops at its next row, so that the database file's log can be emptied.
        addRow("database file replaced while the rows are read", QString("replaced"),
               "错误:未能读取要导出的记录，文件未导出！\n原因：数据库文件已被其他程序替换，未能读取记录，"
               "请重新启动程序。" +
                   kept);
        addRow("no permission", QString("read-only"),
               "错误:无法创建文件！\n原因：没有写入该位置的权限。" + kept);
        addRow("writable file, read-only folder", QString("read-only folder"), QString("成功:已导出到:\n@"));
    }
    void failedExportKeepsTheEarlierFile() {
        QFETCH(QString, fault);
        SmallPages pages(3);
        TestDatabase t;
        addPagedRows(t);
        RowTableModel model({"序号", "日期", "编号"});
        QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        model.setRowNumbers(true);
        // Another file renamed over the database file once the export has read three rows, noticed at once.
        bool armed = false;
        int built = 0;
        QString otherFile;
        const auto replacedOnTheWay = [&](const Row& r) {
            if (armed && ++built == 3) {
                renameOver(otherFile, t.path());
                DatabaseManager::instance().lookForReplacement();
            }
            return pagedRow(r);
        };
        if (fault == "unreadable") {
            model.setQuery(pagedRows(false, false), pagedRow);
            QTRY_VERIFY(model.countKnown());
            t.exec("ALTER TABLE paged RENAME TO moved");
        } else if (fault == "replaced") {
            t.exec("WITH RECURSIVE n(i) AS (SELECT 12 UNION ALL SELECT i + 1 FROM n WHERE i < 500) "
                   "INSERT INTO paged (id, day, amount) SELECT i, '05-04', i FROM n");
            otherFile = copyOf(t.db(), t.path());
            model.setQuery(pagedRows(false, false), replacedOnTheWay);
            QTRY_VERIFY(model.countKnown());
            armed = true;
        } else {
            model.setRows(QVector<TableRow>(fault == "full" ? 8000 : 40, TableRow(1, {"05-01", "1"})));
        }
        QTemporaryDir dir;
        std::optional<SmallDisk> disk;
        if (fault == "full" && !disk.emplace(dir.path()).mounted)
            QSKIP("a full disk needs a small file system, which only root can mount");
        const QString path = dir.filePath("report.csv");
        QFile earlier(path);
        QVERIFY(earlier.open(QIODevice::WriteOnly) && earlier.write("earlier\n") == 8);
        earlier.close();
        Prompts::queueFileName(path);
        bool exported = false;
        bool logged = false;
        {
            const FileSizeLimit tooLarge(fault == "too large" ? 256 : RLIM_INFINITY);
            std::optional<AsOrdinaryUser> user;
            if (fault.startsWith("read-only")) {
                user.emplace(QStringList{dir.path(), path});
                QFile::setPermissions(path, fault == "read-only" ? QFile::ReadOwner
                                                                 : QFile::ReadOwner | QFile::WriteOwner);
                QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::ExeOwner);
            }
            exported = exportTableAsCsv(nullptr, &model, {"导出", "销售记录表", "已导出到:\n", [&](int) {
                                                              logged = true;
                                                          }});
            QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        }
        const Prompts::Record& last = Prompts::history().last();
        QTEST(last.title + ":" + QString(last.text).replace(path, "@"), "said");
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"report.csv"});
        QVERIFY(earlier.open(QIODevice::ReadOnly));
        const QByteArray start =
            exported ? "\xEF\xBB\xBF" + QString("销售记录表").toUtf8() : QByteArray("earlier\n");
        QCOMPARE(earlier.readAll().left(start.size()) + QByteArray::number(logged),
                 start + QByteArray::number(exported));
    }

    // A long table goes out in parts: every row once, in order, the parts joined without a seam, whatever
    // the count against the part size.
    void csvExportInParts_data() {
        QTest::addColumn<int>("rows");
        QTest::newRow("one short of a part") << 1999;
        QTest::newRow("one part") << 2000;
        QTest::newRow("two parts and one row") << 4001;
    }
    void csvExportInParts() {
        QFETCH(int, rows);
        QTemporaryDir dir;
        RowTableModel model({"序号", "批号", "金额"});
        QVector<TableRow> content;
        QString expected = "销售记录表\n序号,批号,金额\n";
        for (int r = 1; r <= rows; ++r) {
            const bool number = r % 3;
            content.append(
                TableRow(r, {QString::number(r), "B" + QString::number(r * 7), number ? "-1.50" : "-x"}));
            expected += QString("\"%1\",\"B%2\",\"%3\"\n").arg(r).arg(r * 7).arg(number ? "-1.50" : "'-x");
        }
        model.setRows(content);
        Prompts::queueFileName(dir.filePath("long.csv"));
        QVERIFY(exportTableAsCsv(nullptr, &model, {"导出", "销售记录表", "已导出到:\n", nullptr}));
        QFile file(dir.filePath("long.csv"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArray("\xEF\xBB\xBF") + expected.toUtf8());
    }

    // A paged list gives its rows in the statement's order, missing days where SQLite puts them (first going
    // up, last going down) and the id deciding between equal days, however the rows are reached: top to
    // bottom, from End upwards, or from the middle, with pages dropped and read again on the way.
    void pagedListKeepsTheOrder_data() {
        QTest::addColumn<bool>("dayDescending");
        QTest::addColumn<bool>("idDescending");
        QTest::addColumn<QString>("ids");
        const QString downDown = "11,7,3,9,6,8,4,1,10,5,2";
        const QString upUp = "2,5,10,1,4,8,6,9,3,7,11";
        const QString downUp = "3,7,11,6,9,1,4,8,2,5,10";
        const QString upDown = "10,5,2,8,4,1,9,6,11,7,3";
        QTest::newRow("newest day, newest id") << true << true << downDown;
        QTest::newRow("oldest day, oldest id") << false << false << upUp;
        QTest::newRow("newest day, oldest id") << true << false << downUp;
        QTest::newRow("oldest day, newest id") << false << true << upDown;
    }
    void pagedListKeepsTheOrder() {
        QFETCH(bool, dayDescending);
        QFETCH(bool, idDescending);
        QFETCH(QString, ids);
        TestDatabase t;
        addPagedRows(t);
        // Each way of reaching the rows starts from a list that knows only its first page.
        const auto readAs = [&](const QVector<int>& positions) {
            RowTableModel model({"日期", "编号"});
            QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
            model.setQuery(pagedRows(dayDescending, idDescending), pagedRow);
            if (!QTest::qWaitFor([&model] { return model.countKnown(); }))
                return QString("(not counted)");
            const QString read = idsReadAs(model, positions);
            return model.heldRows() <= 6 ? read : QString("(held %1 rows)").arg(model.heldRows());
        };
        // Pages of two and of three rows: a page in the middle is reached from the nearer end.
        for (int pageRows : {2, 3}) {
            SmallPages pages(pageRows, 2);
            QCOMPARE(readAs({0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10}), ids);
            QCOMPARE(readAs({10, 9, 8, 7, 6, 5, 4, 3, 2, 1, 0}), ids);
            QCOMPARE(readAs({6, 7, 5, 4, 8, 3, 9, 2, 10, 1, 0}), ids);
            QCOMPARE(readAs({4, 0, 10, 7, 1, 8, 2, 9, 3, 6, 5}), ids);
        }
    }

    // A list longer than its first page shows that page at once and counts the rest on the side; scrolled
    // down before the count arrives it reads on. The count and the total then cover every row. A list that
    // fits its first page is counted at once.
    void pagedListCountsEveryRow() {
        TestDatabase t;
        addPagedRows(t);
        {
            SmallPages pages(3);
            RowTableModel model({"日期", "编号"});
            QSignalSpy counted(&model, &RowTableModel::counted);
            model.setQuery(pagedRows(true, true), pagedRow);
            QCOMPARE(model.heldRows(), 3);
            QCOMPARE(model.rowCount(), 3);
            QCOMPARE(model.countKnown(), false);
            QCOMPARE(model.canFetchMore(QModelIndex()), true);
            model.fetchMore(QModelIndex());
            QCOMPARE(model.rowCount(), 6);
            QTRY_COMPARE(counted.count(), 1);
            QCOMPARE(model.rowCount(), 11);
            QCOMPARE(model.total(0).toDouble(), 63.75);
            QCOMPARE(model.text(10, 1), QString("2"));
        }
        SmallPages pages(20);
        RowTableModel model({"日期", "编号"});
        QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        QSignalSpy counted(&model, &RowTableModel::counted);
        ListQuery firstDay = pagedRows(true, true);
        firstDay.filter("day = ?", {"05-01"});
        model.setQuery(firstDay, pagedRow);
        QCOMPARE(counted.count(), 1);
        QCOMPARE(model.rowCount(), 3);
        QCOMPARE(model.total(0).toDouble(), 13.5);
        QCOMPARE(idsReadAs(model, {0, 1, 2}), QString("8,4,1"));
    }

    // A list of sums per drug counts only the drugs its condition keeps, though its pages are read in parts.
    void pagedSumsCountWhatTheirConditionKeeps() {
        TestDatabase t;
        for (int id = 1; id <= 7; ++id)
            t.exec(QStringLiteral("INSERT INTO product (id, name, unit, purchase_price, sale_price, status) "
                                  "VALUES (%1, '药品%1', '盒', 1, 2, 1)")
                       .arg(id));
        // Stock per drug: 1 none, 2 three, 3 twelve, 4 nine, 5 fifty, 6 one, 7 ten.
        t.exec("INSERT INTO inventory_batch (product_id, batch_no, expiry_date, quantity) VALUES "
               "(2, 'B2', '2030-01-01', 3), (3, 'B3', '2030-01-01', 12), (4, 'B4a', '2030-01-01', 4), "
               "(4, 'B4b', '2030-01-01', 5), (5, 'B5', '2030-01-01', 50), (6, 'B6', '2030-01-01', 1), "
               "(7, 'B7', '2030-01-01', 10)");
        SmallPages pages(2);
        RowTableModel model({"编号", "库存"});
        QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        QSignalSpy counted(&model, &RowTableModel::counted);
        model.setQuery(repositories::InventoryWarningRepository::lowStockList(), [](const Row& r) {
            return TableRow(r.integer("id"), {r.text("id"), r.text("total_stock")});
        });
        QTRY_COMPARE(counted.count(), 1);
        QCOMPARE(model.rowCount(), 4);
        QCOMPARE(idsReadAs(model, {0, 1, 2, 3}), QString("0,1,3,9"));
    }

    // A numbered list's last number fits its column, also when a paged list learns its count after the
    // columns were fitted.
    void numberColumnFitsTheLastNumber() {
        TestDatabase t;
        addPagedRows(t);
        t.exec("WITH RECURSIVE n(i) AS (SELECT 12 UNION ALL SELECT i + 1 FROM n WHERE i < 100000) "
               "INSERT INTO paged (id, day, amount) SELECT i, NULL, 1 FROM n");
        SmallPages pages(3);
        RowTableModel model({"", "日期", "编号"});
        QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        model.setRowNumbers(true);
        QSignalSpy counted(&model, &RowTableModel::counted);
        QTableView view;
        setupListTable(&view);
        view.setModel(&model);
        model.setQuery(pagedRows(true, true), pagedRow);
        fitColumnsToFirstRows(&view, 2);
        QTRY_COMPARE(counted.count(), 1);
        QVERIFY2(view.columnWidth(0) >= view.sizeHintForIndex(model.index(99999, 0)).width(),
                 qPrintable(QString::number(view.columnWidth(0))));
    }

    // The row numbers of a list still counting have room for its count from the first screen: when the count
    // comes, neither the number column nor the row header widens and no column moves.
    void numbersKeepTheirWidthWhenTheCountComes_data() {
        QTest::addColumn<int>("rows");
        QTest::newRow("two digits") << 40;
        QTest::newRow("four digits") << 5000;
        QTest::newRow("six digits") << 200000;
    }
    void numbersKeepTheirWidthWhenTheCountComes() {
        QFETCH(int, rows);
        TestDatabase t;
        t.exec("CREATE TABLE paged (id INTEGER PRIMARY KEY, day TEXT, amount REAL)");
        t.exec(QString("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < %1) "
                       "INSERT INTO paged (id, day, amount) SELECT i, '05-01', 1 FROM n")
                   .arg(rows));
        SmallPages pages(3);
        RowTableModel model({"序号", "日期", "编号"});
        QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        model.setRowNumbers(true);
        QSignalSpy counted(&model, &RowTableModel::counted);
        QTableView view;
        setupListTable(&view);
        view.setModel(&model);
        view.resize(800, 300);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        model.setQuery(pagedRows(true, true), pagedRow);
        fitColumnsToFirstRows(&view);
        QCOMPARE(model.countKnown(), false);
        const int numbers = view.columnWidth(0);
        const int header = view.verticalHeader()->sizeHint().width();
        const int dayAt = view.columnViewportPosition(1);
        QTRY_COMPARE(counted.count(), 1);
        QCOMPARE(model.rowCount(), rows);
        QCOMPARE(view.columnWidth(0), numbers);
        QCOMPARE(view.verticalHeader()->sizeHint().width(), header);
        QCOMPARE(view.columnViewportPosition(1), dayAt);
    }

    // Document numbers and barcodes show whole while the table has room for them: other text columns give
    // way first, and fixed starting widths grow to them. With room for everything nothing is cut. The room is
    // worked out from the font present, since a machine without a CJK font draws the names narrower.
    void codesShowWholeWhenThereIsRoom_data() {
        QTest::addColumn<bool>("fixed");
        QTest::addColumn<bool>("nothingCut");
        QTest::newRow("measured, names give way") << false << false;
        QTest::newRow("measured, room for all") << false << true;
        QTest::newRow("fixed, room to grow") << true << true;
        QTest::newRow("fixed, names give way") << true << false;
    }
    void codesShowWholeWhenThereIsRoom() {
        QFETCH(bool, fixed);
        QFETCH(bool, nothingCut);
        QTableView view;
        setupListTable(&view);
        view.resize(400, 300);
        // Cut as the delegate cuts: its text and a margin on each side wider than the column.
        const int margins = 2 * (view.style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, &view) + 1);
        const auto needOf = [&](const QString& text) {
            return view.fontMetrics().horizontalAdvance(text) + margins;
        };
        // A maker's name long enough to be cut before a fitted column's narrowest, in whatever font is
        // present.
        QString maker = "有限公司";
        while (needOf(maker) < kNarrowestFittedColumn + 40)
            maker.prepend(QChar(0x836F));
        RowTableModel model({"单号", "名称", "条码", "生产企业", "备注"});
        model.setRows(
            {TableRow(1, {"SAL202612070001", "阿莫西林胶囊 0.25g×24粒", "6901234567890", maker, ""}),
             TableRow(2, {"SAL202612070002", "板蓝根颗粒", "6909876543210", maker, ""})});
        view.setModel(&model);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        const auto need = [&](int column) {
            return needOf(model.text(0, column));
        };
        // Codes whole and both names a little short, or everything with room to spare; the last column keeps
        // its title.
        const int codes = need(0) + need(2);
        const int room = (nothingCut ? codes + need(1) + need(3) + 100
                                     : codes + 2 * (std::min(need(1), need(3)) - 10) + 8) +
                         view.horizontalHeader()->sectionSizeHint(4) + view.width() -
                         view.viewport()->width();
        view.resize(room, 300);
        QCoreApplication::processEvents();
        if (fixed)
            setColumnWidths(&view, {need(0) / 2, 60, need(2) / 2, 60});
        else
            fitColumnsToFirstRows(&view);
        const auto whole = [&](int column) {
            return QString("%1: %2 of %3")
                .arg(column)
                .arg(view.columnWidth(column))
                .arg(need(column))
                .toUtf8();
        };
        const auto shownWhole = [&](int column) {
            return view.columnWidth(column) >= need(column);
        };
        for (int column : {0, 2})
            QVERIFY2(shownWhole(column), whole(column).constData());
        for (int column : {1, 3})
            QVERIFY2(shownWhole(column) == nothingCut, whole(column).constData());
        QVERIFY2(view.horizontalHeader()->length() <= view.viewport()->width(),
                 qPrintable(QString::number(view.horizontalHeader()->length())));
    }

    // A paged list goes to the file whole, read again from the database, though the model holds two pages
    // and its count is still on its way.
    void pagedListExportsEveryRow() {
        SmallPages pages(3, 2);
        TestDatabase t;
        addPagedRows(t);
        RowTableModel model({"序号", "日期", "编号"});
        QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        model.setRowNumbers(true);
        model.setQuery(pagedRows(false, false), pagedRow);
        QTemporaryDir dir;
        Prompts::queueFileName(dir.filePath("paged.csv"));
        QVERIFY(exportTableAsCsv(nullptr, &model, {"导出", QString(), "已导出到:\n", nullptr}));
        QFile file(dir.filePath("paged.csv"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QStringList lines = QString::fromUtf8(file.readAll().mid(3)).split('\n');
        QCOMPARE(lines.size(), 13);
        QCOMPARE(lines.at(0), QString("序号,日期,编号"));
        QCOMPARE(lines.at(1), QString("\"1\",\"\",\"2\""));
        QCOMPARE(lines.at(11), QString("\"11\",\"05-03\",\"11\""));
        // Written without waiting for the count, which comes as it would have.
        QCOMPARE(model.countKnown(), false);
        QTRY_COMPARE(model.rowCount(), 11);
        QCOMPARE(model.heldRows() <= 6, true);
    }

    // A list scrolled across its page boundaries while the file changes under it, through the program or
    // another connection, shows every row once and in order when paged down and up, and counts them all.
    void pagedListsStayWholeAcrossWrites_data() {
        QTest::addColumn<QString>("list");
        QTest::addColumn<QString>("change");
        addRow("sales written here before the view", QString("sales"), QString("sell"));
        addRow("sales from another connection", QString("sales"), QString("elsewhere"));
        addRow("a batch sold out inside a held page", QString("batches"), QString("sell B36"));
        addRow("a batch sold out at a page boundary", QString("batches"), QString("sell B35"));
        addRow("a batch sold out above the view", QString("batches"), QString("sell B57"));
        addRow("batches from another connection", QString("batches"), QString("elsewhere"));
    }
    void pagedListsStayWholeAcrossWrites() {
        QFETCH(QString, list);
        QFETCH(QString, change);
        SmallPages pages(5, 4);
        TestDatabase t;
        addSalesAndBatches(t);
        const std::unique_ptr<QMainWindow> window = listWindow(list);
        window->resize(900, 420);
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        auto* view = window->findChild<QTableView*>(list == "sales" ? "tableView" : "tableInventory");
        auto* model = qobject_cast<RowTableModel*>(view->model());
        QAbstractItemModelTester tester(model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        QVERIFY(QTest::qWaitFor([model] { return model->countKnown(); }));
        view->setCurrentIndex(model->index(22, 0));
        view->scrollTo(model->index(22, 0), QAbstractItemView::PositionAtTop);
        QCoreApplication::processEvents();
        QCOMPARE(view->rowAt(0), 22);
        for (int r = 22; r < 32; ++r)
            model->id(r);
        const int belowTop = model->id(23);

        if (change == "sell" || change.startsWith("sell ")) {
            for (int i = 0; i < (change == "sell" ? 3 : 1); ++i)
                sell(t, change == "sell" ? "B01" : change.mid(5), change == "sell" ? 1 : 10);
        } else if (list == "sales") {
            writeElsewhere(t, "INSERT INTO sales_order (id, order_no, customer_id, total_amount, sale_date, "
                              "operator_id, status) VALUES (61, 'X61', 1, 1, '2031-05-20', 1, 'completed'), "
                              "(62, 'X62', 1, 1, '2031-05-20', 1, 'completed'), "
                              "(63, 'X63', 1, 1, '2031-05-20', 1, 'completed')");
        } else {
            writeElsewhere(t, "INSERT INTO inventory_batch (id, product_id, batch_no, expiry_date, quantity) "
                              "VALUES (61, 1, 'N1', '2033-01-01', 5), (62, 1, 'N2', '2033-01-01', 5), "
                              "(63, 1, 'N3', '2033-01-01', 5)");
        }
        // One row down, the record that was below the top stands at the top, wherever the write put it.
        view->verticalScrollBar()->setValue(view->verticalScrollBar()->value() + 1);
        QCOMPARE(model->id(view->rowAt(0)), belowTop);
        QCOMPARE(idsWalked(view), truthOf(t, list));
        QCOMPARE(model->rowCount(), truthOf(t, list).split(',').size());
        QCOMPARE(window->findChild<QLabel*>("labelCount")->text(),
                 QString("共 %1 条记录").arg(truthOf(t, list).split(',').size()));
    }

    // Reading on from a known row, the row itself included (where a re-read starts and how it tells a record
    // is still there), walks the order rather than sorting every row after it.
    void readsFromAKnownRowWalkTheOrder() {
        TestDatabase t;
        addPagedRows(t);
        ListQuery list = pagedRows(false, false);
        list.order = {{"id", true}};
        const QVector<QVariant> keys{6};
        const ListQuery::Statement page = list.page(&keys, false, 1, true, true);
        QSqlQuery plan(t.db()->getQtDatabase());
        plan.prepare("EXPLAIN QUERY PLAN " + page.sql);
        for (const QVariant& value : page.params)
            plan.addBindValue(value);
        QVERIFY(plan.exec());
        QStringList steps;
        while (plan.next())
            steps << plan.value(3).toString();
        QVERIFY2(!steps.join('|').contains("TEMP B-TREE"), qPrintable(steps.join('|')));
        QCOMPARE(t.scalar(page.sql, page.params), QVariant(6));
    }

    // Deep in a list whose own conditions bound its first key (a book's dates), a page read from a known row
    // on either side costs about what the first page costs (in SQLite's steps), not the list's rows from
    // its start.
    void readsFromARowDeepInABookStartThere_data() {
        QTest::addColumn<bool>("backwards");
        addRow("the page after it", false);
        addRow("the page before it", true);
    }
    void readsFromARowDeepInABookStartThere() {
        QFETCH(bool, backwards);
        TestDatabase t;
        t.exec("CREATE TABLE dated (id INTEGER PRIMARY KEY, day TEXT NOT NULL)");
        t.exec("CREATE INDEX dated_day ON dated (day)");
        t.exec("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 3000) "
               "INSERT INTO dated (id, day) SELECT i, date('2024-01-01', '+' || (i / 10) || ' days') FROM n");
        ListQuery book;
        book.columns = "id, day";
        book.from = "FROM dated";
        book.where = "day >= ? AND day <= ?";
        book.params = {"2024-01-01", "2024-12-31"};
        book.order = {{"day", true}, {"id", true}};
        // Row 2000 of the book, newest first.
        const QVector<QVariant> known{t.scalar("SELECT day FROM dated WHERE id = 1000"), 1000};
        const ListQuery::Statement page = book.page(&known, backwards, 20);
        QCOMPARE(t.scalar(page.sql, page.params), QVariant(backwards ? 1001 : 999));
        const qint64 steps = vmSteps(t, page);
        QVERIFY2(steps < 3 * vmSteps(t, book.page(nullptr, false, 20)), qPrintable(QString::number(steps)));
    }

    // A paged model without a view, its pages partly held, reads a page it does not hold after a write of
    // this connection or of another one without changing a row, then reads the list again once the read is
    // done, and counts it again.
    void pagedModelReadsAgainAfterAWrite_data() {
        QTest::addColumn<QString>("write");
        QTest::addColumn<bool>("elsewhere");
        QTest::addColumn<QString>("ids");
        addRow("a row before the held pages", QString("INSERT INTO paged VALUES (12, '05-04', 1)"), false,
               QString("12,11,7,3,9,6,8,4,1,10,5,2"));
        addRow("a row gone inside a held page", QString("DELETE FROM paged WHERE id = 6"), false,
               QString("11,7,3,9,8,4,1,10,5,2"));
        addRow("a row gone at a page boundary", QString("DELETE FROM paged WHERE id = 9"), false,
               QString("11,7,3,6,8,4,1,10,5,2"));
        addRow("a row from another connection", QString("INSERT INTO paged VALUES (13, NULL, 1)"), true,
               QString("11,7,3,9,6,8,4,1,13,10,5,2"));
    }
    void pagedModelReadsAgainAfterAWrite() {
        QFETCH(QString, write);
        QFETCH(bool, elsewhere);
        QFETCH(QString, ids);
        SmallPages pages(3, 2);
        TestDatabase t;
        addPagedRows(t);
        RowTableModel model({"日期", "编号"});
        QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        model.setQuery(pagedRows(true, true), pagedRow);
        QVERIFY(QTest::qWaitFor([&model] { return model.countKnown(); }));
        QCOMPARE(idsReadAs(model, {0, 1, 2, 3, 4, 5}), QString("11,7,3,9,6,8,,,,,"));
        elsewhere ? writeElsewhere(t, write) : t.exec(write);
        const ModelSignals changes(&model);
        QSignalSpy reread(&model, &RowTableModel::reread);
        model.text(9, 1);
        QCOMPARE(changes.seen(), QStringList());
        QTRY_COMPARE(reread.count(), 1);
        QVERIFY(QTest::qWaitFor([&model] { return model.countKnown(); }));
        QVector<int> everyRow(model.rowCount());
        std::iota(everyRow.begin(), everyRow.end(), 0);
        QCOMPARE(idsReadAs(model, everyRow), ids);
    }

    // With the accessibility layer on and the model checked at every signal, keys move through a shown paged
    // list while rows come and go under it, all over, inside its last screen (rows without a day come
    // last), between a current row whose page was dropped and the view scrolled away from it, or at the top
    // while the last row is current: no read changes a row or the layout, no cell read strays onto another
    // record, the current row keeps its record, in sight when it was, and the list ends whole.
    void pagedModelStaysSoundWhileTheFileChanges_data() {
        QTest::addColumn<QString>("walk");
        addRow("writes all over, pages down and up", QString("all over"));
        addRow("writes inside the last screen, rows down and up", QString("last screen"));
        addRow("writes between the current row and the view away from it", QString("away"));
        addRow("rows gone at the top, the last row current", QString("top gone"));
    }
    void pagedModelStaysSoundWhileTheFileChanges() {
        QFETCH(QString, walk);
        SmallPages pages(5, 3);
        TestDatabase t;
        addPagedRows(t);
        t.exec("WITH RECURSIVE n(i) AS (SELECT 12 UNION ALL SELECT i + 1 FROM n WHERE i < 90) "
               "INSERT INTO paged (id, day, amount) SELECT i, printf('05-%02d', i % 9 + 1), 1 FROM n");
        QAccessible::setActive(true);
        ReadWatchedModel model({"日期", "编号"});
        QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        QSignalSpy reread(&model, &RowTableModel::reread);
        QTableView view;
        view.setModel(&model);
        followList(&view, &model);
        CellReader reader;
        model.setQuery(pagedRows(true, true), pagedRow);
        view.resize(300, 240);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        view.setFocus();
        QTRY_VERIFY(model.countKnown());
        const bool atTheEnd = walk == "last screen" || walk == "top gone";
        view.setCurrentIndex(model.index(atTheEnd ? model.rowCount() - 1 : 3, 0));
        const QVariant current = view.currentIndex().data(Qt::UserRole);
        if (walk == "away") {
            reader.read(view);
            view.scrollToBottom();
            QCoreApplication::processEvents();
        }
        const QVariant top = model.index(view.rowAt(0), 0).data(Qt::UserRole);
        for (int step = 0; step < 20; ++step) {
            const QString day = walk == "last screen" ? QString()
                                : walk == "away"      ? QString("05-05")
                                                      : QString("05-%1").arg(step % 9 + 1, 2, 10, QChar('0'));
            if (walk != "away")
                reader.read(view);
            if (walk == "top gone")
                writeElsewhere(t, "DELETE FROM paged WHERE id IN (SELECT id FROM paged ORDER BY day IS NULL, "
                                  "day DESC, id DESC LIMIT 3)");
            else if (step % 3 == 2)
                writeElsewhere(t, "DELETE FROM paged WHERE id = (SELECT MIN(id) FROM paged WHERE " +
                                      (day.isNull() ? "day IS NULL)" : "day = '" + day + "')"));
            else
                t.exec("INSERT INTO paged (day, amount) VALUES (?, 1)", {day});
            const bool up = step % 4 == 3 && walk != "top gone";
            QTest::keyClick(&view, walk == "all over" ? (up ? Qt::Key_PageUp : Qt::Key_PageDown)
                                   : walk == "away"   ? Qt::Key_Shift
                                                      : (up ? Qt::Key_Up : Qt::Key_Down));
            QCoreApplication::processEvents();
            QCOMPARE(reader.strayed(), QStringList());
            if (walk == "top gone")
                QVERIFY(view.viewport()->rect().contains(view.visualRect(view.currentIndex()).center()));
        }
        QAccessible::setActive(false);
        QCOMPARE(model.changedInReads(), QStringList());
        QVERIFY(reread.count() > 0);
        if (walk == "away") {
            QCOMPARE(model.index(view.rowAt(0), 0).data(Qt::UserRole), top);
            QCOMPARE(view.currentIndex().data(Qt::UserRole), current);
        } else if (walk == "top gone") {
            QCOMPARE(view.currentIndex().data(Qt::UserRole), current);
        }
        QTRY_VERIFY(model.countKnown());
        QCOMPARE(everyId(model), pagedIdsInTheFile(t));
    }

    // Keys go on from the rows seen, and the current row keeps to its record, whatever came or went inside,
    // above or below the view since it was drawn or after the view was scrolled away from it, with the model
    // checked at every signal and, where the steps say "read", the accessibility layer holding every visible
    // cell (and reading the ids given). Steps are keys, rows to make current or put at the top, "read",
    // "follow" (a re-read), "header" (a click on the column's), statements (another program's after
    // "elsewhere ") or "selected" with the runs of selected rows expected, each perhaps with a statement run
    // before anything is painted; every row then shows its record, to the end. (Right moves nowhere in one
    // column: a key that only reads the list again.)
    void pageKeysGoOnFromTheRowsSeen_data() {
        QTest::addColumn<QString>("steps");
        QTest::addColumn<QString>("top");     // the id at the top of the view after the steps
        QTest::addColumn<QString>("current"); // the current row's id
        // Page Down from the last row seen, the view's rows 40 to 49, or Page Up from the first.
        const auto page = [](const char* name, bool down, const QString& change) {
            const QString keys = down ? "row 49; top 40; %1PgDown" : "row 40; top 40; %1PgUp";
            addRow(name, keys.arg(change.isEmpty() ? change : change + "; "), QString(down ? "500" : "700"),
                   QString(down ? "410" : "700"));
        };
        page("down, nothing changed", true, QString());
        page("down, two gone inside the view", true, "DELETE FROM listed WHERE id IN (560, 550)");
        page("down, two come inside the view", true, "INSERT INTO listed VALUES (555), (545)");
        page("down, two come above the view", true, "INSERT INTO listed VALUES (905), (895)");
        page("up, nothing changed", false, QString());
        page("up, two gone above the view", false, "DELETE FROM listed WHERE id IN (900, 890)");
        page("up, two come above the view", false, "INSERT INTO listed VALUES (905), (895)");
        page("up, two come inside the view", false, "INSERT INTO listed VALUES (555), (545)");
        addRow("end, two come inside the last screen",
               QString("Ctrl+End; INSERT INTO listed VALUES (55), (45); Down"), QString("80"), QString("10"));
        addRow("end, one gone while the top row is current",
               QString("Ctrl+Home; Down; DELETE FROM listed WHERE id = 500; Ctrl+End"), QString("100"),
               QString("10"));
        const QString third = "Ctrl+Home; Down; Down; Down; read; ";
        addRow("read, the row above the current gone, three come on top",
               third + "DELETE FROM listed WHERE id = 980; Right; INSERT INTO listed VALUES (1010), (1020), "
                       "(1030); Down",
               QString("1000"), QString("960"));
        addRow("read, the current row gone, three come on top",
               third + "DELETE FROM listed WHERE id = 970; Right; INSERT INTO listed VALUES (1010), (1020), "
                       "(1030); Down",
               QString("1000"), QString("950"));
        // The current row's page dropped while the view was scrolled away, rows then written between the two.
        const QString away = "row 5; read; top 30; top 50; top 70; %1; Right";
        addRow("away, 21 gone between the current row and the view",
               away.arg("DELETE FROM listed WHERE id BETWEEN 600 AND 800"), QString("300"), QString("950"));
        addRow("away, three come between the current row and the view",
               away.arg("INSERT INTO listed VALUES (705), (695), (685)"), QString("300"), QString("950"));
        addRow("away, the current row gone", away.arg("DELETE FROM listed WHERE id >= 700 AND id <= 950"),
               QString("300"), QString("690"));
        addRow("end, forty gone at the top", QString("Ctrl+End; DELETE FROM listed WHERE id > 600; Right"),
               QString("100"), QString("10"));
        addRow("end, two come after the last row, Down with it below the view",
               QString("Ctrl+End; INSERT INTO listed VALUES (5), (3); Down; Down; top 88; Down"),
               QString("80"), QString("3"));
        addRow("end, two gone before the last row is painted",
               QString("Ctrl+End then DELETE FROM listed WHERE id IN (70, 80) then Up"), QString("120"),
               QString("20"));
        addRow(
            "forty gone at the top, a re-read across a page edge, then two more gone in sight",
            QString("top 70; DELETE FROM listed WHERE id > 600; follow then DELETE FROM listed WHERE id IN "
                    "(250, 240); read 300,290,280,270,260,250,240,230,220,210; Right"),
            QString("300"), QString("600"));
        // Rows 4 to 14 selected with Shift+Down across the edge of a page, the view then far below them.
        QStringList shiftDown;
        for (int i = 0; i < 10; ++i)
            shiftDown << "Shift+Down";
        const QString selected =
            "row 4; " + shiftDown.join("; ") + "; top 40; top 60; top 80; elsewhere %1; Right; selected %2";
        addRow("selected across a page edge, the view away, one gone far from them",
               selected.arg("DELETE FROM listed WHERE id = 100", "960-860"), QString("200"), QString("860"));
        addRow("selected across a page edge, the view away, one of them gone",
               selected.arg("DELETE FROM listed WHERE id = 900", "960-860"), QString("200"), QString("860"));
        // A gone current cell at the end of a Shift range takes no other cell with it; the cell after it is
        // current without being selected.
        addRow("selected across a page edge, the view away, the current last one of them gone",
               selected.arg("DELETE FROM listed WHERE id = 860", "960-870"), QString("200"), QString("850"));
        // The last record of a range at the end of the list gone: the rest stays selected.
        addRow("the last three selected from the end, the last one gone",
               QString("Ctrl+End; Shift+Up; Shift+Up; elsewhere DELETE FROM listed WHERE id = 10; Right; "
                       "selected 30-20"),
               QString("110"), QString("30"));
        // A selection of all stays all, records sorting in at the top included; one that covers every row by
        // chance is one of those records.
        addRow(
            "all selected, the current record at the top gone, then five come on top",
            QString("Ctrl+A; elsewhere DELETE FROM listed WHERE id = 1000; Right; selected 990-10; elsewhere "
                    "INSERT INTO listed VALUES (1010), (1020), (1030), (1040), (1050); Right; selected "
                    "1050-10"),
            QString("990"), QString("990"));
        addRow("all selected by the corner button, then one comes after the last row",
               QString("corner; elsewhere INSERT INTO listed VALUES (5); Right; selected 1000-5"),
               QString("1000"), QString("1000"));
        addRow("every row selected by Shift, then one comes after the last row",
               QString(shiftDown.join("; ").replace("Down", "PgDown") +
                       "; elsewhere INSERT INTO listed VALUES (5); Right; selected 1000-10"),
               QString("100"), QString("10"));
        // Down after Ctrl+A is an ordinary selection: a record added later selects nothing with it.
        // A column selected by its header keeps its records, the view away from both ends.
        addRow("a column selected by its header away from both ends, one comes after the last row",
               QString("top 50; header; elsewhere INSERT INTO listed VALUES (5); Right; selected 1000-10"),
               QString("500"), QString("500"));
        // One that comes inside a range, in sight, is left out of it, as Qt's own selection leaves out a row
        // inserted there.
        addRow(
            "four selected, one comes inside them",
            QString("row 2; Shift+Down; Shift+Down; Shift+Down; elsewhere INSERT INTO listed VALUES (965); "
                    "Right; selected 980-970,960-950"),
            QString("1000"), QString("950"));
        addRow(
            "a column selected by its header away from both ends, one comes inside the view",
            QString(
                "top 50; header; elsewhere INSERT INTO listed VALUES (495); Right; selected 1000-500,490-10"),
            QString("500"), QString("500"));
        addRow("all selected, then Down, then one comes on top",
               QString("Ctrl+A; Down; elsewhere INSERT INTO listed VALUES (1010); Right; selected 990"),
               QString("1000"), QString("990"));
        addRow("all selected, one comes after the last row, then another",
               QString("Ctrl+A; elsewhere INSERT INTO listed VALUES (5); Right; selected 1000-5; elsewhere "
                       "INSERT INTO listed VALUES (3); Right; selected 1000-3"),
               QString("1000"), QString("1000"));
    }
    void pageKeysGoOnFromTheRowsSeen() {
        QFETCH(QString, steps);
        QFETCH(QString, top);
        QFETCH(QString, current);
        SmallPages pages(8, 4);
        TestDatabase t;
        const ListQuery list = addListed(t);
        RowTableModel model({"编号"});
        QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        QTableView view;
        view.verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
        view.setModel(&model);
        followList(&view, &model);
        CellReader reader;
        model.setQuery(list, [](const Row& r) { return TableRow(r.integer("id"), {r.text("id")}); });
        view.resize(300, 300);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        // Ten whole rows in sight.
        view.setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        const int height = 10 * view.verticalHeader()->defaultSectionSize();
        view.resize(300, view.height() + height - view.viewport()->height());
        QTRY_COMPARE(view.viewport()->height(), height);
        QTRY_VERIFY(model.countKnown());
        view.setFocus();
        // "a then b": b right after a, before anything is painted.
        for (const QString& together : steps.split("; ")) {
            for (const QString& step : together.split(" then ")) {
                const QModelIndex row = model.index(step.section(' ', 1).toInt(), 0);
                const int key = QKeySequence(step)[0];
                if (step.startsWith("row "))
                    view.setCurrentIndex(row);
                else if (step.startsWith("top "))
                    view.scrollTo(row, QAbstractItemView::PositionAtTop);
                else if (step.startsWith("read ")) // and the ids expected in sight
                    QCOMPARE(reader.read(view), step.mid(5));
                else if (step == "read")
                    reader.read(view);
                else if (step == "corner") // the table's corner button
                    view.findChild<QAbstractButton*>(QString(), Qt::FindDirectChildrenOnly)->click();
                else if (step == "header") // the header of the column
                    QTest::mouseClick(view.horizontalHeader()->viewport(), Qt::LeftButton, {}, QPoint(5, 5));
                else if (step == "follow") // reads again
                    model.followChanges(view.rowAt(0));
                else if (step.startsWith("elsewhere "))
                    t.execElsewhere(step.mid(10));
                else if (step.startsWith("selected ")) // as the count comes in, if not at once
                    QTRY_COMPARE(selectedRuns(view), step.mid(9));
                else if (key != Qt::Key_unknown)
                    QTest::keyClick(&view, Qt::Key(key & ~Qt::KeyboardModifierMask),
                                    Qt::KeyboardModifiers(key & Qt::KeyboardModifierMask));
                else
                    t.exec(step);
            }
            QCoreApplication::processEvents();
        }
        QTRY_VERIFY(model.countKnown());
        QCoreApplication::processEvents();
        const QString ids = "SELECT group_concat(id) FROM (SELECT id FROM listed ORDER BY id DESC)";
        const QStringList truth = t.scalar(ids).toString().split(',');
        // The rows in sight, then the last ten.
        QStringList shown;
        for (int r : {view.rowAt(0), model.rowCount() - 10})
            for (int i = r; i < r + 10; ++i)
                shown << model.text(i, 0);
        QCOMPARE(shown, truth.mid(view.rowAt(0), 10) + truth.mid(truth.size() - 10));
        QCOMPARE(model.rowCount(), truth.size());
        QCOMPARE(shown.value(0), top);
        QCOMPARE(view.currentIndex().data().toString(), current);
        QCOMPARE(reader.strayed(), QStringList());
    }

    // Read again after another program's write far from its top, a list places the view, the current row and
    // the selection on their records by their keys at once, while the count of the rows above is held back on
    // its connection: the view keeps its rows, the numbers it does not know are not shown, and keys move from
    // the records shown. When the count comes, every row moves by what came or went above, the view with
    // them. A count made moot by a newer re-read, or taken after a later write, places nothing.
    void rereadPlacesByKeysBeforeItsCount_data() {
        QTest::addColumn<QString>("steps");    // writes elsewhere and keys while the count is held back
        QTest::addColumn<int>("current");      // the row made current first (the view's top is row 50)
        QTest::addColumn<QString>("selected"); // runs selected, "before then after" where they differ
        addRow("three come above the view",
               QString("INSERT INTO listed VALUES (1010), (1020), (1030); Right"), 52, QString("480-460"));
        addRow("two gone above the view", QString("DELETE FROM listed WHERE id IN (900, 890); Right"), 52,
               QString("480-460"));
        addRow("a newer re-read before the count",
               QString(
                   "INSERT INTO listed VALUES (1010); Right; DELETE FROM listed WHERE id IN (900, 890, 880); "
                   "Right"),
               52, QString("480-460"));
        addRow("a write after the re-read, before its count",
               QString("INSERT INTO listed VALUES (1010), (1020); Right; INSERT INTO listed VALUES (1030)"),
               52, QString("480-460"));
        addRow("the current row and the selection far above the view",
               QString("INSERT INTO listed VALUES (1010), (1020), (1030); Right"), 5, QString("950-930"));
        // Ctrl+Home while the rows above are counted waits for their count rather than walk every key up.
        addRow("Ctrl+Home before the count",
               QString("INSERT INTO listed VALUES (1010), (1020), (1030); Right; Ctrl+Home"), 5,
               QString("950-930"));
        // Selected from row 5 to the end: the rows in sight stay selected while the range's ends are counted.
        addRow("selected from far above the view to the end",
               QString("INSERT INTO listed VALUES (1010), (1020), (1030); Right"), 5, QString("950-10"));
        addRow("selected from far above the view to the end, one comes inside the view",
               QString("INSERT INTO listed VALUES (495); Right"), 5, QString("950-10 then 950-500,490-10"));
    }
    void rereadPlacesByKeysBeforeItsCount() {
        QFETCH(QString, steps);
        QFETCH(int, current);
        QFETCH(QString, selected);
        const QString selectedAfter = selected.section(" then ", -1);
        selected = selected.section(" then ", 0, 0);
        SmallPages pages(8, 4);
        RowTableModel::setWalkedRowsForTesting(8);
        const auto restore = qScopeGuard([] {
            RowTableModel::setWalkedRowsForTesting(0);
            BackgroundRow::setHeldForTesting(false);
        });
        TestDatabase t;
        const ListQuery list = addListed(t);
        RowTableModel model({"序号", "编号"});
        model.setRowNumbers(true);
        QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        QTableView view;
        useRowNumberHeader(&view); // the numbers down the side, as the lists show them
        view.verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
        view.setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        view.setSelectionMode(QAbstractItemView::ExtendedSelection);
        view.setSelectionBehavior(QAbstractItemView::SelectRows);
        view.setModel(&model);
        followList(&view, &model);
        model.setQuery(list, [](const Row& r) { return TableRow(r.integer("id"), {r.text("id")}); });
        view.resize(300, 300);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        QTRY_VERIFY(model.countKnown());
        view.setFocus();
        view.setCurrentIndex(model.index(current, 1));
        if (selected.endsWith("-10")) { // as a Shift click on the last row
            view.selectionModel()->select(QItemSelection(model.index(current, 0), model.index(99, 1)),
                                          QItemSelectionModel::ClearAndSelect);
        } else {
            QTest::keyClick(&view, Qt::Key_Down, Qt::ShiftModifier);
            QTest::keyClick(&view, Qt::Key_Down, Qt::ShiftModifier);
        }
        QCoreApplication::processEvents();
        view.scrollTo(model.index(50, 0), QAbstractItemView::PositionAtTop);
        QCoreApplication::processEvents();
        QCOMPARE(view.rowAt(0), 50);
        QCOMPARE(selectedRuns(view), selected);
        const QVariant currentId = view.currentIndex().siblingAtColumn(0).data(Qt::UserRole);
        // The row header keeps its width while it shows no numbers.
        const int numbersWidth = view.verticalHeader()->width();
        // The records in sight that are selected; then those in sight whose selection is not as it was.
        const auto selectedInSight = [&] {
            QStringList ids;
            for (int r = view.rowAt(0); r >= 0 && r <= view.rowAt(view.viewport()->height() - 1); ++r) {
                if (view.selectionModel()->isSelected(model.index(r, 1)))
                    ids << model.text(r, 1);
            }
            return ids;
        };
        const QStringList inSight = selectedInSight();
        const auto selectionChanged = [&] {
            QStringList ids;
            for (int r = view.rowAt(0); r >= 0 && r <= view.rowAt(view.viewport()->height() - 1); ++r) {
                if (view.selectionModel()->isSelected(model.index(r, 1)) !=
                    inSight.contains(model.text(r, 1)))
                    ids << model.text(r, 1);
            }
            return ids;
        };
        const auto number = [&model](int row) {
            return model.index(row, 0).data().toString();
        };

        BackgroundRow::setHeldForTesting(true);
        for (const QString& step : steps.split("; ")) {
            if (step == "Right") // moves nowhere: reads the list again
                QTest::keyClick(&view, Qt::Key_Shift);
            else if (step == "Ctrl+Home") // goes to the first row once its place is known
                QTest::keyClick(&view, Qt::Key_Home, Qt::ControlModifier);
            else
                t.execElsewhere(step);
            QCoreApplication::processEvents();
        }
        // Held back: the view on its records at its rows, no number shown, the count line's count unknown.
        QCOMPARE(view.rowAt(0), 50);
        QCOMPARE(model.index(50, 1).data().toString(), QString("500"));
        QCOMPARE(number(50), QString());
        // A row far above the rows read (a screen reader's question, the scroll bar dragged up) waits for
        // the count rather than walk every key up to it.
        QCOMPARE(model.index(0, 1).data(), QVariant());
        view.doItemsLayout(); // as the window lays itself out meanwhile
        QCOMPARE(view.verticalHeader()->width(), numbersWidth);
        QVERIFY(!model.countKnown());
        QCOMPARE(selectionChanged(), QStringList());
        if (current == 52) {
            QCOMPARE(view.currentIndex().siblingAtColumn(0).data(Qt::UserRole), currentId);
            QCOMPARE(selectedRuns(view), selected);
            // A key moves from the record shown.
            QTest::keyClick(&view, Qt::Key_Up, Qt::ControlModifier);
            QCOMPARE(view.currentIndex().siblingAtColumn(0).data(Qt::UserRole), QVariant(470));
            QTest::keyClick(&view, Qt::Key_Down, Qt::ControlModifier);
        }

        BackgroundRow::setHeldForTesting(false);
        QTRY_VERIFY(model.countKnown());
        QTRY_COMPARE(number(view.rowAt(0)), QString::number(view.rowAt(0) + 1));
        const QStringList truth =
            t.scalar("SELECT group_concat(id) FROM (SELECT id FROM listed ORDER BY id DESC)")
                .toString()
                .split(',');
        QCOMPARE(model.rowCount(), truth.size());
        if (steps.endsWith("Ctrl+Home")) {
            QCOMPARE(view.currentIndex().row(), 0);
            QCOMPARE(view.rowAt(0), 0);
            QCOMPARE(model.text(0, 1), truth.value(0));
            return;
        }
        QCOMPARE(view.rowAt(0), truth.indexOf("500"));
        QCOMPARE(view.currentIndex().siblingAtColumn(0).data(Qt::UserRole), currentId);
        QCOMPARE(selectedRuns(view), selectedAfter);
        QStringList shown;
        for (int r = 0; r < model.rowCount(); ++r)
            shown << model.text(r, 1);
        QCOMPARE(shown, truth);
        QCOMPARE(number(model.rowCount() - 1), QString::number(truth.size()));
        // The row header, narrow while it showed no numbers, is wide enough for them again.
        QTRY_VERIFY2(view.verticalHeader()->width() >= view.verticalHeader()->fontMetrics().horizontalAdvance(
                                                           QString::number(truth.size())),
                     qPrintable(QString::number(view.verticalHeader()->width())));
    }

    // A current record another program deletes below the rows a re-read reads (those in sight and a few pages
    // after) hands its row to the record after it, as one gone in sight does, however many went beside it.
    // Steps and checks as pageKeysGoOnFromTheRowsSeen's.
    void goneCurrentRecordBelowTheRowsReadHandsOn_data() {
        QTest::addColumn<QString>("steps");
        QTest::addColumn<QString>("top");
        QTest::addColumn<QString>("current");
        // Row 60 (id 400) current, the view back at the top.
        const QString below = "row 60; top 0; elsewhere DELETE FROM listed WHERE id IN (%1); Right";
        addRow("the current record", below.arg("400"), QString("1000"), QString("390"));
        addRow("the current record and the two after it", below.arg("400, 390, 380"), QString("1000"),
               QString("370"));
        addRow("the current record and the one before it", below.arg("410, 400"), QString("1000"),
               QString("390"));
    }
    void goneCurrentRecordBelowTheRowsReadHandsOn() { pageKeysGoOnFromTheRowsSeen(); }

    // A count taken on a connection of its own is the list's only for the file as its rows shown were read:
    // one another program's write made stale reads the list again and counts it again, and one a newer
    // re-read made moot is dropped, whether its answer comes before the newer one or after it. The list then
    // shows the file's rows, count and sum.
    void countsAreTakenForTheRowsShown_data() {
        QTest::addColumn<QString>("write");
        QTest::addColumn<QString>("when");
        const QString onTop =
            "INSERT INTO paged (id, day, amount) VALUES (91, '05-31', 100), (92, '05-31', 100)";
        const QString firstGone =
            "DELETE FROM paged WHERE id IN (SELECT id FROM paged ORDER BY day IS NULL, day "
            "DESC, id DESC LIMIT 2)";
        addRow("rows come on top before the count is taken", onTop, QString("before"));
        addRow("rows go from the first page while the count is taken", firstGone, QString("while"));
        addRow("rows come on top while the count is taken, the list read again before it comes", onTop,
               QString("while, then read again"));
    }
    void countsAreTakenForTheRowsShown() {
        QFETCH(QString, write);
        QFETCH(QString, when);
        SmallPages pages(3, 2);
        TestDatabase t;
        addPagedRows(t);
        t.exec("WITH RECURSIVE n(i) AS (SELECT 12 UNION ALL SELECT i + 1 FROM n WHERE i < 90) "
               "INSERT INTO paged (id, day, amount) SELECT i, printf('05-%02d', i % 9 + 1), 1 FROM n");
        // Another program's write, from the reading thread once the count has run, before it is handed over.
        QSemaphore written;
        std::atomic<bool> once{when != "before"};
        BackgroundRow::setStatementRunForTesting([&](int) {
            if (!once.exchange(false))
                return;
            sqlite3* other = nullptr;
            if (sqlite3_open(QFile::encodeName(t.path()).constData(), &other) != SQLITE_OK ||
                sqlite3_busy_timeout(other, 5000) != SQLITE_OK ||
                sqlite3_exec(other, write.toUtf8().constData(), nullptr, nullptr, nullptr) != SQLITE_OK)
                qFatal("Write from another connection failed");
            sqlite3_close(other);
            written.release();
        });
        const auto restore = qScopeGuard([] {
            BackgroundRow::setStatementRunForTesting(nullptr);
            BackgroundRow::setHeldForTesting(false);
        });
        RowTableModel model({"日期", "编号"});
        BackgroundRow::setHeldForTesting(when == "before");
        model.setQuery(pagedRows(true, true), pagedRow);
        if (when == "before") {
            writeElsewhere(t, write);
            BackgroundRow::setHeldForTesting(false);
        } else if (when.endsWith("read again")) {
            // Nothing handed over meanwhile: the count's answer waits behind the re-read.
            QVERIFY(written.tryAcquire(1, 10000));
            QVERIFY(model.followNow() >= 0);
        }
        QTRY_VERIFY(model.countKnown());
        // Any answer still on its way comes before the list is looked at.
        QThreadPool::globalInstance()->waitForDone();
        QCoreApplication::processEvents();
        QVERIFY(model.countKnown());
        QCOMPARE(model.rowCount(), t.count("paged"));
        QCOMPARE(model.total(0), t.scalar("SELECT SUM(amount) FROM paged"));
        QCOMPARE(everyId(model), pagedIdsInTheFile(t));
    }

    // A list of one row per record of a table names that table, whose ids tell the records added later; a
    // grouped list (rows that are sums) names none.
    void listsKnowTheTableOfTheirIds() {
        TestDatabase t;
        ListQuery joined;
        joined.from = "FROM sales_order o INNER JOIN sales_order_item AS i ON o.id = i.order_id";
        joined.order = {{"o.sale_date", true}, {"i.id", false}};
        ListQuery byDate = joined;
        byDate.order = {{"o.sale_date", true}};
        const std::vector<std::pair<ListQuery, QString>> lists{
            {SalesRepository::orderList(QString()), "sales_order"},
            {repositories::ExpiryWarningRepository::nearExpiryList(30, {}, {}, {}, {}, {}),
             "inventory_batch"},
            {joined, "sales_order_item"},
            {byDate, QString()},
            {repositories::InventoryWarningRepository::lowStockList(), QString()}};
        for (const auto& [list, table] : lists) {
            QCOMPARE(list.idTable(), table);
            if (!table.isEmpty())
                QVERIFY(t.db()->readOnce(list.newestId().sql, {}).isActive());
        }
    }

    // A selection keeps the records it was made of, wherever the view is: a record another program adds
    // inside a range stays out of it, as Qt's own selection leaves out a row inserted there.
    void addedRecordsStayOutOfASelection_data() {
        QTest::addColumn<QString>("steps");
        QTest::addColumn<int>("walked");       // rows walked to place a record near the view
        QTest::addColumn<QString>("selected"); // runs of ids selected at the end
        const QString five = "row 60; Shift+Down; Shift+Down; Shift+Down; Shift+Down; Ctrl+Home; %1";
        addRow("five selected far below the view, nothing comes inside them",
               five.arg("INSERT INTO ranked (rank) VALUES (5)"), 0, QString("40-36"));
        addRow("five selected far below the view, one comes inside them",
               five.arg("INSERT INTO ranked (rank) VALUES (385)"), 0, QString("40-39,38-36"));
        addRow("five selected far below the view, their places counted, one comes inside them",
               five.arg("INSERT INTO ranked (rank) VALUES (385)"), 8, QString("40-39,38-36"));
        addRow("five selected, one comes inside them, then another at the next re-read",
               five.arg("INSERT INTO ranked (rank) VALUES (385); INSERT INTO ranked (rank) VALUES (365)"), 8,
               QString("40-39,38-37,36"));
        addRow(
            "five selected, one comes inside them, then another before the first is placed",
            five.arg("hold; INSERT INTO ranked (rank) VALUES (385); INSERT INTO ranked (rank) VALUES (365); "
                     "release"),
            8, QString("40-39,38-37,36"));
        // An update keeps the record's id: one moved in among them stays out, one of them moved within stays.
        addRow("five selected far below the view, an update moves one in among them",
               five.arg("UPDATE ranked SET rank = 385 WHERE id = 90"), 0, QString("40-39,38-36"));
        addRow("five selected far below the view, their places counted, an update moves one in among them",
               five.arg("UPDATE ranked SET rank = 385 WHERE id = 90"), 8, QString("40-39,38-36"));
        addRow("five selected far below the view, an update brings one into the list among them",
               five.arg("UPDATE ranked SET rank = 385 WHERE id = 101"), 0, QString("40-39,38-36"));
        addRow("five selected far below the view, an update moves one of them within them",
               five.arg("UPDATE ranked SET rank = 375 WHERE id = 39"), 8, QString("40-36"));
        const QString column = "top 50; header; %1";
        addRow("a column selected by its header far from its top, one comes at a row read at open",
               column.arg("INSERT INTO ranked (rank) VALUES (955)"), 0, QString("100-96,95-1"));
        addRow("a column selected by its header far from both ends, one comes at a row read at open",
               column.arg("INSERT INTO ranked (rank) VALUES (955)"), 8, QString("100-96,95-1"));
    }
    void addedRecordsStayOutOfASelection() {
        QFETCH(QString, steps);
        QFETCH(int, walked);
        QFETCH(QString, selected);
        SmallPages pages(8, 4);
        RowTableModel::setWalkedRowsForTesting(walked);
        const auto restore = qScopeGuard([] {
            RowTableModel::setWalkedRowsForTesting(0);
            BackgroundRow::setHeldForTesting(false);
        });
        bool held = false;
        TestDatabase t;
        // A hundred records ranked 10 to 1000 by id, the highest first: ids 100 to 1 down the rows.
        t.exec("CREATE TABLE ranked (id INTEGER PRIMARY KEY AUTOINCREMENT, rank INTEGER)");
        t.exec("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 100) "
               "INSERT INTO ranked (rank) SELECT i * 10 FROM n");
        // And one the list leaves out.
        t.exec("INSERT INTO ranked (rank) VALUES (-385)");
        ListQuery list;
        list.columns = "id, rank";
        list.from = "FROM ranked";
        list.where = "rank > 0";
        list.order = {{"rank", true}, {"id", true}};
        RowTableModel model({"排名"});
        QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        QTableView view;
        view.verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
        view.setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        view.setModel(&model);
        followList(&view, &model);
        model.setQuery(list, [](const Row& r) { return TableRow(r.integer("id"), {r.text("rank")}); });
        view.resize(300, 300);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        QTRY_VERIFY(model.countKnown());
        view.setFocus();
        for (const QString& step : steps.split("; ")) {
            const int key = QKeySequence(step)[0];
            if (step.startsWith("row "))
                view.setCurrentIndex(model.index(step.mid(4).toInt(), 0));
            else if (step.startsWith("top "))
                view.scrollTo(model.index(step.mid(4).toInt(), 0), QAbstractItemView::PositionAtTop);
            else if (step == "header")
                QTest::mouseClick(view.horizontalHeader()->viewport(), Qt::LeftButton, {}, QPoint(5, 5));
            else if (step == "hold" || step == "release") // the counts on their connection
                BackgroundRow::setHeldForTesting(held = step == "hold");
            // A write by another program, then a key that moves nowhere.
            else if (step.startsWith("INSERT ") || step.startsWith("UPDATE ")) {
                t.execElsewhere(step);
                QTest::keyClick(&view, Qt::Key_Shift);
                QTRY_VERIFY(held || model.countKnown());
            } else
                QTest::keyClick(&view, Qt::Key(key & ~Qt::KeyboardModifierMask),
                                Qt::KeyboardModifiers(key & Qt::KeyboardModifierMask));
            QCoreApplication::processEvents();
        }
        QTRY_COMPARE(selectedRuns(view), selected);
        QCOMPARE(model.rowCount(), t.count("ranked", "rank > 0"));
    }

    // A grouped list (the low-stock list, ordered by each drug's stock, a sum no WHERE can hold) read again
    // after another program's write far from its top keeps its current row and its view on their records
    // once the rows above are counted.
    void groupedListKeepsItsRecordsAcrossAReread() {
        SmallPages pages(4, 4);
        RowTableModel::setWalkedRowsForTesting(2);
        const auto restore = qScopeGuard([] { RowTableModel::setWalkedRowsForTesting(0); });
        TestDatabase t;
        t.exec("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 40) "
               "INSERT INTO product (id, name, unit, purchase_price, sale_price, status) "
               "SELECT i, '药' || i, '盒', 1, 2, 1 FROM n");
        t.exec("INSERT INTO inventory_batch (product_id, batch_no, expiry_date, quantity) "
               "SELECT id, 'B' || id, '2033-01-01', id % 9 FROM product");
        RowTableModel model({"编号", "库存"});
        QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        QTableView view;
        view.verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
        view.setModel(&model);
        followList(&view, &model);
        model.setQuery(repositories::InventoryWarningRepository::lowStockList(), [](const Row& r) {
            return TableRow(r.integer("id"), {r.text("id"), r.text("total_stock")});
        });
        view.resize(300, 200);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        QTRY_VERIFY(model.countKnown());
        view.setFocus();
        view.setCurrentIndex(model.index(22, 0));
        view.scrollTo(model.index(20, 0), QAbstractItemView::PositionAtTop);
        QCoreApplication::processEvents();
        const QVariant top = model.index(view.rowAt(0), 0).data(Qt::UserRole);
        const QVariant current = view.currentIndex().siblingAtColumn(0).data(Qt::UserRole);
        // Two drugs sell out, above the view, and one fills up from the top to below it.
        t.execElsewhere("UPDATE inventory_batch SET quantity = 0 WHERE product_id IN (35, 26)");
        t.execElsewhere("UPDATE inventory_batch SET quantity = 8 WHERE product_id = 9");
        QTest::keyClick(&view, Qt::Key_Right);
        QTRY_VERIFY(model.countKnown());
        QCoreApplication::processEvents();
        const QStringList truth =
            t.scalar("SELECT group_concat(id) FROM (SELECT p.id, COALESCE(SUM(b.quantity), 0) AS s FROM "
                     "product p "
                     "LEFT JOIN inventory_batch b ON p.id = b.product_id GROUP BY p.id HAVING s < 10 "
                     "ORDER BY s, p.id)")
                .toString()
                .split(',');
        QCOMPARE(model.index(view.rowAt(0), 0).data(Qt::UserRole), top);
        QCOMPARE(view.currentIndex().siblingAtColumn(0).data(Qt::UserRole), current);
        QCOMPARE(view.rowAt(0), truth.indexOf(top.toString()));
        QCOMPARE(view.currentIndex().row(), truth.indexOf(current.toString()));
        QCOMPARE(model.rowCount(), truth.size());
    }

    // A screen reader's questions about the selection of a followed table (how many rows, cells and columns
    // are selected, which, whether one is) get Qt's own answers, read from the selection's ranges rather
    // than by asking every row of them.
    void screenReaderSelectionComesFromRanges_data() {
        QTest::addColumn<QString>("selection");
        addRow("rows by Shift", QString("rows"));
        addRow("a column by its header", QString("column"));
        addRow("all by Ctrl+A", QString("all"));
        addRow("a column and rows across it", QString("column and rows"));
        addRow("every column, one by one", QString("columns"));
    }
    void screenReaderSelectionComesFromRanges() {
        QFETCH(QString, selection);
        class FlagsCounted : public RowTableModel {
        public:
            using RowTableModel::RowTableModel;
            Qt::ItemFlags flags(const QModelIndex& index) const override {
                ++asked;
                return RowTableModel::flags(index);
            }
            mutable int asked = 0;
        };
        FlagsCounted model({"条码", "名称", "规格"});
        QVector<TableRow> rows;
        for (int r = 0; r < 3000; ++r)
            rows.append(TableRow(r + 1, {QString::number(r), "板蓝根", "10g"}));
        model.setRows(rows);
        QTableView view;
        view.setSelectionMode(QAbstractItemView::ExtendedSelection);
        view.setSelectionBehavior(QAbstractItemView::SelectItems);
        view.setModel(&model);
        followList(&view, &model);
        view.resize(400, 300);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        QAccessible::setActive(true);
        const auto inactive = qScopeGuard([] { QAccessible::setActive(false); });
        QItemSelectionModel* selected = view.selectionModel();
        const auto whole = [&](int column) {
            return QItemSelection(model.index(0, column), model.index(model.rowCount() - 1, column));
        };
        if (selection == "rows") {
            view.setCurrentIndex(model.index(10, 0));
            for (int i = 0; i < 5; ++i)
                QTest::keyClick(&view, Qt::Key_Down, Qt::ShiftModifier);
            QTest::keyClick(&view, Qt::Key_Right, Qt::ShiftModifier);
            QTest::keyClick(&view, Qt::Key_Right, Qt::ShiftModifier);
        } else if (selection == "column") {
            QTest::mouseClick(view.horizontalHeader()->viewport(), Qt::LeftButton, {},
                              QPoint(view.horizontalHeader()->sectionViewportPosition(1) + 5, 5));
        } else if (selection == "all") {
            QTest::keyClick(&view, Qt::Key_A, Qt::ControlModifier);
        } else if (selection == "column and rows") {
            selected->select(whole(1), QItemSelectionModel::ClearAndSelect);
            selected->select(QItemSelection(model.index(100, 0), model.index(199, 2)),
                             QItemSelectionModel::Select);
        } else {
            for (int column = 0; column < 3; ++column)
                selected->select(whole(column), QItemSelectionModel::Select);
        }
        QList<int> rowsQt;
        for (const QModelIndex& index : selected->selectedRows())
            rowsQt.append(index.row());
        std::sort(rowsQt.begin(), rowsQt.end());
        QList<int> columnsQt;
        for (const QModelIndex& index : selected->selectedColumns())
            columnsQt.append(index.column());
        std::sort(columnsQt.begin(), columnsQt.end());
        const int cellsQt = selected->selectedIndexes().size();
        const bool row150 = selected->isRowSelected(150, QModelIndex());
        const bool column1 = selected->isColumnSelected(1, QModelIndex());
        QVERIFY(!rowsQt.isEmpty() || !columnsQt.isEmpty() || cellsQt > 0);

        QAccessibleTableInterface* table = QAccessible::queryAccessibleInterface(&view)->tableInterface();
        QVERIFY(table);
        model.asked = 0;
        QCOMPARE(table->selectedRowCount(), rowsQt.size());
        QList<int> rowsRead = table->selectedRows();
        std::sort(rowsRead.begin(), rowsRead.end());
        QCOMPARE(rowsRead, rowsQt);
        QCOMPARE(table->selectedColumnCount(), columnsQt.size());
        QCOMPARE(table->selectedColumns(), columnsQt);
        QCOMPARE(table->selectedCellCount(), cellsQt);
        QCOMPARE(table->isRowSelected(150), row150);
        QCOMPARE(table->isColumnSelected(1), column1);
        QVERIFY2(model.asked < 50, qPrintable(QString::number(model.asked)));
    }

    // A followed table destroyed while it has the focus and a screen reader holds its interface: the focus
    // leaving on the way out asks that interface whether it is still sound, and it goes with the view.
    void screenReaderTableGoesWithItsView() {
        RowTableModel model({"条码", "名称"});
        model.setRows({TableRow(1, {"6901", "板蓝根"})});
        auto view = std::make_unique<QTableView>();
        view->setModel(&model);
        followList(view.get(), &model);
        view->show();
        view->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(view.get()));
        view->setFocus();
        QVERIFY(view->hasFocus());
        QAccessible::setActive(true);
        const auto inactive = qScopeGuard([] { QAccessible::setActive(false); });
        QAccessibleInterface* table = QAccessible::queryAccessibleInterface(view.get());
        QVERIFY(table && table->isValid() && table->tableInterface());
        QCOMPARE(table->tableInterface()->selectedRowCount(), 0);
        const QAccessible::Id id = QAccessible::uniqueId(table);
        view.reset();
        QCOMPARE(QAccessible::accessibleInterface(id), nullptr);
    }

    // A followed list's header marks the columns a selection touches and those it holds whole as Qt's header
    // over the view's own selection does, in a style that draws both (bold, sunken), with the model checked.
    void headerMarksTheSelectedColumns() {
        std::unique_ptr<QStyle> windows(QStyleFactory::create("Windows"));
        RowTableModel model({"条码", "名称", "规格"});
        QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        QVector<TableRow> rows;
        for (int r = 0; r < 30; ++r)
            rows.append(TableRow(r + 1, {"690" + QString::number(r), "板蓝根", "10g"}));
        model.setRows(rows);
        QWidget window;
        auto* layout = new QHBoxLayout(&window);
        QTableView followed;
        QTableView plain;
        for (QTableView* view : {&followed, &plain}) {
            view->setModel(&model);
            view->horizontalHeader()->setStyle(windows.get());
            view->setFixedSize(300, 200);
            layout->addWidget(view);
        }
        followList(&followed, &model);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        const auto headers = [&] {
            return std::make_pair(followed.horizontalHeader()->grab().toImage(),
                                  plain.horizontalHeader()->grab().toImage());
        };
        const QImage unmarked = headers().first;
        for (const QString& selection : QStringList{"column 0, a cell of column 1", "all", "none"}) {
            for (QTableView* view : {&followed, &plain}) {
                view->clearSelection();
                if (selection == "all") {
                    view->selectAll();
                } else if (selection != "none") {
                    view->selectColumn(0);
                    view->selectionModel()->select(model.index(3, 1), QItemSelectionModel::Select);
                }
            }
            const auto [marked, qtMarks] = headers();
            QCOMPARE(marked, qtMarks);
            QCOMPARE(marked == unmarked, selection == "none");
        }
    }

    // Clicks, Shift+clicks and Ctrl+clicks on a followed list's header select, extend and toggle columns as
    // Qt's header over the view's own selection does.
    void headerClicksSelectAsQtsOwnHeader_data() {
        // a column's header each, or with "cell" its fourth cell, with "Ctrl+" or "Shift+" before it
        QTest::addColumn<QString>("clicks");
        addRow("a selected column Ctrl+clicked", QString("1; Ctrl+3; Ctrl+1"));
        addRow("a column of a Shift range Ctrl+clicked", QString("1; Shift+4; Ctrl+2; Ctrl+4"));
        addRow("the only selected column Ctrl+clicked, then again", QString("2; Ctrl+2; Ctrl+2; Ctrl+2"));
        addRow("all selected, a column Ctrl+clicked", QString("Ctrl+A; Ctrl+0; Shift+1"));
        // A column only partly selected is selected whole.
        addRow("a cell selected, its column Ctrl+clicked", QString("cell 2; Ctrl+2"));
        addRow("a cell Ctrl+clicked out of a column, the column Ctrl+clicked",
               QString("1; Ctrl+cell 1; Ctrl+1"));
    }
    void headerClicksSelectAsQtsOwnHeader() {
        QFETCH(QString, clicks);
        RowTableModel model({"条码", "名称", "规格", "单位", "售价", "库存"});
        QVector<TableRow> rows;
        for (int r = 0; r < 8; ++r)
            rows.append(TableRow(r + 1, {"690" + QString::number(r), "板蓝根", "10g", "袋", "15", "3"}));
        model.setRows(rows);
        QTableView followed;
        QTableView plain;
        const auto cells = [&model](const QTableView& view) {
            QString marks;
            for (int c = 0; c < model.columnCount(); ++c) {
                marks += ' ';
                for (int r = 0; r < model.rowCount(); ++r)
                    marks += view.selectionModel()->isSelected(model.index(r, c)) ? 'x' : '.';
            }
            return marks;
        };
        for (QTableView* view : {&followed, &plain}) {
            view->setModel(&model);
            view->resize(600, 300);
            view->show();
            QVERIFY(QTest::qWaitForWindowExposed(view));
        }
        followList(&followed, &model);
        for (const QString& click : clicks.split("; ")) {
            for (QTableView* view : {&followed, &plain}) {
                if (click == "Ctrl+A") {
                    QTest::keyClick(view, Qt::Key_A, Qt::ControlModifier);
                    continue;
                }
                const QString target = click.section('+', -1);
                Qt::KeyboardModifiers keys;
                keys.setFlag(Qt::ControlModifier, click.startsWith("Ctrl+"));
                keys.setFlag(Qt::ShiftModifier, click.startsWith("Shift+"));
                const int column = target.section(' ', -1).toInt();
                QHeaderView* header = view->horizontalHeader();
                if (target.startsWith("cell "))
                    QTest::mouseClick(view->viewport(), Qt::LeftButton, keys,
                                      view->visualRect(model.index(3, column)).center());
                else
                    QTest::mouseClick(
                        header->viewport(), Qt::LeftButton, keys,
                        QPoint(header->sectionViewportPosition(column) + 5, header->height() / 2));
            }
            QCOMPARE(cells(followed), cells(plain));
        }
    }

    // A followed view paints again the row a change of its selection adds or takes out.
    void selectionChangesRepaintTheirRows_data() {
        QTest::addColumn<bool>("deselect");
        addRow("a row selected", false);
        addRow("a selected row deselected", true);
    }
    void selectionChangesRepaintTheirRows() {
        QFETCH(bool, deselect);
        RowTableModel model({"条码", "名称"});
        QVector<TableRow> rows;
        for (int r = 0; r < 20; ++r)
            rows.append(TableRow(r + 1, {"690" + QString::number(r), "板蓝根"}));
        model.setRows(rows);
        QTableView view;
        view.setModel(&model);
        followList(&view, &model);
        const QItemSelection row(model.index(4, 0), model.index(4, 1));
        if (deselect)
            view.selectionModel()->select(row, QItemSelectionModel::Select);
        view.resize(300, 300);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        QCoreApplication::processEvents();
        const PaintedRegion painted(view.viewport());
        view.selectionModel()->select(row,
                                      deselect ? QItemSelectionModel::Deselect : QItemSelectionModel::Select);
        QTRY_VERIFY(painted.covers(view.visualRect(model.index(4, 0)) | view.visualRect(model.index(4, 1))));
    }

    // After another program replaced the database file, 查询 (a picker's 搜索) leaves the rows shown as they
    // were, and the list says where it counts its rows that it could not read them (a list without a count
    // line in a box): never 共 0 条记录 or a blank line.
    void listsSayTheyCouldNotRead_data() {
        QTest::addColumn<QString>("window");
        QTest::addColumn<QString>("line"); // the count line, or "box"
        addRow("drugs, paged", QString("商品管理"), QString("labelCount"));
        addRow("suppliers, held", QString("供应商管理"), QString("labelCount"));
        addRow("near expiry", QString("近效期药品预警"), QString("labelTotal"));
        addRow("users, held in a table widget", QString("用户管理"), QString("box"));
        addRow("supplier picker", QString("选择供应商"), QString("labelReadTrouble"));
    }
    void listsSayTheyCouldNotRead() {
        QFETCH(QString, window);
        QFETCH(QString, line);
        PinnedClock pin(QDate(2026, 3, 1));
        TestDatabase t;
        seed(t);
        std::unique_ptr<QWidget> shown = windowNamed(window);
        shown->show();
        auto* table = shown->findChild<QTableView*>();
        const QString before = texts(table->model(), -1, 1);
        QVERIFY(table->model()->rowCount() > 0);
        LogCapture log;
        renameCopyOver(t.db(), t.path());
        DatabaseManager::instance().lookForReplacement();
        Prompts::reset();
        shown->findChild<QPushButton*>("btnSearch")->click();
        QCoreApplication::processEvents();
        QCOMPARE(texts(table->model(), -1, 1), before);
        const QString reason = "数据库文件已被其他程序替换，未能读取记录，请重新启动程序";
        if (line == "box") {
            QCOMPARE(said(), "错误:" + reason);
        } else {
            auto* label = shown->findChild<QLabel*>(line);
            QVERIFY(label && label->isVisibleTo(shown.get()));
            QCOMPARE(label->text(), reason);
            QCOMPARE(said(), QString());
        }
        // One line in the log for the refused read, however often it is asked again.
        shown->findChild<QPushButton*>("btnSearch")->click();
        QCOMPARE(texts(table->model(), -1, 1), before);
        QVERIFY2(log.count(QtWarningMsg, "the read was refused") == 1, qPrintable(log.dump()));
    }

    // A record or its lines read after the file was replaced open no form, blank or short: a box names what
    // could not be read and why; never a "not found", nor the start-up's word that there is nothing to tell.
    void recordsSayTheyCouldNotRead_data() {
        QTest::addColumn<QString>("window");
        QTest::addColumn<QString>("button"); // or the start-up check
        QTest::addColumn<QString>("headline");
        addRow("purchase order", QString("入库单"), QString("btnView"), QString("未能读取入库单"));
        addRow("sale", QString("销售单"), QString("btnView"), QString("未能读取销售单"));
        addRow("return", QString("退货单"), QString("btnViewReturn"), QString("未能读取退货单"));
        addRow("stocktaking sheet", QString("盘点单"), QString("btnView"), QString("未能读取盘点单"));
        addRow("non-conforming drug", QString("不合格药品"), QString("btnView"),
               QString("未能读取不合格药品记录"));
        addRow("supplier form", QString("供应商管理"), QString("btnEdit"), QString("未能读取供应商"));
        addRow("customer form", QString("客户管理"), QString("btnEdit"), QString("未能读取客户"));
        addRow("start-up, readings", QString("主窗口"), QString("温湿度"), QString("未能读取今日温湿度记录"));
        addRow("start-up, suppliers", QString("主窗口"), QString("资质"), QString("未能读取供应商资质"));
        addRow("start-up, near expiry", QString("主窗口"), QString("近效期"), QString("未能读取近效期药品"));
    }
    void recordsSayTheyCouldNotRead() {
        QFETCH(QString, window);
        QFETCH(QString, button);
        QFETCH(QString, headline);
        PinnedClock pin(QDate(2026, 3, 1));
        TestDatabase t;
        seed(t);
        for (const char* sql :
             {"INSERT INTO purchase_order (order_no, supplier_id, inbound_date) VALUES ('PO1', 1, "
              "'2026-03-01')",
              "INSERT INTO sales_order (order_no, sale_date) VALUES ('SO1', '2026-03-01')",
              "INSERT INTO return_order (return_no, return_type) VALUES ('RT1', 'purchase')",
              "INSERT INTO inventory_check (check_no, check_type, check_date, operator_id) VALUES ('PD1', "
              "'全盘', "
              "'2026-03-01', 1)",
              "INSERT INTO unqualified_drug (product_id, product_name, batch_id, batch_no, quantity, reason, "
              "report_date, found_by) VALUES (1, '板蓝根颗粒', 1, 'B30', 1, 'damaged', '2026-03-01', 1)"})
            t.exec(sql);
        std::unique_ptr<QWidget> shown = windowNamed(window);
        shown->show();
        if (window != "主窗口") {
            auto* table = shown->findChild<QTableView*>();
            QVERIFY(table->model()->rowCount() > 0);
            table->setCurrentIndex(table->model()->index(0, 1));
        }
        renameCopyOver(t.db(), t.path());
        DatabaseManager::instance().lookForReplacement();
        Prompts::reset();
        ModalAnswer<QDialog> opened([](QDialog* form) { form->reject(); });
        auto* main = qobject_cast<MainWindow*>(shown.get());
        if (button == "温湿度")
            main->showTempHumidityReminderOnStartup();
        else if (button == "资质")
            main->showQualificationWarningOnStartup();
        else if (button == "近效期")
            main->showExpiryWarningOnStartup();
        else
            shown->findChild<QPushButton*>(button)->click();
        QCOMPARE(opened.count(), 0);
        QCOMPARE(said(), "错误:" + headline + "\n数据库文件已被其他程序替换，未能读取记录，请重新启动程序");
    }

    // A choice a picker reads again when it is made (a supplier, a drug, a customer) says it could not be
    // read when the file was replaced while the picker was open; the form keeps what it had.
    void choicesSayTheyCouldNotRead_data() {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("headline");
        addRow("purchase form, supplier", QString("btnSelectSupplier"), QString("未能读取供应商"));
        addRow("purchase form, drug", QString("btnAddItem"), QString("未能读取商品"));
        addRow("sale form, customer", QString("btnSelectCustomer"), QString("未能读取客户"));
    }
    void choicesSayTheyCouldNotRead() {
        QFETCH(QString, button);
        QFETCH(QString, headline);
        PinnedClock pin(QDate(2026, 3, 1));
        TestDatabase t;
        seed(t);
        std::unique_ptr<QDialog> form;
        if (button == "btnSelectCustomer")
            form = std::make_unique<SalesDialog>();
        else
            form = std::make_unique<PurchaseDialog>();
        form->show();
        const auto shown = [&form] { // what the form's fields and lines hold
            QStringList out;
            for (const QLineEdit* field : form->findChildren<QLineEdit*>())
                out << field->text();
            for (const QAbstractItemView* lines : form->findChildren<QAbstractItemView*>())
                out << QString::number(lines->model()->rowCount());
            return out.join('|');
        };
        const QString before = shown();
        int answered = 0;
        ModalAnswer<QDialog> pick([&](QDialog* dialog) {
            if (++answered > 1) // a batch dialog would follow a drug
                return dialog->reject();
            auto* table = dialog->findChild<QTableView*>();
            QVERIFY(table && table->model()->rowCount() > 0);
            renameCopyOver(t.db(), t.path());
            DatabaseManager::instance().lookForReplacement();
            Prompts::reset();
            emit table->doubleClicked(table->model()->index(0, 1));
        });
        form->findChild<QPushButton*>(button)->click();
        QCOMPARE(answered, 1);
        QCOMPARE(said(), "错误:" + headline + "\n数据库文件已被其他程序替换，未能读取记录，请重新启动程序");
        QCOMPARE(shown(), before);
    }

    // A paged list scrolled after its file was replaced tries no page after the first refusal: a row it could
    // not read says so (not blank), the log has one line for it and the list tells it once.
    void pagedListStopsAfterAFailedRead() {
        SmallPages pages(3, 2);
        TestDatabase t;
        addPagedRows(t);
        RowTableModel model({"日期", "编号"});
        model.setQuery(pagedRows(false, false), pagedRow);
        QTRY_VERIFY(model.countKnown());
        QStringList first; // the first page, the one read
        for (int row = 0; row < 3; ++row)
            first << model.index(row, 1).data().toString();
        QSignalSpy told(&model, &RowTableModel::readFailed);
        LogCapture log;
        renameCopyOver(t.db(), t.path());
        DatabaseManager::instance().lookForReplacement();
        for (int row = model.rowCount() - 1; row >= 0; --row) // from the end, as a scroll to End reads
            model.index(row, 1).data();
        QCOMPARE(texts(&model, -1, 1).section('|', 0, 2), first.join('|'));
        QCOMPARE(texts(&model, -1, 0).section('|', 3), QString("未能读取|").repeated(8).chopped(1));
        // What a screen reader or view asks of the list from now on keeps to the model's contract.
        QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        QCoreApplication::processEvents();
        QCOMPARE(told.count(), 1);
        QVERIFY2(log.count(QtWarningMsg, "the read was refused") == 1, qPrintable(log.dump()));
        QCOMPARE(listTroubleText(model), QString("数据库文件已被其他程序替换，未能读取记录，请重新启动程序"));
    }

    // Each window opened after another program replaced the database file (every entry of the main window,
    // the pickers) reads nothing: its query never shows a count, a line in the warning colour or a box says
    // why, and an export onto an earlier file writes nothing and leaves that file as it was.
    void windowsOpenedAfterAReplacementCountNothing_data() {
        QTest::addColumn<QString>("entry"); // a menu entry, the main window's slot, or a picker's title
        // Buttons pressed in turn; "editSearch" types into the search field, "tab N" turns to a tab.
        QTest::addColumn<QStringList>("steps");
        const QStringList search{"btnSearch"};
        const QStringList query{"btnQuery"};
        for (const char* entry :
             {"商品管理", "供应商管理", "采购入库", "销售收银", "采购退货", "销售退回", "盘点管理",
              "近效期药品预警", "供应商资质预警", "处方药登记管理", "不合格药品登记", "养护检查", "用户管理"})
            addRow(entry, QString(entry), search);
        addRow("客户管理", QString("客户管理"), QStringList{"editSearch"});
        addRow("库存查询", QString("库存查询"),
               QStringList{"btnSearch", "btnRefresh", "btnShowAll", "btnShowExpiring", "btnShowOutOfStock"});
        for (const char* book : {"购进记录表", "验收记录表", "销售记录表", "养护检查记录表", "温湿度记录表",
                                 "近效期药品报表", "不合格药品记录表", "供应商资质一览表"})
            addRow(book, QString(book), query);
        addRow("温湿度记录管理", QString("温湿度记录管理"), QStringList{"btnSearch", "btnShowAbnormal"});
        addRow("操作日志", QString("操作日志"), QStringList{"btnSearch", "btnRefresh"});
        addRow("库存预警", QString("openInventoryWarningWindow"),
               QStringList{"btnRefresh", "tab 1", "tab 2"});
        for (const char* picker : {"选择供应商", "选择商品", "选择采购单", "选择销售单", "选择销售商品",
                                   "选择退货批次", "选择不合格药品"})
            addRow(picker, QString(picker), search);
        addRow("选择客户", QString("选择客户"), QStringList{"editSearch"});
    }
    void windowsOpenedAfterAReplacementCountNothing() {
        QFETCH(QString, entry);
        QFETCH(QStringList, steps);
        PinnedClock pin(QDate(2026, 3, 1));
        TestDatabase t;
        seed(t);
        MainWindow main;
        LogCapture quiet;
        renameCopyOver(t.db(), t.path());
        DatabaseManager::instance().lookForReplacement();
        QCoreApplication::processEvents();
        Prompts::reset();
        std::unique_ptr<QWidget> picker;
        QWidget* window = openEntry(main, entry, picker);
        QVERIFY(window);
        QTemporaryDir dir;
        const QString path = dir.filePath("earlier.csv");
        for (const QString& step : steps) {
            auto* tabs = window->findChild<QTabWidget*>();
            auto* field = window->findChild<QLineEdit*>("editSearch");
            auto* button = window->findChild<QPushButton*>(step);
            QVERIFY2(step.startsWith("tab ") ? tabs != nullptr
                     : step == "editSearch"  ? field != nullptr
                                             : button != nullptr,
                     qPrintable(step));
            if (step.startsWith("tab "))
                tabs->setCurrentIndex(step.section(' ', 1).toInt());
            else if (step == "editSearch")
                field->setText("张");
            else
                clickOnItsTab(button);
            QCoreApplication::processEvents();
            const QStringList told = toldOfUnreadRows(window);
            QVERIFY2(toldOnlyWhy(told), qPrintable(step + ": " + told.join(" | ")));
            auto* exportButton = window->findChild<QPushButton*>("btnExport");
            if (!exportButton)
                continue;
            const QString exported = exportOntoEarlier(exportButton, path);
            QVERIFY2(exported.startsWith("错误:未能读取要导出的记录，文件未导出！") &&
                         exported.endsWith(" | earlier kept"),
                     qPrintable(step + ": " + exported));
        }
    }

    // A window the main window keeps (a feature entry, a book, paged or holding its rows, a QTableWidget
    // window) or a picker, read and closed while another copy saves two records, reads again when it is shown
    // again: with the new rows, or, once the file was replaced meanwhile, refused, saying so in the warning
    // colour (or a box) with the rows kept and never counted as the list's, its export refused with the
    // earlier file kept. A refusal is said once: after it (the re-read's, or the user's own query's after
    // the replacement) the window's return reads and tells nothing again.
    void keptWindowsReadAgainWhenShownAgain_data() {
        QTest::addColumn<QString>("entry");
        QTest::addColumn<QStringList>("save"); // what the other copy commits
        // "saved only", "replaced" meanwhile, or replaced while shown and "queried" before the window is left
        QTest::addColumn<QString>("how");
        const QStringList twoSuppliers{
            "INSERT INTO supplier (id, name, license_no, license_expire_date, qualification_status, status) "
            "VALUES (20, '新兴医药', 'L20', '2028-01-01', 'valid', 'active'), "
            "(21, '康泰医药', 'L21', '2028-01-01', 'valid', 'active')"};
        const QList<QPair<QString, QStringList>> windows{
            {"商品管理",
             {"INSERT INTO product (id, name, mnemonic_code, unit, status) VALUES "
              "(20, '维C银翘片', 'WCYQP', '盒', 1), (21, '感冒灵颗粒', 'GMLKL', '袋', 1)"}},
            {"供应商管理", twoSuppliers},
            {"供应商资质一览表", twoSuppliers},
            {"温湿度记录表",
             {"INSERT INTO temperature_record (id, record_date, record_time, temperature, humidity, "
              "operator_name) VALUES (20, '2026-02-27', '08:00:00', 20, 50, '李娜'), "
              "(21, '2026-02-28', '08:00:00', 21, 55, '李娜')"}},
            {"购进记录表",
             {"INSERT INTO purchase_order (id, order_no, supplier_id, inbound_date, status) VALUES "
              "(20, 'PO20', 1, '2026-02-27', 'completed')",
              "INSERT INTO purchase_order_item (order_id, product_id, batch_no, production_date, "
              "expiry_date, quantity, unit_price, amount) VALUES "
              "(20, 1, 'B40', '2025-06-01', '2027-06-01', 5, 9, 45), "
              "(20, 2, 'B41', '2025-06-01', '2027-06-01', 2, 8, 16)"}},
            {"用户管理",
             {"INSERT INTO sys_user (id, username, password_hash, real_name, role, status) VALUES "
              "(20, 'wangfang', 'x', '王芳', 'clerk', 1), (21, 'zhaolei', 'x', '赵磊', 'clerk', 1)"}},
            {"选择供应商", twoSuppliers},
        };
        for (const auto& [entry, save] : windows) {
            for (const QString how : {"saved only", "replaced", "queried"})
                addRow(qPrintable(entry + ", " + how), entry, save, how);
        }
    }
    void keptWindowsReadAgainWhenShownAgain() {
        QFETCH(QString, entry);
        QFETCH(QStringList, save);
        QFETCH(QString, how);
        PinnedClock pin(QDate(2026, 3, 1));
        TestDatabase t;
        seed(t);
        MainWindow main;
        QVERIFY(QTest::qWaitForWindowActive(&main));
        std::unique_ptr<QWidget> picker;
        QWidget* window = openEntry(main, entry, picker);
        QVERIFY(window);
        QVERIFY(QTest::qWaitForWindowActive(window));
        auto* table = window->findChild<QTableView*>();
        auto* query = window->findChild<QPushButton*>("btnQuery");
        if (!query)
            query = window->findChild<QPushButton*>("btnSearch");
        QVERIFY(table && query);
        const int read = table->model()->rowCount();
        // A kept window is closed and shown again from the main window; a picker, which its form does not
        // keep, is left for another window and turned back to. The platform these tests run on tells a
        // window it hides or shows again of its focus out of turn: the window is told here, as on a desktop.
        const bool kept = !picker;
        const auto tell = [window](QEvent::Type type) {
            QCoreApplication::processEvents();
            QEvent focus(type);
            QCoreApplication::sendEvent(window, &focus);
            QCoreApplication::processEvents();
        };
        const auto leave = [&] {
            if (kept)
                window->close();
            tell(QEvent::WindowDeactivate);
        };
        const auto comeBack = [&] {
            const bool shown = !kept || !openEntry(main, entry, picker);
            tell(QEvent::WindowActivate);
            return shown && window->isVisible();
        };
        LogCapture log;
        const auto replace = [&] {
            renameCopyOver(t.db(), t.path());
            DatabaseManager::instance().lookForReplacement();
            QCoreApplication::processEvents();
        };
        if (how == "queried") {
            replace();
            Prompts::reset();
            query->click();
            QCoreApplication::processEvents();
            const QStringList told = toldOfUnreadRows(window);
            QVERIFY2(toldOnlyWhy(told), qPrintable(told.join(" | ")));
        }
        leave();
        for (const QString& sql : save)
            writeElsewhere(t, sql);
        if (how == "replaced")
            replace();
        Prompts::reset();
        const ReadWatch readAgain;
        QVERIFY(comeBack());
        if (how == "saved only") {
            QCOMPARE(table->model()->rowCount(), read + 2);
            return;
        }
        QCOMPARE(table->model()->rowCount(), read);
        if (how == "queried") {
            QVERIFY(!readAgain.failure());
            QCOMPARE(Prompts::history().size(), 0);
            return;
        }
        const QStringList told = toldOfUnreadRows(window);
        QVERIFY2(toldOnlyWhy(told), qPrintable(told.join(" | ")));
        QVERIFY2(log.count("the read was refused") > 0, qPrintable(log.dump()));
        if (auto* exportButton = window->findChild<QPushButton*>("btnExport")) {
            QTemporaryDir dir;
            const QString exported = exportOntoEarlier(exportButton, dir.filePath("earlier.csv"));
            QVERIFY2(exported.startsWith("错误:未能读取要导出的记录，文件未导出！") &&
                         exported.endsWith(" | earlier kept"),
                     qPrintable(exported));
        }
        // Back once more: the refusal was said; nothing is read or told again.
        leave();
        Prompts::reset();
        const ReadWatch again;
        QVERIFY(comeBack());
        QVERIFY(!again.failure());
        QCOMPARE(Prompts::history().size(), 0);
    }

    // A row a paged list could not read (the file replaced before the list was scrolled to it) is no record:
    // 查看, 编辑, 删除, 作废 and a picker's choice on it say it could not be read, open and ask nothing, and
    // the line under the list (a picker's too) says why in the warning colour.
    void unreadRowsAreNoRecord_data() {
        QTest::addColumn<QString>("window");
        QTest::addColumn<QString>("button"); // empty: a double click on the row
        addRow("drug, edit", QString("商品管理"), QString("btnEdit"));
        addRow("drug, delete", QString("商品管理"), QString("btnDelete"));
        addRow("sale, view", QString("销售单"), QString("btnView"));
        addRow("purchase order, void", QString("入库单"), QString("btnVoid"));
        addRow("drug picker, double click", QString("选择商品"), QString());
        addRow("drug picker, 确定", QString("选择商品"), QString("btnOk"));
        addRow("sale picker, 确定", QString("选择销售单"), QString("btnOk"));
    }
    void unreadRowsAreNoRecord() {
        QFETCH(QString, window);
        QFETCH(QString, button);
        PinnedClock pin(QDate(2026, 3, 1));
        SmallPages pages(3);
        TestDatabase t;
        seed(t);
        // Lists far longer than a screen: their last rows are not read until scrolled to.
        t.exec("WITH RECURSIVE n(i) AS (SELECT 10 UNION ALL SELECT i + 1 FROM n WHERE i < 70) "
               "INSERT INTO product (id, name, mnemonic_code, unit, status) SELECT i, '药品' || i, 'YP', "
               "'盒', 1 "
               "FROM n");
        t.exec("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 60) "
               "INSERT INTO sales_order (id, order_no, sale_date) SELECT i, 'SO' || i, '2026-03-01' FROM n");
        t.exec("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 60) "
               "INSERT INTO purchase_order (id, order_no, supplier_id, inbound_date) "
               "SELECT i, 'PO' || i, 1, '2026-03-01' FROM n");
        std::unique_ptr<QWidget> shown = windowNamed(window);
        shown->show();
        auto* table = shown->findChild<QTableView*>();
        auto* model = qobject_cast<RowTableModel*>(table->model());
        QAbstractItemModelTester tester(model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        QTRY_VERIFY(model->countKnown());
        QVERIFY(model->rowCount() >= 60);
        LogCapture quiet;
        renameCopyOver(t.db(), t.path());
        DatabaseManager::instance().lookForReplacement();
        const QModelIndex unread = model->index(model->rowCount() - 1, 0);
        QCOMPARE(unread.data().toString(), QString("未能读取"));
        table->setCurrentIndex(unread);
        table->selectionModel()->select(unread,
                                        QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        QCoreApplication::processEvents();
        Prompts::reset();
        const QStringList told = toldOfUnreadRows(shown.get());
        QVERIFY2(toldOnlyWhy(told), qPrintable(told.join(" | ")));
        ModalAnswer<QDialog> opened([](QDialog* form) { form->reject(); });
        if (button.isEmpty())
            emit table->doubleClicked(unread);
        else
            shown->findChild<QPushButton*>(button)->click();
        QCoreApplication::processEvents();
        QCOMPARE(opened.count(), 0);
        QCOMPARE(said(), "错误:未能读取所选记录\n" + kReplacedReason);
        if (auto* picker = qobject_cast<QDialog*>(shown.get()))
            QVERIFY(picker->isVisible() && picker->result() != QDialog::Accepted);
    }

    // A reload (a search, a refresh, a picker's search, a book's query) shows its list from the first row,
    // whatever row the view showed before.
    void reloadShowsTheFirstRow_data() {
        QTest::addColumn<QString>("frame");
        addRow("sales list, search", QString("sales"));
        addRow("stock window, refresh", QString("batches"));
        addRow("picker, search", QString("picker"));
        addRow("record book, query", QString("book"));
    }
    void reloadShowsTheFirstRow() {
        QFETCH(QString, frame);
        TestDatabase t;
        addSalesAndBatches(t);
        std::unique_ptr<QWidget> window;
        QTableView* view = nullptr;
        std::function<void()> reload;
        FakeLoader fake;
        for (int i = 3; i <= 60; ++i)
            fake.rows.append(TableRow(i * 10, {QString::number(i), "c"}));
        if (frame == "sales" || frame == "batches") {
            std::unique_ptr<QMainWindow> list = listWindow(frame);
            view = list->findChild<QTableView*>(frame == "sales" ? "tableView" : "tableInventory");
            auto* button = list->findChild<QPushButton*>(frame == "sales" ? "btnSearch" : "btnRefresh");
            reload = [button] {
                button->click();
            };
            window = std::move(list);
        } else if (frame == "picker") {
            auto* dialog = new QDialog;
            PickerSetup setup;
            setup.columns = QStringList{"单号", "供应商"};
            auto* picker = new PickerFrame(dialog, setup, fake.loader());
            view = picker->widgets().table;
            reload = [picker] {
                picker->load("x");
            };
            window.reset(dialog);
        } else {
            auto* book = new QMainWindow;
            auto* central = new QWidget(book);
            auto* grid = new QGridLayout(central);
            grid->setObjectName("gridLayout");
            auto* table = new QTableView(central);
            table->setObjectName("tableReport");
            grid->addWidget(table, 1, 0);
            auto* label = new QLabel(central);
            label->setObjectName("labelTotal");
            grid->addWidget(label, 2, 0);
            book->setCentralWidget(central);
            ReportSetup setup;
            setup.columns = QStringList{"单号", "供应商"};
            auto* report = new ReportFrame(book, nullptr, setup);
            view = table;
            reload = [report, fake] {
                report->showRows([fake] { return fake.rows; });
            };
            reload();
            window.reset(book);
        }
        window->resize(700, 400);
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        QVERIFY(QTest::qWaitFor([view] { return view->model()->rowCount() >= 60; }));
        view->scrollTo(view->model()->index(30, 0), QAbstractItemView::PositionAtTop);
        QCOMPARE(view->rowAt(0), 30);
        reload();
        QCoreApplication::processEvents();
        QCOMPARE(view->rowAt(0), 0);
    }

    // Ctrl+End pressed while the list is still being counted ends on the last row once the count is in.
    void endBeforeTheCountReachesTheLastRow_data() {
        QTest::addColumn<QString>("list");
        QTest::addColumn<QString>("before"); // a search, or a change from another program not yet followed
        QTest::addColumn<int>("last");
        addRow("sales list", QString("sales"), QString("search"), 59);
        addRow("stock window", QString("batches"), QString("search"), 59);
        addRow("sales list, a change pending", QString("sales"), QString("change"), 61);
    }
    void endBeforeTheCountReachesTheLastRow() {
        QFETCH(QString, list);
        QFETCH(QString, before);
        QFETCH(int, last);
        SmallPages pages(5);
        TestDatabase t;
        addSalesAndBatches(t);
        const std::unique_ptr<QMainWindow> window = listWindow(list);
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        auto* view = window->findChild<QTableView*>(list == "sales" ? "tableView" : "tableInventory");
        auto* model = qobject_cast<RowTableModel*>(view->model());
        QAbstractItemModelTester tester(model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        if (before == "search") {
            // The search reloads and counts again; the count comes through the event loop, not run here yet.
            window->findChild<QPushButton*>("btnSearch")->click();
            QCOMPARE(model->countKnown(), false);
        } else {
            QTRY_VERIFY(model->countKnown());
            writeElsewhere(t, "INSERT INTO sales_order (id, order_no, customer_id, total_amount, sale_date, "
                              "operator_id, status) VALUES (61, 'X61', 1, 1, '2031-05-20', 1, 'completed'), "
                              "(62, 'X62', 1, 1, '2031-05-20', 1, 'completed')");
        }
        view->setFocus();
        QTest::keyClick(view, Qt::Key_End, Qt::ControlModifier);
        QTRY_COMPARE(view->currentIndex().row(), last);
        QTRY_VERIFY(model->countKnown());
        QCOMPARE(model->rowCount(), last + 1);
        QCOMPARE(view->currentIndex().data(Qt::UserRole).toInt(), 1);
        QVERIFY(view->viewport()->rect().contains(view->visualRect(view->currentIndex()).center()));
    }

    // A key that types text (Space too) in a paged list or picker reads nothing: type-ahead goes to the next
    // row held whose cell in the current column starts with it, here one above the current row, past the
    // rows below that were never read.
    void typeAheadLooksAmongTheRowsHeld_data() {
        QTest::addColumn<QString>("window");
        QTest::addColumn<QString>("key");
        for (const QString window : {"销售单", "库存查询", "销售记录表", "选择销售单", "选择销售商品"}) {
            addRow(qPrintable(window + ", a"), window, QString("a"));
            addRow(qPrintable(window + ", Space"), window, QString(" "));
        }
    }
    void typeAheadLooksAmongTheRowsHeld() {
        QFETCH(QString, window);
        QFETCH(QString, key);
        PinnedClock pin(QDate(2031, 5, 20));
        SmallPages pages(5);
        TestDatabase t;
        addSalesAndBatches(t);
        t.exec("INSERT INTO sales_order_item (order_id, product_id, batch_id, batch_no, production_date, "
               "expiry_date, quantity, unit_price, amount) SELECT id, 1, id, 'B01', '2030-01-01', "
               "'2033-01-01', 1, 15, 15 FROM sales_order");
        t.exec("UPDATE sales_order SET order_no = ? || order_no WHERE id = 58", {key});
        t.exec("UPDATE inventory_batch SET batch_no = ? || batch_no WHERE id = 58", {key});
        std::unique_ptr<QWidget> shown = window == "库存查询" ? listWindow("batches")
                                         : window == "销售记录表"
                                             ? std::make_unique<SalesRecordReportWindow>()
                                             : windowNamed(window);
        shown->resize(700, 400);
        shown->show();
        QVERIFY(QTest::qWaitForWindowExposed(shown.get()));
        if (auto* query = shown->findChild<QPushButton*>("btnQuery"))
            query->click();
        auto* view = shown->findChild<QTableView*>();
        auto* model = qobject_cast<RowTableModel*>(view->model());
        QAbstractItemModelTester tester(model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        QTRY_VERIFY(model->countKnown());
        QVERIFY(model->isPaged() && model->rowCount() >= 60);
        QModelIndex held; // the cell that starts with the key, in sight
        for (int row = 0; row < 10; ++row)
            for (int column = 0; column < model->columnCount(); ++column)
                if (model->index(row, column).data().toString().startsWith(key))
                    held = model->index(row, column);
        QVERIFY(held.isValid());
        view->setCurrentIndex(model->index(held.row() + 3, held.column()));
        QCoreApplication::processEvents();
        QVERIFY(model->heldRows() < model->rowCount());
        StatementCount statements;
        QTest::keyClick(view, key == " " ? Qt::Key_Space : Qt::Key_A);
        QCoreApplication::processEvents();
        QCOMPARE(statements.count(), 0);
        QCOMPARE(view->currentIndex(), held);
        QVERIFY(view->selectionModel()->isSelected(held));
    }

    // Each family's sheet paints its named colours: rules that do not parse would leave the platform's.
    void styleSheetsPaintTheirColours_data() {
        QTest::addColumn<QString>("sheet");
        QTest::addColumn<QString>("widget"); // class#objectName
        QTest::addColumn<QString>("colour");
        const QString list = listWindowStyleSheet({"btnAdd"}, {"btnEdit"});
        QTest::newRow("list primary") << list << "QPushButton#btnAdd" << colours::accent;
        QTest::newRow("list secondary") << list << "QPushButton#btnEdit" << colours::buttonFace;
        QTest::newRow("user admin plain")
            << userAdminStyleSheet() << "QPushButton#btnAdd" << colours::buttonFace;
        QTest::newRow("user admin search")
            << userAdminStyleSheet() << "QPushButton#btnSearch" << colours::accent;
        QTest::newRow("report plain")
            << reportWindowStyleSheet() << "QPushButton#btnExport" << colours::buttonFace;
        QTest::newRow("report query")
            << reportWindowStyleSheet() << "QPushButton#btnQuery" << colours::accent;
        QTest::newRow("form read-only") << formStyleSheet() << "QLineEdit#readOnly" << colours::buttonFace;
        QTest::newRow("accent button") << ""
                                       << "QPushButton#accent" << colours::accent;
    }
    void styleSheetsPaintTheirColours() {
        QFETCH(QString, sheet);
        QFETCH(QString, widget);
        QWidget window;
        window.setStyleSheet(sheet);
        QWidget* target = nullptr;
        if (widget.startsWith("QLineEdit")) {
            auto* edit = new QLineEdit(&window);
            edit->setReadOnly(true);
            target = edit;
        } else {
            auto* button = new QPushButton(&window);
            if (widget.endsWith("#accent"))
                button->setStyleSheet(accentButtonStyleSheet());
            target = button;
        }
        target->setObjectName(widget.section('#', 1));
        target->resize(80, 28);
        QTEST(faceOf(target), "colour");
    }

    // The input boxes answer from the queue in tests: values clamped to the range, a cancel gives the
    // starting value back.
    void inputBoxesAnswerFromTheQueue() {
        bool ok = true;
        QCOMPARE(Prompts::getInt(nullptr, "数量", "请输入数量：", 5, 1, 99, 1, &ok), 5);
        QCOMPARE(ok, false);
        Prompts::queueInt(150);
        QCOMPARE(Prompts::getInt(nullptr, "数量", "请输入数量：", 5, 1, 99, 1, &ok), 99);
        QCOMPARE(ok, true);
        Prompts::queueInt(40, false);
        QCOMPARE(Prompts::getInt(nullptr, "数量", "请输入数量：", 5, 1, 99), 5);
        const QStringList reasons{"过期", "破损", "其他"};
        Prompts::queueItem(2);
        QCOMPARE(Prompts::getItem(nullptr, "原因", "请选择原因：", reasons, 1, &ok), QString("其他"));
        QCOMPARE(ok, true);
        Prompts::queueItem(0, false);
        QCOMPARE(Prompts::getItem(nullptr, "原因", "请选择原因：", reasons, 1, &ok), QString("破损"));
        QCOMPARE(ok, false);
        QCOMPARE(Prompts::history().size(), 5);
        QCOMPARE(Prompts::last().title + Prompts::last().text, QString("原因请选择原因："));
    }

    // Outside tests the real boxes come up in Chinese with the value asked for.
    void realInputBoxes() {
        Prompts::setTestMode(false);
        QStringList seen;
        ModalAnswer<QInputDialog> answer([&](QInputDialog* d) {
            seen << d->windowTitle() + d->labelText() + d->findChildren<QPushButton*>().first()->text();
            d->inputMode() == QInputDialog::IntInput ? d->setIntValue(7) : d->setTextValue("其他");
            d->accept();
        });
        bool ok = false;
        QCOMPARE(Prompts::getInt(nullptr, "数量", "请输入数量：", 5, 1, 99, 1, &ok), 7);
        QCOMPARE(ok, true);
        QCOMPARE(Prompts::getItem(nullptr, "原因", "请选择原因：", {"过期", "其他"}, 0, &ok),
                 QString("其他"));
        QCOMPARE(seen.join('|').remove("取消"), QString("数量请输入数量：确定|原因请选择原因：确定"));
    }
};

KV_TEST_CLASS(TestListFrames)
#include "tst_listframes.moc"
