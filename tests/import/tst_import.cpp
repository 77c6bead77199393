#include "repositories/productrepository.h"
#include "repositories/supplierrepository.h"
#include "spreadsheet/workbookreader.h"
#include "tests/support/modalanswer.h"
#include "tests/support/peakmemory.h"
#include "tests/support/pinnedclock.h"
#include "tests/support/testdatabase.h"
#include "tests/support/testmain.h"
#include "tests/support/workbookfixtures.h"
#include "ui/common/prompts.h"
#include "ui/import/productimportdialog.h"
#include "ui/import/supplierimportdialog.h"
#include "ui/masterdata/productmanagerwindow.h"
#include "ui/masterdata/suppliermanagerwindow.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSqlQuery>
#include <QTextBlock>
#include <QTextEdit>
#include <QtTest>

#include <memory>

using namespace kestrovalin;
using namespace kestrovalin::test;

namespace {

const QVariant gap;

const QVariantList kProductTitles{"药品条码", "药品名称(*)", "助记码",     "规格", "批准文号", "生产厂商",
                                  "分类",     "储存条件",    "是否处方药", "单位", "采购价",   "销售价"};
const QVariantList kSupplierTitles{
    "供应商名称(*)", "经营许可证号", "营业执照号", "经营范围",  "地址",         "联系人",        "联系电话",
    "许可证到期",    "营业执照到期", "GSP证书号",  "GSP有效期", "税务登记证号", "税务登记有效期"};

// A product row: barcode, name, pack size, flag, purchase and sale price; the other columns filled in.
QVariantList drug(const QVariant& barcode, const QVariant& name, const QVariant& size = "10片",
                  const QVariant& flag = "否", const QVariant& purchase = 1.5, const QVariant& sale = 3.0) {
    return {barcode, name, "JC",     size, "国药准字H10000000", "示例药业", "OTC甲类", "常温",
            flag,    "盒", purchase, sale};
}

// A supplier row: name, phone, scope and the four dates (licence, business licence, GSP, tax).
QVariantList firm(const QVariant& name,
                  const QVariantList& dates = {"2028-01-01", "2028-01-01", "2028-01-01", "2028-01-01"},
                  const QVariant& phone = "027-88886666", const QVariant& scope = "中药") {
    return {name,     "鄂AA000001", "91420100000000001X", scope,    "武汉市江汉区1号", "李四",  phone,
            dates[0], dates[1],     "A-HB-2021-002",      dates[2], 420100000000000.0, dates[3]};
}

template <class T> T* child(QWidget* dialog, const char* name) {
    return dialog->findChild<T*>(QString::fromLatin1(name));
}

void click(QWidget* dialog, const char* button) {
    child<QPushButton>(dialog, button)->click();
}

QStringList resultLines(QWidget* dialog) {
    return child<QTextEdit>(dialog, "textResult")->toPlainText().split(QLatin1Char('\n'));
}

// The colour of the first paragraph reading exactly `line`.
QString colourOf(QWidget* dialog, const QString& line) {
    const QTextDocument* document = child<QTextEdit>(dialog, "textResult")->document();
    for (QTextBlock block = document->begin(); block.isValid(); block = block.next()) {
        if (block.text() == line && !block.begin().atEnd())
            return block.begin().fragment().charFormat().foreground().color().name();
    }
    return QStringLiteral("no such line");
}

// "1" per enabled step button: template, browse, start.
QString stepButtons(QWidget* dialog) {
    QString flags;
    for (const char* name : {"btnDownloadTemplate", "btnBrowse", "btnStartImport"})
        flags += child<QPushButton>(dialog, name)->isEnabled() ? QLatin1Char('1') : QLatin1Char('0');
    return flags;
}

// The texts of every question asked since the last reset.
QStringList questions() {
    QStringList texts;
    for (const Prompts::Record& r : Prompts::history()) {
        if (r.kind == Prompts::Kind::Question)
            texts << r.title + QLatin1Char('|') + r.text;
    }
    return texts;
}

// Chooses the file and runs the import, answering the question (if any) with `yes`.
QStringList runImport(QWidget* dialog, const QString& path, bool yes = true) {
    Prompts::reset();
    Prompts::queueFileName(path);
    Prompts::queueQuestion(yes);
    click(dialog, "btnBrowse");
    click(dialog, "btnStartImport");
    return resultLines(dialog);
}

QStringList lastLines(const QStringList& lines, int n) {
    return lines.mid(qMax(0, lines.size() - n));
}

// The cells of a template written by the dialog: titles, then samples, '|' between cells.
QString templateRow(const QString& path, int row) {
    WorkbookReader reader;
    if (!reader.open(path))
        return reader.errorText();
    QStringList cells;
    for (int c = 1; c <= reader.lastColumn(); ++c) {
        const CellValue cell = reader.cell(row, c);
        cells << (cell.kind == CellValue::Kind::Text ? cell.text : QStringLiteral("(not text)"));
    }
    return cells.join(QLatin1Char('|'));
}

// Hand-written cells of one sheet row, as a formula-writing script saves them. Each cell is its XML with
// %1 for its reference; a plain value becomes an inline string. Style 1 is the time format h:mm, style 2
// the built-in date format 14.
QByteArray handRow(int row, const QStringList& cells) {
    QByteArray xml = "<row r=\"" + QByteArray::number(row) + "\">";
    for (int c = 0; c < cells.size(); ++c) {
        const QString ref = columnLetter(c) + QString::number(row);
        const QString& cell = cells.at(c);
        if (cell.startsWith(QLatin1String("<c ")))
            xml += cell.arg(ref).toUtf8();
        else if (!cell.isEmpty())
            xml += QStringLiteral("<c r=\"%1\" t=\"inlineStr\"><is><t>%2</t></is></c>")
                       .arg(ref, cell.toHtmlEscaped())
                       .toUtf8();
    }
    return xml + "</row>";
}

bool writeHandWorkbook(const QString& path, const QStringList& titles, const QStringList& cells) {
    const QByteArray styles =
        "<numFmts count=\"1\"><numFmt numFmtId=\"164\" formatCode=\"h:mm\"/></numFmts>"
        "<cellXfs count=\"3\"><xf numFmtId=\"0\"/><xf numFmtId=\"164\" "
        "applyNumberFormat=\"1\"/><xf numFmtId=\"14\" applyNumberFormat=\"1\"/></cellXfs>";
    return writeZip(path, handWorkbook({{"worksheets/s.xml", handRow(1, titles) + handRow(2, cells)}},
                                       QByteArray(), styles));
}

QStringList texts(const QVariantList& values) {
    QStringList list;
    for (const QVariant& v : values)
        list << v.toString();
    return list;
}

std::unique_ptr<QDialog> makeDialog(const QString& kind) {
    if (kind == QLatin1String("product"))
        return std::make_unique<ProductImportDialog>();
    return std::make_unique<SupplierImportDialog>();
}

} // namespace

class TestImport : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    std::unique_ptr<TestDatabase> m_db;

    QString file(const QString& name) const { return m_dir.filePath(name); }

    QString productFile(const QString& name, const QList<QVariantList>& rows) {
        const QString path = file(name);
        QList<QVariantList> all{kProductTitles};
        all += rows;
        return writeWorkbook(path, all) ? path : QString();
    }

    QString supplierFile(const QString& name, const QList<QVariantList>& rows) {
        const QString path = file(name);
        QList<QVariantList> all{kSupplierTitles};
        all += rows;
        return writeWorkbook(path, all) ? path : QString();
    }

    QString product(const QString& name) {
        QSqlQuery q = m_db->db()->query(
            "SELECT IFNULL(barcode, 'NULL'), is_prescription, purchase_price, sale_price, specification "
            "FROM product WHERE name = ?",
            {name});
        if (!q.next())
            return QStringLiteral("missing");
        QStringList values;
        for (int i = 0; i < 5; ++i)
            values << q.value(i).toString();
        return values.join(QLatin1Char('|'));
    }

    // Stock drugs: 1 阿莫西林胶囊 with barcode, 2 a deleted drug holding a barcode, 3 板蓝根颗粒 without
    // barcode.
    void seedDrugs() {
        m_db->exec("INSERT INTO product (id, barcode, name, specification, manufacturer, status) VALUES "
                   "(1, '6901234567890', '阿莫西林胶囊', '0.25g*24粒', '示例制药有限公司', 1), "
                   "(2, '6909999999999', '停售药', '1g', '示例药业', 0), "
                   "(3, NULL, '板蓝根颗粒', '10g*20袋', '示例药业', 1)");
    }

    // The mixed workbook of the check tests: 13 rows read, 3 to insert, 4 duplicates, 6 invalid.
    QString mixedProducts() {
        return productFile("mixed.xlsx", {drug(6920000000017.0, "复方甘草片", "100片/瓶", "Y", 3.2, 6.5),
                                          drug(6901234567890.0, "阿莫西林胶囊新"),
                                          drug(gap, "板蓝根颗粒", "10g*20袋"),
                                          drug(6920000000017.0, "复方甘草片(大)"),
                                          drug("6909999999999", "新药"),
                                          {gap, gap, gap, gap, gap, gap, "OTC甲类"},
                                          drug("6901234567890", "<b>x</b>"),
                                          drug("6920000000024", "氯雷他定片", "10mg*6片", "否", "abc"),
                                          drug("6920000000031", "蒙脱石散", "3g*10袋", "是的"),
                                          drug("6920000000048", "感冒灵颗粒", "10g*9袋", "否", 7.5, -1.0),
                                          drug("6920000000055", "藿香正气水", "10ml*10支", "否", -2.0),
                                          {},
                                          drug(gap, "维生素C片", "0.1g*100片", true, "2.50", 4.8),
                                          drug(gap, "葡萄糖酸钙口服液", "10ml*12支", gap, gap, gap)});
    }

    const QStringList kMixedChecks{
        "共读取 13 条数据，开始校验重复...",
        "",
        "  ⚠ 第 6 行数据无效：条码已被已删除的商品使用",
        "  ⚠ 第 7 行数据无效：药品名称不能为空",
        "  ⚠ 第 9 行数据无效：采购价格式错误：abc",
        "  ⚠ 第 10 行数据无效：是否处方药无法识别：是的",
        "  ⚠ 第 11 行数据无效：销售价不能为负数",
        "  ⚠ 第 12 行数据无效：采购价不能为负数",
        "校验完成：有效 3 条，重复 4 条，格式错误 6 条",
        "",
        "",
        "--- 重复数据（将被跳过）---",
        "  第 3 行「阿莫西林胶囊新」(条码:6901234567890) ↔ 已存在(ID:1 阿莫西林胶囊)",
        "  第 4 行「板蓝根颗粒」 ↔ 已存在(ID:3 板蓝根颗粒)",
        "  第 5 行「复方甘草片(大)」(条码:6920000000017) ↔ 与第 2 行条码相同",
        "  第 8 行「<b>x</b>」(条码:6901234567890) ↔ 已存在(ID:1 阿莫西林胶囊)",
        ""};

private slots:
    void initTestCase() {
        QVERIFY(m_dir.isValid());
        Prompts::setTestMode(true);
    }

    void init() {
        m_db = std::make_unique<TestDatabase>();
        QVERIFY(m_db->isOpen());
        Prompts::reset();
        // Refusals read alike with a CJK font and without one.
        setDrawnCheckForTesting([](uint) { return true; });
    }

    void cleanup() {
        m_db.reset();
        setDrawnCheckForTesting(nullptr);
    }

    // --- product import: reading and checking ---

    void productReadFailures_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QStringList>("lines");
        QTest::newRow("title row only")
            << "header"
            << QStringList{"✖ 读取文件失败：", "  文件中没有数据行（第1行为标题行，至少需要1行数据）。"};
        QTest::newRow("text file named .xlsx")
            << "text"
            << QStringList{"✖ 读取文件失败：", "  无法打开文件，文件可能已损坏或格式不受支持。",
                           "  " + WorkbookReader::kNotWorkbook};
        QTest::newRow("only cells right of L")
            << "beyond" << QStringList{"✖ 文件中没有有效数据（从第2行开始读取）。"};
        QTest::newRow("checksum mismatch")
            << "damaged" << QStringList{"✖ 读取文件失败：", "  无法打开文件，文件可能已损坏或格式不受支持。"};
        QTest::newRow("password-protected")
            << "encrypted"
            << QStringList{"✖ 读取文件失败：", "  无法打开文件，文件可能已损坏或格式不受支持。",
                           "  " + WorkbookReader::kPasswordProtected};
    }
    void productReadFailures() {
        QFETCH(QString, kind);
        QString path;
        if (kind == "header") {
            path = productFile("header.xlsx", {});
        } else if (kind == "damaged") {
            path = QStringLiteral(KV_TEST_DATA "/corpus/refuse-checksum-deflated.xlsx");
        } else if (kind == "encrypted") {
            path = QStringLiteral(KV_TEST_DATA "/corpus/refuse-encrypted.xls");
        } else if (kind == "beyond") {
            path = productFile("beyond.xlsx",
                               {{gap, gap, gap, gap, gap, gap, gap, gap, gap, gap, gap, gap, "备注"}});
        } else {
            path = file("text.xlsx");
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("药品条码,药品名称\n");
        }
        ProductImportDialog dialog;
        QTEST(runImport(&dialog, path), "lines");
        QCOMPARE(colourOf(&dialog, resultLines(&dialog).first()), QStringLiteral("#cc0000"));
        QCOMPARE(stepButtons(&dialog), QStringLiteral("111"));
        QCOMPARE(questions(), QStringList());
    }

    // Row 1 holding anything but the template's titles refuses the file before any row: values would land
    // in the wrong fields. Titles are compared without blanks and case, the required mark optional; a title
    // cell may be empty but in the required column.
    void movedColumns_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QStringList>("titles");
        QTest::addColumn<QString>("lead"); // of the line under the failure line
        QStringList titles = texts(kProductTitles);
        titles.swapItemsAt(0, 1);
        titles[0] = QStringLiteral(" 药品名称 ");
        QTest::newRow("name before barcode")
            << "product" << titles << "第 A 列的标题「药品名称(*)」应在第 B 列";
        titles = texts(kProductTitles);
        titles.swapItemsAt(10, 11);
        QTest::newRow("sale price before purchase price")
            << "product" << titles << "第 K 列的标题「销售价」应在第 L 列";
        titles = QStringList{"序号"} + texts(kProductTitles);
        QTest::newRow("leading serial number column")
            << "product" << titles << "第 B 列的标题「药品条码」应在第 A 列";
        titles = texts(kSupplierTitles);
        titles.swapItemsAt(7, 8);
        QTest::newRow("supplier expiry dates swapped")
            << "supplier" << titles << "第 H 列的标题「营业执照到期」应在第 I 列";
        titles = texts(kProductTitles);
        titles[0] = QStringLiteral("名称");
        titles[1] = QStringLiteral("条码");
        QTest::newRow("short forms 名称, 条码")
            << "product" << titles << "第 A 列的标题是「名称」，模板在此列的标题是「药品条码」";
        // The template's titles as typed pass up to the column at fault.
        titles = QStringList{"药品 条码", "药品名称（*）", "助记码\n",   "规格*", "",     "生产厂商　",
                             "分类",      "储存条件",      "是否处方药", "单位",  "售价", "进价"};
        QTest::newRow("short forms 售价, 进价")
            << "product" << titles << "第 K 列的标题是「售价」，模板在此列的标题是「采购价」";
        // What an input method types in full-width mode, characters that show as nothing, and blanks inside
        // titles pass too.
        titles = texts(kProductTitles);
        titles[1] = QStringLiteral("药品名称（＊）");
        titles[3] = QStringLiteral("规格＊");
        titles[10] = QStringLiteral("售价");
        QTest::newRow("full-width forms, then 售价")
            << "product" << titles << "第 K 列的标题是「售价」，模板在此列的标题是「采购价」";
        titles = texts(kProductTitles);
        titles[0] = QStringLiteral("药品\u200B条码");
        titles[1] = QStringLiteral("\uFEFF药品名称(*)");
        titles[2] = QStringLiteral("助记\u00AD码");
        titles[3] = QStringLiteral("规\u200D格\u2060");
        titles[10] = QStringLiteral("售价");
        QTest::newRow("zero-width characters, then 售价")
            << "product" << titles << "第 K 列的标题是「售价」，模板在此列的标题是「采购价」";
        // By code point: a tag character (U+E0020, two UTF-16 units) is a format character too.
        titles = texts(kProductTitles);
        titles[0] = QStringLiteral("药品条码\U000E0020");
        titles[10] = QStringLiteral("售价");
        QTest::newRow("tag character, then 售价")
            << "product" << titles << "第 K 列的标题是「售价」，模板在此列的标题是「采购价」";
        // A character that does not show what it is is named where the title parts from the template's,
        // counting the characters as the quote shows them: invisible ones and blanks take no place, a
        // character beyond the first plane is named too.
        titles = texts(kProductTitles);
        titles[0] = QStringLiteral("\U000E0020药品\u034F条码");
        QTest::newRow("invisible character")
            << "product" << titles
            << "第 A 列的标题是「\U000E0020药品\u034F条码」（第 2 个字符后有 "
               "U+034F），模板在此列的标题是「药品条码」";
        titles[0] = QStringLiteral("药品\u200B条码\u034F");
        QTest::newRow("invisible character last") << "product" << titles
                                                  << "第 A 列的标题是「药品\u200B条码\u034F」（第 4 "
                                                     "个字符后有 U+034F），模板在此列的标题是「药品条码」";
        titles[0] = QStringLiteral("药品 \U00020000码");
        QTest::newRow("ideograph beyond the first plane")
            << "product" << titles
            << "第 A 列的标题是「药品 \U00020000码」（第 3 个字符为 "
               "U+20000），模板在此列的标题是「药品条码」";
        titles = texts(kProductTitles);
        titles[1] = QStringLiteral("药品名称(✱)");
        QTest::newRow("another mark")
            << "product" << titles
            << "第 B 列的标题是「药品名称(✱)」（第 6 个字符为 U+2731），模板在此列的标题是「药品名称(*)」";
        titles = texts(kProductTitles);
        titles[0] = QStringLiteral("药品\t条码");
        titles[1] = QStringLiteral("药品\u3000名称 (*)");
        titles[2] = QStringLiteral("助记\n码");
        titles[5] = QStringLiteral("生产\r\n厂商");
        titles[10] = QStringLiteral("售价");
        QTest::newRow("blanks inside titles, then 售价")
            << "product" << titles << "第 K 列的标题是「售价」，模板在此列的标题是「采购价」";
        titles = QStringList{"Barcode", "Name"};
        QTest::newRow("English titles")
            << "product" << titles << "第 A 列的标题是「Barcode」，模板在此列的标题是「药品条码」";
        titles = texts(kProductTitles);
        titles[1] = QString();
        QTest::newRow("required title empty")
            << "product" << titles << "第 B 列没有标题，模板在此列的标题是「药品名称(*)」";
        titles[1] = QStringLiteral("\u200B");
        QTest::newRow("required title a zero-width space")
            << "product" << titles << "第 B 列没有标题，模板在此列的标题是「药品名称(*)」";
        titles[1] = QStringLiteral("（＊）");
        QTest::newRow("required title only its mark")
            << "product" << titles
            << "第 B 列的标题「（＊）」只有必填标记，缺少名称，模板在此列的标题是「药品名称(*)」";
        titles = texts(drug("6920000000024", "氯雷他定片"));
        QTest::newRow("drugs from row 1 on")
            << "product" << titles << "第 A 列的标题是「6920000000024」，模板在此列的标题是「药品条码」";
        titles = texts(kSupplierTitles);
        titles[0] = QStringLiteral(" 供应商名称 (*)");
        titles[9] = QStringLiteral("gsp证书号");
        titles[12] = QStringLiteral("税务有效期");
        QTest::newRow("supplier short form last")
            << "supplier" << titles << "第 M 列的标题是「税务有效期」，模板在此列的标题是「税务登记有效期」";
        titles = texts(kSupplierTitles);
        titles[9] = QStringLiteral("ＧＳＰ证书号");
        titles[10] = QStringLiteral("ｇｓｐ有效期");
        titles[12] = QStringLiteral("税务有效期");
        QTest::newRow("supplier full-width letters, then a short form")
            << "supplier" << titles << "第 M 列的标题是「税务有效期」，模板在此列的标题是「税务登记有效期」";
        titles = texts(firm("百济药业"));
        QTest::newRow("suppliers from row 1 on")
            << "supplier" << titles << "第 A 列的标题是「百济药业」，模板在此列的标题是「供应商名称(*)」";
    }
    void movedColumns() {
        QFETCH(QString, kind);
        QFETCH(QStringList, titles);
        QFETCH(QString, lead);
        refusesTitles(kind, titles, lead);
    }

    // An ideograph no font on this computer draws shows as an empty box: its code says which it is. One
    // that shows stays unnamed, as a letter does. The quote holds the character named, and stops right after
    // the first difference where an empty box would follow it unnamed.
    void undrawnIdeograph_data() {
        QTest::addColumn<QString>("undrawn"); // the characters no font draws; "real": this computer's fonts
        QTest::addColumn<int>("column");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("lead");
        const QString barcode = "，模板在此列的标题是「药品条码」";
        QTest::newRow("U+3400 drawn") << "" << 0 << "药品\u3400码"
                                      << "第 A 列的标题是「药品\u3400码」" + barcode;
        QTest::newRow("U+3400 a box") << "\u3400" << 0 << "药品\u3400码"
                                      << "第 A 列的标题是「药品\u3400码」（第 3 个字符为 U+3400）" + barcode;
        // Neither DejaVu nor WenQuanYi Micro Hei has it: a box with a CJK font and without one.
        QTest::newRow("U+9FEB, this computer's fonts")
            << "real" << 0 << "药品条\u9FEB"
            << "第 A 列的标题是「药品条\u9FEB」（第 4 个字符为 U+9FEB）" + barcode;
        QTest::newRow("a box after 甲") << "\u9FEB" << 1 << "药品甲称\u9FEB(*)"
                                        << "第 B 列的标题是「药品甲…」，模板在此列的标题是「药品名称(*)」";
        QTest::newRow("a box after a letter") << "\u3400" << 0 << "药品条码X\u3400"
                                              << "第 A 列的标题是「药品条码X…」" + barcode;
        QTest::newRow("two boxes") << "\u9FEB\u3400" << 0 << "药品\u9FEB\u3400码"
                                   << "第 A 列的标题是「药品\u9FEB…」（第 3 个字符为 U+9FEB）" + barcode;
        QTest::newRow("a keycap after a digit") << "\u20E3" << 0 << "药品条码1\uFE0F\u20E3"
                                                << "第 A 列的标题是「药品条码1…」" + barcode;
        // Invisible characters count towards the quote's length, and the character named stays in it.
        const QString spaces(45, QChar(0x200B));
        QTest::newRow("named past the quote's length")
            << "\u9FEB" << 0 << spaces + "药品条码\u9FEB"
            << "第 A 列的标题是「…" + spaces.left(35) + "药品条码\u9FEB」（第 5 个字符为 U+9FEB）" + barcode;
        // A character that counts as the template's (a Kangxi radical, a small form) is named when it shows
        // as an empty box, with what it counts as, as long as the quote holds it.
        const QString producer = "，模板在此列的标题是「生产厂商」";
        QTest::newRow("a Kangxi radical drawn") << "" << 5 << "生产\u2F1A商甲"
                                                << "第 F 列的标题是「生产\u2F1A商甲」" + producer;
        QTest::newRow("a Kangxi radical a box")
            << "\u2F1A" << 5 << "生产\u2F1A商甲"
            << "第 F 列的标题是「生产\u2F1A商甲」（第 3 个字符 U+2F1A 视同「厂」）" + producer;
        QTest::newRow("a Kangxi radical a box, then a mark")
            << "\u2F1A" << 5 << "生产\u2F1A商✱"
            << "第 F 列的标题是「生产\u2F1A商✱」（第 3 个字符 U+2F1A 视同「厂」；第 5 个字符为 U+2731）" +
                   producer;
        QTest::newRow("a Kangxi radical a box, not quoted")
            << "\u2F1A" << 5 << "生产\u2F1A" + spaces + "商甲"
            << "第 F 列的标题是「…" + spaces.left(38) + "商甲」" + producer;
        QTest::newRow("a small asterisk a box, the mark alone")
            << "\uFE61" << 1 << "（\uFE61）"
            << "第 B 列的标题「（\uFE61）」（第 2 个字符 U+FE61 "
               "视同「*」）只有必填标记，缺少名称，模板在此列的标题是"
               "「药品名称(*)」";
    }
    void undrawnIdeograph() {
        QFETCH(QString, undrawn);
        QFETCH(int, column);
        QFETCH(QString, title);
        QFETCH(QString, lead);
        if (undrawn == "real") {
            setDrawnCheckForTesting(nullptr);
            if (QFontMetrics(QGuiApplication::font()).inFontUcs4(title.toUcs4().last()))
                QSKIP("a font on this computer draws the character");
        } else
            setDrawnCheckForTesting([undrawn](uint c) { return !undrawn.toUcs4().contains(c); });
        QStringList titles = texts(kProductTitles);
        titles[column] = title;
        refusesTitles("product", titles, lead);
    }

private:
    void refusesTitles(const QString& kind, const QStringList& titles, const QString& lead) {
        const bool products = kind == "product";
        const QString path = file("moved.xlsx");
        QStringList cells =
            texts(products ? drug("6920000000017", "复方甘草片") : firm("华润医药商业有限公司"));
        if (titles.size() > cells.size())
            cells.prepend(QStringLiteral("1"));
        QVERIFY(writeHandWorkbook(path, titles, cells));
        const auto dialog = makeDialog(kind);
        const QStringList lines = runImport(dialog.get(), path);
        QCOMPARE(lines.size(), 2);
        QCOMPARE(lines.at(0), (products ? "✖ " : "") + QStringLiteral("读取文件失败："));
        QVERIFY2(lines.at(1).startsWith("  " + lead + "："), qPrintable(lines.at(1)));
        if (lead.contains(QStringLiteral("模板在此列")))
            QVERIFY2(lines.at(1).contains(QStringLiteral("第 1 行须为模板的标题")) &&
                         lines.at(1).contains(QStringLiteral("数据从第 2 行开始")),
                     qPrintable(lines.at(1)));
        QCOMPARE(questions(), QStringList());
        QCOMPARE(m_db->count(products ? "product" : "supplier"), 0);
    }

private slots:
    // A million data rows, none valid: the first ten thousand are listed, one line counts the rest, the
    // summary follows, and the run stays within bounded time and memory.
    void millionInvalidRows() {
        ProductImportDialog dialog;
        // Shown, so the text area lays out what it holds.
        dialog.show();
        Prompts::queueFileName(QStringLiteral(KV_TEST_DATA "/corpus/read-million-rows.xlsx"));
        click(&dialog, "btnBrowse");
        QElapsedTimer run;
        run.start();
        click(&dialog, "btnStartImport");
        QVERIFY2(run.elapsed() < 10000, qPrintable(QStringLiteral("%1 ms").arg(run.elapsed())));
        if (kPeakMemoryMeasured)
            QVERIFY2(peakMegabytes() < 500, qPrintable(QStringLiteral("%1 MB").arg(peakMegabytes())));
        const QStringList lines = resultLines(&dialog);
        QCOMPARE(lines.size(), 10007);
        QCOMPARE(lines.at(2), QStringLiteral("  ⚠ 第 2 行数据无效：药品名称不能为空"));
        QCOMPARE(lines.at(10001), QStringLiteral("  ⚠ 第 10001 行数据无效：药品名称不能为空"));
        QCOMPARE(lines.at(10002), QStringLiteral("  ⚠ …另有 989999 行未列出"));
        QCOMPARE(lines.at(10003), QStringLiteral("校验完成：有效 0 条，重复 0 条，格式错误 999999 条"));
        QCOMPARE(lines.last(), QStringLiteral("✖ 没有有效数据可导入。"));
    }

    void productChecksThenNo() {
        seedDrugs();
        ProductImportDialog dialog;
        QStringList expected = kMixedChecks;
        expected << "" << QString("✖ 导入操作已取消。");
        QCOMPARE(runImport(&dialog, mixedProducts(), false), expected);
        QCOMPARE(questions(),
                 QStringList{"确认导入|确认将 3 条商品数据导入系统？\n\n（重复的 4 条数据将被跳过）"});
        QCOMPARE(m_db->count("product"), 3);
        QCOMPARE(stepButtons(&dialog), QStringLiteral("111"));
    }

    void productLineColours_data() {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("colour");
        QTest::newRow("progress") << "共读取 13 条数据，开始校验重复..." << QString("#333333");
        QTest::newRow("invalid row") << "  ⚠ 第 7 行数据无效：药品名称不能为空" << QString("#cc6600");
        QTest::newRow("summary") << "校验完成：有效 3 条，重复 4 条，格式错误 6 条" << QString("#333333");
        QTest::newRow("duplicate header") << "--- 重复数据（将被跳过）---" << QString("#cc6600");
        QTest::newRow("duplicate") << "  第 4 行「板蓝根颗粒」 ↔ 已存在(ID:3 板蓝根颗粒)"
                                   << QString("#cc6600");
        QTest::newRow("cancelled") << "✖ 导入操作已取消。" << QString("#cc6600");
    }
    void productLineColours() {
        seedDrugs();
        ProductImportDialog dialog;
        runImport(&dialog, mixedProducts(), false);
        QFETCH(QString, line);
        QTEST(colourOf(&dialog, line), "colour");
    }

    void productImportStoresRows() {
        seedDrugs();
        ProductImportDialog dialog;
        QStringList expected = kMixedChecks;
        expected << ""
                 << "--- 开始批量导入 3 条商品 ---"
                 << "" << QString("✔ 导入完成！成功导入 3 条商品。");
        QCOMPARE(runImport(&dialog, mixedProducts()), expected);
        QCOMPARE(colourOf(&dialog, expected.last()), QStringLiteral("#006600"));
        QCOMPARE(m_db->count("product"), 6);
        // The barcode typed as a number is stored as its digits; no barcode is NULL, twice.
        QCOMPARE(product("复方甘草片"), QStringLiteral("6920000000017|1|3.2|6.5|100片/瓶"));
        QCOMPARE(product("维生素C片"), QStringLiteral("NULL|1|2.5|4.8|0.1g*100片"));
        QCOMPARE(product("葡萄糖酸钙口服液"), QStringLiteral("NULL|0|0|0|10ml*12支"));
        QCOMPARE(stepButtons(&dialog), QStringLiteral("111"));
    }

    // The keys read once answer as findDuplicate does, row by row; where several drugs match, the lowest id.
    void storedKeysAnswerAsLookUps_data() {
        QTest::addColumn<QStringList>("drug"); // barcode, name, specification, manufacturer
        QTest::addColumn<int>("id");
        QTest::newRow("listed barcode") << QStringList{"6901234567890", "别的名字", "", ""} << 1;
        QTest::newRow("deleted drug's barcode")
            << QStringList{"6909999999999", "停售药", "1g", "示例药业"} << -1;
        QTest::newRow("unknown barcode, listed name") << QStringList{"123", "板蓝根颗粒", "", ""} << 3;
        QTest::newRow("name only, two listed") << QStringList{"", "维C片", "", ""} << 4;
        QTest::newRow("name and specification") << QStringList{"", "维C片", "0.2g", ""} << 5;
        QTest::newRow("name and manufacturer") << QStringList{"", "维C片", "", "乙厂"} << 5;
        QTest::newRow("all three") << QStringList{"", "维C片", "0.1g", "甲厂"} << 4;
        QTest::newRow("all three, no such drug") << QStringList{"", "维C片", "0.1g", "乙厂"} << -1;
        QTest::newRow("other case") << QStringList{"", "维c片", "", ""} << -1;
        QTest::newRow("no name") << QStringList{"", "", "0.1g", "甲厂"} << -1;
    }
    void storedKeysAnswerAsLookUps() {
        QFETCH(QStringList, drug);
        seedDrugs();
        m_db->exec("INSERT INTO product (id, name, specification, manufacturer, status) VALUES "
                   "(5, '维C片', '0.2g', '乙厂', 1), (4, '维C片', '0.1g', '甲厂', 1), (6, '维C片', '0.3g', "
                   "'乙厂', 0)");
        repositories::ProductRepository repo(m_db->db());
        models::Product p;
        p.barcode = drug.at(0);
        p.name = drug.at(1);
        p.specification = drug.at(2);
        p.manufacturer = drug.at(3);
        QTEST(repo.listedKeys().find(p), "id");
        QTEST(repo.findDuplicate(p), "id");
    }

    void productSecondRunFindsDuplicates() {
        const QString path = productFile("twice.xlsx", {drug("6920000000017", "复方甘草片")});
        ProductImportDialog dialog;
        runImport(&dialog, path);
        QCOMPARE(lastLines(runImport(&dialog, path), 5),
                 (QStringList{"--- 重复数据（将被跳过）---",
                              "  第 2 行「复方甘草片」(条码:6920000000017) ↔ 已存在(ID:1 复方甘草片)", "", "",
                              "✖ 没有有效数据可导入。"}));
        QCOMPARE(questions(), QStringList());
        QCOMPARE(m_db->count("product"), 1);
    }

    void productPrescriptionFlags_data() {
        QTest::addColumn<QVariant>("flag");
        QTest::addColumn<QString>("stored");
        QTest::newRow("是") << QVariant("是") << "1";
        QTest::newRow("否") << QVariant("否") << "0";
        QTest::newRow("TRUE") << QVariant("TRUE") << "1";
        QTest::newRow("y") << QVariant("y") << "1";
        QTest::newRow("N") << QVariant("N") << "0";
        QTest::newRow("number 1") << QVariant(1.0) << "1";
        QTest::newRow("number 0") << QVariant(0.0) << "0";
        QTest::newRow("boolean false") << QVariant(false) << "0";
        QTest::newRow("blank") << QVariant() << "0";
        QTest::newRow("是的") << QVariant("是的") << "refused";
        QTest::newRow("2") << QVariant(2.0) << "refused";
    }
    void productPrescriptionFlags() {
        QFETCH(QVariant, flag);
        ProductImportDialog dialog;
        runImport(&dialog, productFile("flag.xlsx", {drug(gap, "布洛芬缓释胶囊", "0.3g*20粒", flag)}));
        const QString stored = m_db->scalar("SELECT is_prescription FROM product").toString();
        QTEST(stored.isEmpty() ? QStringLiteral("refused") : stored, "stored");
    }

    void productErrorCellIsInvalid() {
        const QString path = file("error.xlsx");
        QVERIFY(writeZip(
            path, handWorkbook({{"worksheets/s.xml",
                                 "<row r=\"1\"><c r=\"A1\" t=\"inlineStr\"><is><t>药品条码</t></is></c>"
                                 "<c r=\"B1\" t=\"inlineStr\"><is><t>药品名称</t></is></c>"
                                 "<c r=\"L1\" t=\"inlineStr\"><is><t>销售价</t></is></c></row>"
                                 "<row r=\"2\"><c r=\"B2\" t=\"inlineStr\"><is><t>测试药</t></is></c>"
                                 "<c r=\"K2\" t=\"e\"><v>#N/A</v></c><c r=\"L2\"><v>3</v></c></row>"}})));
        ProductImportDialog dialog;
        QCOMPARE(runImport(&dialog, path).mid(2, 2),
                 (QStringList{"  ⚠ 第 2 行数据无效：第 K 列为错误值：#N/A",
                              "校验完成：有效 0 条，重复 0 条，格式错误 1 条"}));
    }

    // Nothing in column A: the used range starts at B, and the sale price in L is still read.
    void productUsedRangeRightOfA() {
        QList<QVariantList> rows{kProductTitles};
        rows[0][0] = gap;
        rows << drug(gap, "感冒灵颗粒", "10g*9袋", "否", 7.5, 12.0);
        QVERIFY(writeWorkbook(file("noa.xlsx"), rows));
        ProductImportDialog dialog;
        runImport(&dialog, file("noa.xlsx"));
        QCOMPARE(product("感冒灵颗粒"), QStringLiteral("NULL|0|7.5|12|10g*9袋"));
    }

    void productLegacyWorkbook() {
        ProductImportDialog dialog;
        QCOMPARE(runImport(&dialog, QStringLiteral(KV_TEST_DATA "/products.xls")).last(),
                 QStringLiteral("✔ 导入完成！成功导入 2 条商品。"));
        QCOMPARE(product("复方甘草片"), QStringLiteral("6920000000017|0|3.2|6.5|100片/瓶"));
        QCOMPARE(product("维生素C片"), QStringLiteral("NULL|0|2|4.8|0.1g*100片"));
    }

    // A ticked box that an office suite saved as =TRUE() must not import a prescription drug as 否.
    void productLegacyBooleanFormula() {
        ProductImportDialog dialog;
        runImport(&dialog, QStringLiteral(KV_TEST_DATA "/corpus/read-boolean-formula.xls"));
        QCOMPARE(product("头孢克肟胶囊"), QStringLiteral("6920000000024|1|8|25|0.1g*6粒"));
    }

    void productLegacyErrorCellIsInvalid() {
        ProductImportDialog dialog;
        QCOMPARE(runImport(&dialog, QStringLiteral(KV_TEST_DATA "/corpus/read-error-cell.xls")).mid(2, 2),
                 (QStringList{"  ⚠ 第 2 行数据无效：第 K 列为错误值：#DIV/0!",
                              "校验完成：有效 0 条，重复 0 条，格式错误 1 条"}));
    }

    // Writers that cannot calculate: xlwt saves an empty text as every formula's result, xlsxwriter saves 0
    // and marks the workbook to be calculated on load. A formula price is never stored as 0.
    void productFormulasOfWriters_data() {
        QTest::addColumn<QString>("kind");
        QTest::newRow("xlwt .xls") << "xls";
        QTest::newRow("xlsxwriter .xlsx") << "xlsx";
    }
    void productFormulasOfWriters() {
        QFETCH(QString, kind);
        const QString path =
            kind == "xls"
                ? QStringLiteral(KV_TEST_DATA "/formulas.xls")
                : productFile("formulas.xlsx", {drug(gap, "复方甘草片", "瓶", "否", 3.2, formula("=K2*1.5")),
                                                drug(gap, "维生素C片", "瓶", "否", formula("=2+3"), 4.8),
                                                drug(gap, "蒙脱石散", "3g*10袋", "否", 2.0, 5.0)});
        ProductImportDialog dialog;
        const QStringList lines = runImport(&dialog, path);
        QCOMPARE(lines.mid(2, 3), (QStringList{"  ⚠ 第 2 行数据无效：第 L 列为公式，没有计算结果",
                                               "  ⚠ 第 3 行数据无效：第 K 列为公式，没有计算结果",
                                               "校验完成：有效 1 条，重复 0 条，格式错误 2 条"}));
        // In the .xls the mnemonic code is a formula with an empty result too: an optional text, kept empty.
        QCOMPARE(product("蒙脱石散"), QStringLiteral("NULL|0|2|5|3g*10袋"));
    }

    // Ten thousand invalid rows whose cells hold 32,767 characters: each line quotes a short prefix.
    void longCellsQuotedShort() {
        QList<QVariantList> rows;
        for (int i = 0; i < 10000; ++i)
            rows << drug(gap, "复方甘草片", "100片/瓶", QString(SheetData::kMaxCellText, QLatin1Char('x')));
        const QString path = productFile("longcells.xlsx", rows);
        ProductImportDialog dialog;
        dialog.show();
        const QStringList lines = runImport(&dialog, path, false);
        QCOMPARE(lines.value(2), "  ⚠ 第 2 行数据无效：是否处方药无法识别：" + QString(40, 'x') + "…");
        QCOMPARE(lines.value(10002), QStringLiteral("校验完成：有效 0 条，重复 0 条，格式错误 10000 条"));
    }

    // --- product import: all or nothing ---

    void productFailedInsertRollsBack() {
        m_db->exec("CREATE TRIGGER refuse_one BEFORE INSERT ON product WHEN NEW.name = '维生素C片' "
                   "BEGIN SELECT RAISE(ABORT, 'refused by test'); END");
        ProductImportDialog dialog;
        const QStringList lines =
            runImport(&dialog, productFile("fail.xlsx", {drug(gap, "复方甘草片"), drug(gap, "维生素C片"),
                                                         drug(gap, "蒙脱石散")}));
        QCOMPARE(lastLines(lines, 6),
                 (QStringList{"--- 开始批量导入 3 条商品 ---", "  ⚠ 第 3 行「维生素C片」导入失败", "",
                              "✖ 导入过程中出现错误，所有操作已回滚，未保存任何数据。",
                              "  失败原因：1 条数据写入数据库失败。", "  请检查数据格式后重试。"}));
        QCOMPARE(m_db->count("product"), 0);
        QCOMPARE(stepButtons(&dialog), QStringLiteral("111"));
    }

    void productFailedCommitRollsBack() {
        // A deferred foreign key that the commit checks and refuses.
        m_db->exec("PRAGMA foreign_keys = ON");
        m_db->exec("CREATE TABLE guard_parent (id INTEGER PRIMARY KEY)");
        m_db->exec("CREATE TABLE guard_child (parent INTEGER REFERENCES guard_parent(id) DEFERRABLE "
                   "INITIALLY DEFERRED)");
        m_db->exec("CREATE TRIGGER refuse_commit AFTER INSERT ON product BEGIN INSERT INTO guard_child "
                   "VALUES (7); END");
        ProductImportDialog dialog;
        const QStringList lines = runImport(&dialog, productFile("commit.xlsx", {drug(gap, "复方甘草片")}));
        QCOMPARE(lastLines(lines, 2), (QStringList{"", "✖ 提交失败，未保存任何数据。"}));
        QCOMPARE(m_db->count("product"), 0);
        QCOMPARE(m_db->count("guard_child"), 0);
    }

    // --- both dialogs: file choice and template ---

    void fileChoice_data() {
        QTest::addColumn<QString>("kind");
        QTest::newRow("product") << "product";
        QTest::newRow("supplier") << "supplier";
    }
    void fileChoice() {
        QFETCH(QString, kind);
        const auto dialog = makeDialog(kind);
        QCOMPARE(stepButtons(dialog.get()), QStringLiteral("110"));
        QMetaObject::invokeMethod(dialog.get(), "onStartImport");
        QCOMPARE(Prompts::lastTitle() + Prompts::lastText(),
                 QStringLiteral("提示请先选择要导入的 Excel 文件。"));
        click(dialog.get(), "btnBrowse"); // cancelled
        QCOMPARE(stepButtons(dialog.get()), QStringLiteral("110"));
        Prompts::queueFileName(file("选中.xlsx"));
        click(dialog.get(), "btnBrowse");
        QCOMPARE(child<QLineEdit>(dialog.get(), "editFilePath")->text(), file("选中.xlsx"));
        QCOMPARE(resultLines(dialog.get()),
                 (QStringList{"已选择文件：" + file("选中.xlsx"), "点击「开始导入」执行导入。"}));
        QCOMPARE(colourOf(dialog.get(), "点击「开始导入」执行导入。"), QStringLiteral("#666666"));
        click(dialog.get(), "btnBrowse"); // cancelled again: the choice stays
        QCOMPARE(child<QLineEdit>(dialog.get(), "editFilePath")->text(), file("选中.xlsx"));
        QCOMPARE(stepButtons(dialog.get()), QStringLiteral("111"));
    }

    void templates_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("subject");
        QTest::addColumn<QString>("titles");
        QTest::addColumn<QString>("samples");
        QTest::newRow("product")
            << "product"
            << "商品"
            << "药品条码|药品名称(*)|助记码|规格|批准文号|生产厂商|分类|储存条件|是否处方药|单位|采购价|"
               "销售价"
            << "6901234567890|阿莫西林胶囊|AMXLJN|0.25g*24粒|国药准字H20000001|示例制药有限公司|"
               "OTC甲类|常温|否|盒|5.00|12.00";
        QTest::newRow("supplier")
            << "supplier"
            << "供应商"
            << "供应商名称(*)|经营许可证号|营业执照号|经营范围|地址|联系人|联系电话|许可证到期|"
               "营业执照到期|GSP证书号|GSP有效期|税务登记证号|税务登记有效期"
            << "示例医药有限公司|鄂AA123456|91420100123456789X|中药、化学药|某市某区某某路8号|张三|"
               "13700005555|2026-12-31|2026-12-31|A-HB-2020-001|2026-12-31|420100000000000|2026-12-31";
    }
    void templates() {
        QFETCH(QString, kind);
        QFETCH(QString, subject);
        const auto dialog = makeDialog(kind);
        const QString path = file(kind + "模板.xlsx");
        Prompts::queueFileName(path);
        click(dialog.get(), "btnDownloadTemplate");
        QCOMPARE(Prompts::lastTitle(), QStringLiteral("成功"));
        QCOMPARE(Prompts::lastText(),
                 QStringLiteral("模板已保存到：\n%1\n\n请按照模板格式填写%2数据后，再导入系统。")
                     .arg(path, subject));
        QTEST(templateRow(path, 1), "titles");
        QTEST(templateRow(path, 2), "samples");
    }

    void templateNotWritten_data() { fileChoice_data(); }
    void templateNotWritten() {
        QFETCH(QString, kind);
        const auto dialog = makeDialog(kind);
        Prompts::queueFileName(file("无此目录/模板.xlsx"));
        click(dialog.get(), "btnDownloadTemplate");
        QCOMPARE(Prompts::lastTitle() + "|" + Prompts::lastText(),
                 QStringLiteral("错误|生成模板失败：无法写入文件（文件夹不存在）"));
        QCOMPARE(QFile::exists(file("无此目录/模板.xlsx")), false);
    }

    // The template's own sample row imports as the columns promise.
    void productTemplateImports() {
        ProductImportDialog dialog;
        Prompts::queueFileName(file("商品模板.xlsx"));
        click(&dialog, "btnDownloadTemplate");
        QCOMPARE(runImport(&dialog, file("商品模板.xlsx")).last(),
                 QStringLiteral("✔ 导入完成！成功导入 1 条商品。"));
        QCOMPARE(product("阿莫西林胶囊"), QStringLiteral("6901234567890|0|5|12|0.25g*24粒"));
    }

    // The list windows open the dialogs and show what is stored once they close.
    void listWindowsOpenTheDialogs() {
        ProductManagerWindow products;
        SupplierManagerWindow suppliers;
        m_db->exec("INSERT INTO product (name) VALUES ('复方甘草片')");
        m_db->exec("INSERT INTO supplier (name) VALUES ('华润医药商业有限公司')");
        ModalAnswer<ProductImportDialog> closeProducts([](ProductImportDialog* d) { d->reject(); });
        ModalAnswer<SupplierImportDialog> closeSuppliers([](SupplierImportDialog* d) { d->reject(); });
        click(&products, "btnImport");
        click(&suppliers, "btnImport");
        QCOMPARE(closeProducts.count(), 1);
        QCOMPARE(closeSuppliers.count(), 1);
        QCOMPARE(child<QLabel>(&products, "labelCount")->text(), QStringLiteral("共 1 条记录"));
        QCOMPARE(child<QLabel>(&suppliers, "labelCount")->text(), QStringLiteral("共 1 条记录"));
    }

    // Both import dialogs frame their steps alike: at the same size each step sits at the same place.
    void dialogsFramedAlike_data() {
        QTest::addColumn<QString>("name");
        QTest::newRow("step 1 text") << QStringLiteral("labelStep1");
        QTest::newRow("template button") << QStringLiteral("btnDownloadTemplate");
        QTest::newRow("step 2 text") << QStringLiteral("labelStep2");
        QTest::newRow("browse button") << QStringLiteral("btnBrowse");
    }
    void dialogsFramedAlike() {
        QFETCH(QString, name);
        ProductImportDialog products;
        SupplierImportDialog suppliers;
        const auto place = [&name](QDialog* dialog) {
            dialog->resize(900, 600);
            dialog->show();
            QCoreApplication::processEvents();
            const QWidget* widget = dialog->findChild<QWidget*>(name);
            return QRect(widget->mapTo(dialog, QPoint(0, 0)), widget->size());
        };
        const QRect product = place(&products);
        const QRect supplier = place(&suppliers);
        QCOMPARE(supplier.left(), product.left());
        QCOMPARE(supplier.right(), product.right());
    }

    // Enter after typing a path opens nothing: no step of the import is the dialog's default.
    void enterInTheFileFieldOpensNothing_data() {
        QTest::addColumn<bool>("suppliers");
        QTest::newRow("product import") << false;
        QTest::newRow("supplier import") << true;
    }
    void enterInTheFileFieldOpensNothing() {
        QFETCH(bool, suppliers);
        std::unique_ptr<QDialog> dialog;
        if (suppliers)
            dialog = std::make_unique<SupplierImportDialog>();
        else
            dialog = std::make_unique<ProductImportDialog>();
        dialog->show();
        QVERIFY(QTest::qWaitForWindowExposed(dialog.get()));
        auto* field = dialog->findChild<QLineEdit*>(QStringLiteral("editFilePath"));
        field->setFocus();
        Prompts::reset();
        QTest::keyClicks(field, QStringLiteral("/tmp/drugs.xlsx"));
        QTest::keyClick(field, Qt::Key_Return);
        QCOMPARE(Prompts::history().size(), 0);
        QVERIFY(dialog->isVisible());
    }

    // A cell no workbook can mean as the column's value: a formula saved without its result, a price that
    // is no finite number, a time of day in a date column. The row is listed invalid and nothing stored.
    void unreadableCells_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<int>("column"); // 0-based
        QTest::addColumn<QString>("cell");
        QTest::addColumn<QString>("line");
        QTest::addColumn<int>("stored");
        const QString invalid = QStringLiteral("  ⚠ 第 2 行数据无效：");
        QTest::newRow("flag =TRUE()") << "product" << 8 << "<c r=\"%1\" t=\"b\"><f>TRUE()</f></c>"
                                      << invalid + "第 I 列为公式，没有计算结果" << 0;
        QTest::newRow("flag =IF() as text")
            << "product" << 8 << "<c r=\"%1\" t=\"str\"><f>IF(G3=\"处方药\",\"是\",\"否\")</f></c>"
            << invalid + "第 I 列为公式，没有计算结果" << 0;
        QTest::newRow("sale price =K2*2") << "product" << 11 << "<c r=\"%1\"><f>K2*2</f></c>"
                                          << invalid + "第 L 列为公式，没有计算结果" << 0;
        QTest::newRow("cached price kept") << "product" << 11 << "<c r=\"%1\"><f>K2*2</f><v>3</v></c>"
                                           << "校验完成：有效 1 条，重复 0 条，格式错误 0 条" << 1;
        QTest::newRow("sale price inf") << "product" << 11 << "inf" << invalid + "销售价格式错误：inf" << 0;
        QTest::newRow("purchase price -inf")
            << "product" << 10 << "-inf" << invalid + "采购价格式错误：-inf" << 0;
        QTest::newRow("sale price nan") << "product" << 11 << "nan" << invalid + "销售价格式错误：nan" << 0;
        QTest::newRow("sale price 1e999")
            << "product" << 11 << "1e999" << invalid + "销售价格式错误：1e999" << 0;
        QTest::newRow("sale price number inf")
            << "product" << 11 << "<c r=\"%1\"><v>INF</v></c>" << invalid + "第 L 列为错误值：#NUM!" << 0;
        QTest::newRow("sale price number nan")
            << "product" << 11 << "<c r=\"%1\"><v>NaN</v></c>" << invalid + "第 L 列为错误值：#NUM!" << 0;
        QTest::newRow("sale price 1e308")
            << "product" << 11 << "<c r=\"%1\"><v>1e308</v></c>" << invalid + "销售价格式错误：1e+308" << 0;
        QTest::newRow("purchase price above the form's")
            << "product" << 10 << "100000.01" << invalid + "采购价格式错误：100000.01" << 0;
        // An empty text result, as writers that cannot calculate save every formula.
        const QString emptyResult = QStringLiteral("<c r=\"%1\" t=\"str\"><f>K2*1.5</f><v></v></c>");
        QTest::newRow("sale price empty result")
            << "product" << 11 << emptyResult << invalid + "第 L 列为公式，没有计算结果" << 0;
        QTest::newRow("specification empty result is empty")
            << "product" << 3 << emptyResult << "校验完成：有效 1 条，重复 0 条，格式错误 0 条" << 1;
        // Escapes that decode to control characters.
        const QString escaped =
            QStringLiteral("<c r=\"%1\" t=\"inlineStr\"><is><t>复方_x%2_甘草片</t></is></c>");
        QTest::newRow("name with CR")
            << "product" << 1 << escaped.arg("%1", "000D") << invalid + "第 B 列含有控制字符" << 0;
        const QString firmInvalid = QStringLiteral("  第 2 行数据无效：");
        const QString unreadableDate =
            QStringLiteral("第 %1 列（%2）日期无法识别，应为日期（如 2026-12-31，可带时刻）：%3");
        QTest::newRow("phone formula")
            << "supplier" << 6 << "<c r=\"%1\" t=\"str\"><f>\"027-\"&amp;A1</f></c>"
            << firmInvalid + "第 G 列为公式，没有计算结果" << 0;
        QTest::newRow("licence date formula")
            << "supplier" << 7 << "<c r=\"%1\" s=\"2\"><f>TODAY()+365</f></c>"
            << firmInvalid + "第 H 列为公式，没有计算结果" << 0;
        QTest::newRow("licence a time of day")
            << "supplier" << 7 << "<c r=\"%1\" s=\"1\"><v>0.5</v></c>"
            << firmInvalid + unreadableDate.arg("H", "许可证到期", "0.5") << 0;
        QTest::newRow("GSP date serial 0") << "supplier" << 10 << "<c r=\"%1\" s=\"2\"><v>0</v></c>"
                                           << firmInvalid + unreadableDate.arg("K", "GSP有效期", "0") << 0;
        QTest::newRow("name formula without value")
            << "supplier" << 0 << "<c r=\"%1\" t=\"str\"><f>B3</f></c>"
            << firmInvalid + "第 A 列为公式，没有计算结果" << 0;
        QTest::newRow("licence date empty result")
            << "supplier" << 7 << emptyResult << firmInvalid + "第 H 列为公式，没有计算结果" << 0;
        QTest::newRow("address with a line break") << "supplier" << 4 << escaped.arg("%1", "000A")
                                                   << "校验完成：有效 1 条，重复 0 条，格式错误 0 条" << 1;
        QTest::newRow("address with NUL")
            << "supplier" << 4 << escaped.arg("%1", "0000") << firmInvalid + "第 E 列含有控制字符" << 0;
        // A number of more than 15 digits in a code column has lost the digits typed.
        const QString lost =
            QStringLiteral("是超过 15 位的数字，已无法保存原有的数字：请将该列设为文本格式，再重新输入");
        QTest::newRow("17-digit barcode as a number")
            << "product" << 0 << "<c r=\"%1\"><v>6.901234567890123E+16</v></c>"
            << invalid + "第 A 列（药品条码）" + lost << 0;
        QTest::newRow("16-digit barcode cut to 15 digits")
            << "product" << 0 << "<c r=\"%1\"><v>6901234567890120</v></c>"
            << invalid + "第 A 列（药品条码）" + lost << 0;
        QTest::newRow("barcode with a fraction")
            << "product" << 0 << "<c r=\"%1\"><v>6901234567891.5</v></c>"
            << invalid + "第 A 列（药品条码）是带小数的数字，不是编码：请将该列设为文本格式，再重新输入" << 0;
        QTest::newRow("20-digit approval number as a number")
            << "product" << 4 << "<c r=\"%1\"><v>12345678901234567890</v></c>"
            << invalid + "第 E 列（批准文号）" + lost << 0;
        QTest::newRow("18-digit licence number as a number")
            << "supplier" << 1 << "<c r=\"%1\"><v>914201001234567890</v></c>"
            << firmInvalid + "第 B 列（经营许可证号）" + lost << 0;
        QTest::newRow("tax number of 16 significant digits")
            << "supplier" << 11 << "<c r=\"%1\"><v>42010000000.00001</v></c>"
            << firmInvalid + "第 L 列（税务登记证号）" + lost << 0;
        QTest::newRow("licence period read as a period")
            << "supplier" << 7 << "2022-05-01 至 2027-04-30"
            << firmInvalid + unreadableDate.arg("H", "许可证到期", "2022-05-01 至 2027-04-30") << 0;
        QTest::newRow("licence date with a zone") << "supplier" << 7 << "2027-06-30T08:00:00+08:00"
                                                  << "校验完成：有效 1 条，重复 0 条，格式错误 0 条" << 1;
        QTest::newRow("cached date kept")
            << "supplier" << 7 << "<c r=\"%1\" s=\"2\"><f>DATE(2027,6,30)</f><v>46568</v></c>"
            << "校验完成：有效 1 条，重复 0 条，格式错误 0 条" << 1;
    }
    void unreadableCells() {
        QFETCH(QString, kind);
        QFETCH(int, column);
        QFETCH(QString, cell);
        const bool products = kind == "product";
        QStringList cells =
            products ? texts(drug("6920000000017", "复方甘草片")) : texts(firm("华润医药商业有限公司"));
        cells[column] = cell;
        const QString path = file(kind + "-cells.xlsx");
        QVERIFY(writeHandWorkbook(path, texts(products ? kProductTitles : kSupplierTitles), cells));
        const auto dialog = makeDialog(kind);
        QTEST(runImport(dialog.get(), path).value(2), "line");
        QTEST(m_db->count(products ? "product" : "supplier"), "stored");
    }

    // One row more than the listed lines repeats the first: the last repeat is counted, not listed.
    void longListsCounted_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("lastListed");
        QTest::addColumn<QString>("unlisted");
        QTest::newRow("product duplicates")
            << "product"
            << "  第 10002 行「复方甘草片」(条码:6920000000017) ↔ 与第 2 行条码相同"
            << "  …另有 1 行未列出";
        QTest::newRow("supplier duplicates") << "supplier"
                                             << "  第 10002 行「华润医药商业有限公司」与第 2 行重复，跳过"
                                             << "  …另有 1 行未列出";
    }
    void longListsCounted() {
        QFETCH(QString, kind);
        const bool products = kind == "product";
        QList<QVariantList> rows;
        for (int i = 0; i < 10002; ++i)
            rows << (products ? drug("6920000000017", "复方甘草片") : firm("华润医药商业有限公司"));
        const QString path = products ? productFile("long.xlsx", rows) : supplierFile("long.xlsx", rows);
        const auto dialog = makeDialog(kind);
        const QStringList lines = runImport(dialog.get(), path, false);
        const int unlisted = lines.indexOf(QRegularExpression("  …另有.*"));
        QTEST(lines.value(unlisted - 1), "lastListed");
        QTEST(lines.value(unlisted), "unlisted");
        QCOMPARE(lines.filter(QRegularExpression("重复，跳过|条码相同")).size(), 10000);
    }

    // --- supplier import ---

    void supplierImport() {
        const PinnedClock clock(QDate(2026, 3, 1));
        m_db->exec("INSERT INTO supplier (id, name, status) VALUES (1, '国药控股湖北有限公司', 'active'), "
                   "(2, '九州通医药集团', 'suspended'), (3, 'ABC医药', 'active')");
        const QString path = supplierFile(
            "suppliers.xlsx",
            {firm("华润医药商业有限公司", {QDate(2027, 6, 30), "2027/3/1", gap, 20271231.0}, 13700005555.0,
                  "中药、化学药, 生物制品"),
             {gap, gap, gap, gap, "武汉市无名路"},
             firm("国药控股湖北有限公司"),
             firm("九州通医药集团"),
             firm("华润医药商业有限公司"),
             firm("abc医药"),
             firm("百济药业", {"<b>2026.12.31</b>", gap, gap, gap}),
             firm("同济堂医药", {"05/06/2026", "12/31/2026", "2026-12-31T00:00:00", "2026-12-31 08:00"})});
        SupplierImportDialog dialog;
        QCOMPARE(
            runImport(&dialog, path),
            (QStringList{
                "共读取 7 条数据，开始校验重复...", "",
                "  第 4 行「国药控股湖北有限公司」与已存在的供应商(ID:1)重复，跳过",
                "  第 6 行「华润医药商业有限公司」与第 2 行重复，跳过",
                "  第 8 行数据无效：第 H 列（许可证到期）日期无法识别，应为日期（如 2026-12-31，可带时刻）："
                "<b>2026.12.31</b>",
                "校验完成：有效 4 条，重复 2 条，格式错误 1 条", "", "", "--- 开始批量导入 4 家供应商 ---",
                "", "导入完成！成功导入 4 家供应商。"}));
        QCOMPARE(questions(),
                 QStringList{"确认导入|确认将 4 家供应商数据导入系统？\n\n（重复的 2 条数据将被跳过）"});
        QCOMPARE(colourOf(&dialog, "  第 6 行「华润医药商业有限公司」与第 2 行重复，跳过"),
                 QStringLiteral("#cc6600"));
        QCOMPARE(colourOf(&dialog, "导入完成！成功导入 4 家供应商。"), QStringLiteral("#006600"));
        QCOMPARE(m_db->count("supplier", "name = ?", {"九州通医药集团"}), 2);
        QCOMPARE(m_db->count("supplier", "name = ?", {"abc医药"}), 1);

        repositories::SupplierRepository repo(m_db->db());
        const int id = m_db->scalar("SELECT id FROM supplier WHERE name = '华润医药商业有限公司'").toInt();
        const models::Supplier s = repo.findById(id);
        QCOMPARE(s.contactPhone, QStringLiteral("13700005555"));
        QCOMPARE(s.taxRegNo, QStringLiteral("420100000000000"));
        QCOMPARE(s.businessScope, (QStringList{"中药", "化学药", "生物制品"}));
        QCOMPARE(s.licenseExpireDate, QStringLiteral("2027-06-30"));
        QCOMPARE(s.businessLicenseExpireDate, QStringLiteral("2027-03-01"));
        QCOMPARE(s.taxRegExpireDate, QStringLiteral("2027-12-31"));
        QCOMPARE(s.status, QStringLiteral("active"));
        QCOMPARE(s.qualificationStatus, QStringLiteral("valid"));
        // An empty date is NULL, so the supplier does not count as expired.
        QCOMPARE(m_db->scalar("SELECT gsp_cert_expire_date IS NULL FROM supplier WHERE id = ?", {id}).toInt(),
                 1);
        QCOMPARE(repo.findExpired().size(), 0);
        const int other = m_db->scalar("SELECT id FROM supplier WHERE name = '同济堂医药'").toInt();
        const models::Supplier t = repo.findById(other);
        QCOMPARE((QStringList{t.licenseExpireDate, t.businessLicenseExpireDate, t.gspCertExpireDate,
                              t.taxRegExpireDate}),
                 (QStringList{"2026-06-05", "2026-12-31", "2026-12-31", "2026-12-31"}));
        QCOMPARE(stepButtons(&dialog), QStringLiteral("111"));
    }

    void supplierEarlyEnds_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QStringList>("tail");
        QTest::newRow("title row only")
            << "header"
            << QStringList{"读取文件失败：", "  文件中没有数据行（第1行为标题行，至少需要1行数据）。"};
        QTest::newRow("no row with a name")
            << "nameless" << QStringList{"文件中没有有效数据（从第2行开始读取）。"};
        QTest::newRow("all duplicates")
            << "duplicates"
            << QStringList{"校验完成：有效 0 条，重复 1 条，格式错误 0 条", "", "没有有效数据可导入。"};
        QTest::newRow("answered No") << "no"
                                     << QStringList{"校验完成：有效 1 条，重复 0 条，格式错误 0 条", "",
                                                    "导入操作已取消。"};
    }
    void supplierEarlyEnds() {
        QFETCH(QString, kind);
        m_db->exec("INSERT INTO supplier (id, name, status) VALUES (1, '国药控股湖北有限公司', 'active')");
        QList<QVariantList> rows;
        if (kind == "nameless")
            rows << QVariantList{gap, "鄂AA000009"};
        else if (kind == "duplicates")
            rows << firm("国药控股湖北有限公司");
        else if (kind == "no")
            rows << firm("华润医药商业有限公司");
        SupplierImportDialog dialog;
        const QStringList lines = runImport(&dialog, supplierFile(kind + ".xlsx", rows), false);
        QFETCH(QStringList, tail);
        QCOMPARE(lastLines(lines, tail.size()), tail);
        QCOMPARE(questions().size(), kind == "no" ? 1 : 0);
        QCOMPARE(m_db->count("supplier"), 1);
        QCOMPARE(stepButtons(&dialog), QStringLiteral("111"));
    }

    void supplierFailedInsertRollsBack() {
        m_db->exec("CREATE TRIGGER refuse_one BEFORE INSERT ON supplier WHEN NEW.name = '百济药业' "
                   "BEGIN SELECT RAISE(ABORT, 'refused by test'); END");
        SupplierImportDialog dialog;
        const QStringList lines = runImport(
            &dialog,
            supplierFile("fail.xlsx", {firm("华润医药商业有限公司"), firm("百济药业"), firm("同济堂医药")}));
        QCOMPARE(lastLines(lines, 6),
                 (QStringList{"--- 开始批量导入 3 家供应商 ---", "  第 3 行「百济药业」导入失败", "",
                              "导入过程中出现错误，所有操作已回滚，未保存任何数据。",
                              "  失败原因：1 条数据写入数据库失败。", "  请检查数据格式后重试。"}));
        QCOMPARE(m_db->count("supplier"), 0);
    }

    void supplierTemplateImports() {
        SupplierImportDialog dialog;
        Prompts::queueFileName(file("供应商模板.xlsx"));
        click(&dialog, "btnDownloadTemplate");
        QCOMPARE(runImport(&dialog, file("供应商模板.xlsx")).last(),
                 QStringLiteral("导入完成！成功导入 1 家供应商。"));
        // A second run of the same file finds what the first stored.
        QCOMPARE(runImport(&dialog, file("供应商模板.xlsx")).at(2),
                 QStringLiteral("  第 2 行「示例医药有限公司」与已存在的供应商(ID:1)重复，跳过"));
        repositories::SupplierRepository repo(m_db->db());
        const models::Supplier s = repo.findById(1);
        QCOMPARE(s.businessScope, (QStringList{"中药", "化学药"}));
        QCOMPARE(s.taxRegNo, QStringLiteral("420100000000000"));
        QCOMPARE(s.gspCertExpireDate, QStringLiteral("2026-12-31"));
    }
};

// The supplier import's text rules, without database or dialog.
class TestImportRules : public QObject {
    Q_OBJECT

private slots:
    void parseDates_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("date");
        QTest::newRow("iso") << "2026-12-31" << QString("2026-12-31");
        QTest::newRow("day first wins") << "05/06/2026" << QString("2026-06-05");
        QTest::newRow("month first when day first cannot be") << "12/31/2026" << QString("2026-12-31");
        QTest::newRow("time after T") << "2026-12-31T00:00:00" << QString("2026-12-31");
        QTest::newRow("time after a blank") << "2026-12-31 08:00" << QString("2026-12-31");
        QTest::newRow("zone Z") << "2026-12-31T08:00:00Z" << QString("2026-12-31");
        QTest::newRow("zone +08:00") << "2026-12-31T08:00:00+08:00" << QString("2026-12-31");
        QTest::newRow("zone not applied") << "2026-12-31T23:59:59.999-05:00" << QString("2026-12-31");
        QTest::newRow("下午 before the time") << "2026/12/31 下午 3:00" << QString("2026-12-31");
        QTest::newRow("上午 after the time") << "2026-12-31 9:30:15 上午" << QString("2026-12-31");
        QTest::newRow("AM after the time") << "2026-12-31 8:00 AM" << QString("2026-12-31");
        QTest::newRow("pm without a blank") << "12/31/2026 11:59pm" << QString("2026-12-31");
        QTest::newRow("eight digits") << "20261231" << QString("2026-12-31");
        QTest::newRow("short month and day") << "2026-1-5" << QString("2026-01-05");
        QTest::newRow("slashes") << "2026/1/5" << QString("2026-01-05");
        QTest::newRow("dashes day first") << "5-6-2026" << QString("2026-06-05");
        QTest::newRow("padded") << "  2026/12/31  " << QString("2026-12-31");
        QTest::newRow("first year after 1900") << "1901-01-01" << QString("1901-01-01");
        QTest::newRow("1900 refused") << "1900-06-01" << QString();
        QTest::newRow("dots refused") << "2026.12.31" << QString();
        QTest::newRow("leading T is not a time") << "T2026-12-31" << QString();
        QTest::newRow("period after a blank") << "2022-05-01 至 2027-04-30" << QString();
        QTest::newRow("words after a blank") << "2027-04-30 前有效" << QString();
        QTest::newRow("no time of day after a blank") << "2027-04-30 25:00" << QString();
        QTest::newRow("words after T") << "2027-04-30To 2032" << QString();
        QTest::newRow("no such day") << "2026-02-30" << QString();
        QTest::newRow("empty") << "" << QString();
    }
    void parseDates() {
        QFETCH(QString, text);
        QTEST(parseDateFlexible(text).toString("yyyy-MM-dd"), "date");
    }

    void scopes_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("entries");
        QTest::newRow("ideographic comma") << "中药、化学药" << QString("中药|化学药");
        QTest::newRow("empty part dropped") << "中药,,化学药,生物制品" << QString("中药|化学药|生物制品");
        QTest::newRow("trimmed") << " 中药 , 化学药" << QString("中药|化学药");
        QTest::newRow("mixed separators")
            << "中药；化学药;生物制品，保健品" << QString("中药|化学药|生物制品|保健品");
        QTest::newRow("empty") << "" << QString();
    }
    void scopes() {
        QFETCH(QString, text);
        QTEST(splitImportedScope(text).join('|'), "entries");
    }
};

KV_TEST_CLASS(TestImportRules)
KV_TEST_CLASS(TestImport)

#include "tst_import.moc"
