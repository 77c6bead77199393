#include "ui/import/importkit.h"

#include "spreadsheet/workbookreader.h"
#include "ui/common/buttonbox.h"
#include "ui/common/prompts.h"
#include "ui/common/styles.h"

#include <QAbstractButton>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDebug>
#include <QDialog>
#include <QDialogButtonBox>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QHash>
#include <QLabel>
#include <QLayout>
#include <QPushButton>
#include <QStyle>
#include <QTextEdit>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <utility>

namespace kestrovalin {

// Debug lines off by default: a million rows would otherwise write and format millions of lines.
Q_LOGGING_CATEGORY(importLog, "kestrovalin.import", QtInfoMsg)

namespace {

constexpr int kSettleMs = 200;
constexpr int kLinesPerInsertion = 256;
constexpr int kPumpIntervalMs = 30;
// Around the steps, the result area and the Close button.
constexpr int kFrameMargin = 12;
constexpr int kFrameSpacing = 6;
// Characters of a cell a report line quotes.
constexpr int kQuotedLength = 40;

// The C0 and C1 controls and DEL; a multi-line text may hold all but NUL. No early exit: the loop
// vectorises, and a cell may hold 32,767 characters.
bool hasControl(const QString& text, FieldKind kind) {
    const ushort highest = kind == FieldKind::MultiLine ? 0 : 0x1F;
    const ushort c1Span = kind == FieldKind::MultiLine ? 0 : 0x20; // U+007F to U+009F
    const ushort* chars = text.utf16();
    bool found = false;
    for (int i = 0; i < text.size(); ++i)
        found |= (chars[i] <= highest) | (c1Span != 0 && ushort(chars[i] - 0x7F) <= c1Span);
    return found;
}

// A title's text as compared: in its compatibility form (NFKC: what an input method types in full-width
// mode, "ＧＳＰ", "（＊）", reads as "GSP", "(*)"), every blank (spaces, full-width spaces, line breaks) and
// format character (zero-width space and joiners, word joiner, byte order mark, soft hyphen, tag characters)
// removed, case folded. By code point: a character outside the first plane is two UTF-16 units.
QString comparedText(const QString& title) {
    QVector<uint> kept = title.normalized(QString::NormalizationForm_KC).toUcs4();
    kept.erase(
        std::remove_if(kept.begin(), kept.end(),
                       [](uint c) { return QChar::isSpace(c) || QChar::category(c) == QChar::Other_Format; }),
        kept.end());
    return QString::fromUcs4(kept.constData(), kept.size()).toCaseFolded();
}

// A title as compared, the mark of a required column at its end optional.
QString titleKey(const QString& title) {
    const QString key = comparedText(title);
    // NFKC has made "（*）" and "（＊）" the first.
    for (const QString& mark : {QStringLiteral("(*)"), QStringLiteral("*")}) {
        if (key.endsWith(mark))
            return key.left(key.size() - mark.size());
    }
    return key;
}

// Whether a character takes a place of its own in a title as shown: blanks, format and control characters
// and marks that sit on the character before do not.
bool takesPlace(uint c) {
    if (QChar::isSpace(c))
        return false;
    switch (QChar::category(c)) {
    case QChar::Other_Format:
    case QChar::Other_Control:
    case QChar::Mark_NonSpacing:
    case QChar::Mark_Enclosing:
        return false;
    default:
        return true;
    }
}

std::function<bool(uint)>& drawnCheck() {
    static std::function<bool(uint)> check;
    return check;
}

// Whether the character shows as itself rather than as an empty box. The result area takes the
// application's family; QFontMetrics follows the same fallback fonts the text is drawn with.
bool drawn(uint c) {
    if (drawnCheck())
        return drawnCheck()(c);
    return QFontMetrics(QGuiApplication::font()).inFontUcs4(c);
}

// Whether a character shows as an empty box: it shows something (not a blank nor an invisible format
// character) that no font draws.
bool showsAsBox(uint c) {
    return !QChar::isSpace(c) && QChar::category(c) != QChar::Other_Format && !drawn(c);
}

// Where a title parts from the template's.
struct Parting {
    int end = 0;  // the UTF-16 index after the first character that differs; 0 when none does
    QString note; // that character named when it does not show what it is; empty otherwise
};

QString codeOf(uint c) {
    return QStringLiteral("U+") + QString::number(c, 16).toUpper().rightJustified(4, QLatin1Char('0'));
}

// The note names the character when it does not show what it is (not an ASCII letter or digit nor a CJK
// ideograph of the first plane that a font on this computer draws: an invisible one, a look-alike, another
// mark, an ideograph shown as an empty box): "第 5 个字符为 U+2731", or for a character without a place
// of its own "第 2 个字符后有 U+034F", counting the characters `shown` shows from 1.
Parting partingOf(const QString& shown, const QString& templateTitle) {
    const QString wanted = comparedText(templateTitle);
    int matched = 0;
    int seen = 0;
    int end = 0;
    for (const uint c : shown.toUcs4()) {
        end += QChar::requiresSurrogates(c) ? 2 : 1;
        const bool placed = takesPlace(c);
        seen += placed ? 1 : 0;
        const QString part = comparedText(QString::fromUcs4(&c, 1));
        if (wanted.midRef(matched).startsWith(part)) {
            matched += part.size();
            continue;
        }
        const bool plain = (c < 0x80 && QChar::isLetterOrNumber(c)) ||
                           (c <= 0xFFFF && QChar::script(c) == QChar::Script_Han &&
                            QChar::category(c) == QChar::Letter_Other && drawn(c));
        if (plain)
            return {end, QString()};
        if (placed)
            return {end, QStringLiteral("第 %1 个字符为 %2").arg(seen).arg(codeOf(c))};
        if (seen == 0)
            return {end, QStringLiteral("第 1 个字符前有 %1").arg(codeOf(c))};
        return {end, QStringLiteral("第 %1 个字符后有 %2").arg(seen).arg(codeOf(c))};
    }
    return {};
}

// The UTF-16 units [from, to) of a quote.
struct Span {
    int from = 0;
    int to = 0;
};

// At most kQuotedLength UTF-16 units of `text`, never half of a surrogate pair: from its start, but holding
// what comes before `through`, and stopping at `stop`.
Span quotedSpan(const QString& text, int through, int stop) {
    int from = std::max(0, through - kQuotedLength);
    if (from > 0 && text.at(from).isLowSurrogate())
        ++from;
    int to = std::min(stop, from + kQuotedLength);
    if (to > from && to < text.size() && text.at(to - 1).isHighSurrogate())
        --to;
    return {from, to};
}

// That span of `text`, with "…" where it is cut.
QString quotedText(const QString& text, Span span) {
    return (span.from > 0 ? QStringLiteral("…") : QString()) + text.mid(span.from, span.to - span.from) +
           (span.to < text.size() ? QStringLiteral("…") : QString());
}

// The characters in `span` of a title that count as the character they fold to (a Kangxi radical, a
// compatibility form, as text copied out of a PDF holds) but show as an empty box, named with what they
// count as: "第 3 个字符 U+2F1A 视同「厂」", counting the characters `shown` shows from 1.
QStringList foldedBoxes(const QString& shown, Span span) {
    QStringList notes;
    int seen = 0;
    int at = 0;
    for (const uint c : shown.toUcs4()) {
        const QString one = QString::fromUcs4(&c, 1);
        seen += takesPlace(c) ? 1 : 0;
        const QString folded = one.normalized(QString::NormalizationForm_KC);
        if (at >= span.from && at < span.to && takesPlace(c) && folded != one && showsAsBox(c))
            notes << QStringLiteral("第 %1 个字符 %2 视同「%3」").arg(seen).arg(codeOf(c), folded);
        at += one.size();
    }
    return notes;
}

// A refused title as quoted, with its notes: it holds the character where it parts from the template's, and
// stops right after it when an empty box would follow (unnamed, it would say nothing). The characters before
// that one that show as an empty box are named too.
QString quotedTitle(const QString& shown, const Parting& parting) {
    const QVector<uint> after = shown.midRef(parting.end, kQuotedLength).toUcs4();
    const bool box = parting.end > 0 && std::any_of(after.begin(), after.end(), showsAsBox);
    const Span span = quotedSpan(shown, parting.end, box ? parting.end : shown.size());
    Span before = span;
    if (parting.end > 0)
        before.to = parting.end - (shown.at(parting.end - 1).isLowSurrogate() ? 2 : 1);
    QStringList notes = foldedBoxes(shown, before);
    if (!parting.note.isEmpty())
        notes << parting.note;
    const QString quote = QStringLiteral("「") + quotedText(shown, span) + QStringLiteral("」");
    return notes.isEmpty()
               ? quote
               : quote + QStringLiteral("（") + notes.join(QStringLiteral("；")) + QStringLiteral("）");
}

// The refusal of a row 1 whose titles are not the template's, naming a column at fault and the template's
// order; empty when every template column holds its title or nothing. A template title in another column
// is named first (the leftmost): it tells of a column inserted, dropped or moved. Otherwise the leftmost
// other text, or the required column (its title marked "(*)") without its title. Columns right of the
// template's last are not looked at.
QString titleProblem(const WorkbookReader& reader, const QList<TemplateColumn>& columns) {
    QHash<QString, int> columnOfTitle;
    for (int i = 0; i < columns.size(); ++i)
        columnOfTitle.insert(titleKey(columns.at(i).title), i);
    QStringList order;
    for (int i = 0; i < columns.size(); ++i)
        order << columnLetter(i) + QLatin1Char(' ') + columns.at(i).title;
    int other = -1; // the leftmost column holding another text
    for (int c = 0; c < columns.size(); ++c) {
        const QString key = titleKey(reader.cell(1, c + 1).toText());
        const int found = columnOfTitle.value(key, -1);
        if (found >= 0 && found != c)
            return QStringLiteral("第 %1 列的标题「%2」应在第 %3 列：各列须按模板的顺序排列（%4），"
                                  "请调整后再导入。")
                .arg(columnLetter(c), columns.at(found).title, columnLetter(found),
                     order.join(QStringLiteral("、")));
        const bool passes =
            found == c || (key.isEmpty() && !columns.at(c).title.endsWith(QLatin1String("(*)")));
        if (!passes && other < 0)
            other = c;
    }
    if (other < 0)
        return QString();
    // A title over several lines is quoted on one: the result area makes each line a paragraph.
    const QString shown = reader.cell(1, other + 1).toText().simplified();
    const QString letter = columnLetter(other);
    // A title of blanks and format characters alone is none; one of the required mark alone lacks the name
    // (the mark itself is taken).
    QString holds;
    if (comparedText(shown).isEmpty())
        holds = QStringLiteral("第 %1 列没有标题").arg(letter);
    else if (titleKey(shown).isEmpty())
        holds = QStringLiteral("第 %1 列的标题%2只有必填标记，缺少名称")
                    .arg(letter, quotedTitle(shown, Parting()));
    else
        holds = QStringLiteral("第 %1 列的标题是%2")
                    .arg(letter, quotedTitle(shown, partingOf(shown, columns.at(other).title)));
    return holds +
           QStringLiteral("，模板在此列的标题是「%1」：第 1 行须为模板的标题，按模板的顺序排列（%2），"
                          "数据从第 2 行开始，请调整后再导入。")
               .arg(columns.at(other).title, order.join(QStringLiteral("、")));
}

// More than 15 significant digits, or 16 digits before the point: spreadsheet programs keep 15, and a
// double cannot hold more than about 16.
bool losesDigits(double value) {
    if (std::fabs(value) >= 1e15)
        return true;
    const QString text = QString::number(value, 'g', QLocale::FloatingPointShortest);
    int digits = 0;
    for (const QChar c : text) {
        if (c == QLatin1Char('e'))
            break;
        if (c.isDigit() && (digits > 0 || c != QLatin1Char('0')))
            ++digits;
    }
    return digits > 15;
}

} // namespace

void setDrawnCheckForTesting(std::function<bool(uint)> answer) {
    drawnCheck() = std::move(answer);
}

void applyImportLook(QDialog* dialog, QDialogButtonBox* buttons, QLabel* fileStepLabel) {
    dialog->setStyleSheet(importDialogStyleSheet());
    if (QLayout* frame = dialog->layout()) {
        frame->setContentsMargins(kFrameMargin, kFrameMargin, kFrameMargin, kFrameMargin);
        frame->setSpacing(kFrameSpacing);
    }
    // Beside a stretching line edit a word-wrapped label is squeezed to its minimum, a word per line.
    fileStepLabel->setMinimumWidth(
        qMax(fileStepLabel->minimumWidth(),
             fileStepLabel->fontMetrics().horizontalAdvance(fileStepLabel->text()) + 4));
    useChineseLabels(buttons);
    // No step is the dialog's default: Enter in the file field would otherwise open the template's save box.
    for (QPushButton* button : dialog->findChildren<QPushButton*>())
        button->setAutoDefault(false);
    // Under a parent that has a style sheet of its own (the list windows), the box's buttons keep the look
    // they were polished with before this sheet arrived; polish them again so its rules reach them.
    for (QAbstractButton* button : buttons->buttons()) {
        button->style()->unpolish(button);
        button->style()->polish(button);
    }
    QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
}

void appendResult(QTextEdit* area, const QString& text, const QColor& colour) {
    area->setTextColor(colour);
    QTextCursor cursor(area->document());
    cursor.movePosition(QTextCursor::End);
    if (!area->document()->isEmpty())
        cursor.insertBlock();
    QTextCharFormat format;
    format.setForeground(colour);
    // Plain insertion: a name like "<b>x</b>" stays those characters; line breaks become paragraphs.
    cursor.insertText(text, format);
    area->setTextCursor(cursor);
    area->ensureCursorVisible();
}

ImportBusy::ImportBusy(QWidget* parent, const QString& title, const QString& label) : m_dialog(parent) {
    m_dialog.setWindowTitle(title);
    m_dialog.setLabelText(label);
    m_dialog.setCancelButton(nullptr);
    m_dialog.setRange(0, 0);
    m_dialog.setWindowModality(Qt::WindowModal);
    m_dialog.setMinimumDuration(0);
    m_dialog.setAutoClose(false);
    m_dialog.setAutoReset(false);
}

void ImportBusy::Dialog::closeEvent(QCloseEvent* event) {
    event->ignore();
}

void ImportBusy::show(bool settle) {
    m_dialog.show();
    if (settle) {
        QEventLoop loop;
        QTimer::singleShot(kSettleMs, &loop, &QEventLoop::quit);
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    } else {
        pumpHoldingInput();
    }
}

void ImportBusy::close() {
    m_dialog.hide();
}

void ImportBusy::pump() {
    static QElapsedTimer sincePump;
    if (sincePump.isValid() && sincePump.elapsed() < kPumpIntervalMs)
        return;
    QCoreApplication::processEvents();
    sincePump.start();
}

void ImportBusy::pumpHoldingInput() {
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

bool openImportSheet(WorkbookReader& reader, const QString& path, const QList<TemplateColumn>& columns,
                     QStringList& reasons, const char* logName) {
    reader.setProgressCallback(&ImportBusy::pump);
    if (!reader.open(path)) {
        reasons << reader.errorText();
        if (!reader.errorReason().isEmpty())
            reasons << reader.errorReason();
        return false;
    }
    qDebug().noquote() << logName << "rowCount=" << reader.lastRow() << "colCount=" << reader.lastColumn();
    const QString misplaced = titleProblem(reader, columns);
    if (!misplaced.isEmpty()) {
        reasons << misplaced;
        return false;
    }
    if (reader.lastRow() <= 1) {
        reasons << QStringLiteral("文件中没有数据行（第1行为标题行，至少需要1行数据）。");
        return false;
    }
    return true;
}

void traceCell(int row, int column, const CellValue& cell) {
    if (cell.hasNoResult())
        qCDebug(importLog) << "Value invalid for cell" << row << column;
    qCDebug(importLog).noquote().nospace() << "  Cell(" << row << "," << column << "): " << cell.toText();
}

ResultLines::~ResultLines() {
    flush();
    if (m_unlisted > 0)
        appendResult(m_area, m_lead + QStringLiteral("…另有 %1 行未列出").arg(m_unlisted), m_colour);
}

void ResultLines::append(const QString& line) {
    ++m_listed;
    m_pending.append(line);
    if (m_pending.size() >= kLinesPerInsertion)
        flush();
}

void ResultLines::flush() {
    if (m_pending.isEmpty())
        return;
    // One insertion; each line break becomes a paragraph of its own.
    appendResult(m_area, m_pending.join(QLatin1Char('\n')), m_colour);
    m_pending.clear();
}

bool announceRead(QTextEdit* area, ImportBusy& busy, const ImportWording& wording, bool read,
                  const QStringList& reasons, int rows) {
    if (read && rows > 0) {
        appendResult(area, QStringLiteral("共读取 %1 条数据，开始校验重复...\n").arg(rows),
                     resultColour::kProgress);
        return true;
    }
    busy.close();
    if (read) {
        appendResult(area, wording.cross + QStringLiteral("文件中没有有效数据（从第2行开始读取）。"),
                     resultColour::kError);
        return false;
    }
    appendResult(area, wording.cross + QStringLiteral("读取文件失败："), resultColour::kError);
    for (const QString& reason : reasons)
        appendResult(area, QStringLiteral("  ") + reason, resultColour::kError);
    return false;
}

bool announceChecks(QTextEdit* area, const ImportWording& wording, int toInsert, int duplicates, int invalid,
                    const LineSource& duplicateLines) {
    appendResult(area,
                 QStringLiteral("校验完成：有效 %1 条，重复 %2 条，格式错误 %3 条\n")
                     .arg(toInsert)
                     .arg(duplicates)
                     .arg(invalid),
                 resultColour::kProgress);
    if (duplicateLines && duplicates > 0) {
        appendResult(area, QStringLiteral("\n--- 重复数据（将被跳过）---"), resultColour::kWarning);
        {
            ResultLines lines(area, resultColour::kWarning, QStringLiteral("  "));
            for (int i = 0; i < duplicates; ++i)
                lines.add([&] { return QStringLiteral("  ") + duplicateLines(i); });
        }
        appendResult(area, QString(), resultColour::kProgress);
    }
    if (toInsert > 0)
        return true;
    appendResult(area, wording.closingLead + QStringLiteral("没有有效数据可导入。"), resultColour::kError);
    return false;
}

bool confirmImport(QWidget* parent, QTextEdit* area, const ImportWording& wording, int toInsert,
                   int duplicates) {
    QString question =
        QStringLiteral("确认将 %1 %2数据导入系统？").arg(QString::number(toInsert), wording.unit);
    if (duplicates > 0)
        question += QStringLiteral("\n\n（重复的 %1 条数据将被跳过）").arg(duplicates);
    if (Prompts::question(parent, QStringLiteral("确认导入"), question))
        return true;
    appendResult(area, wording.closingLead + QStringLiteral("导入操作已取消。"), resultColour::kWarning);
    return false;
}

void appendInsertOutcome(QTextEdit* area, const ImportWording& wording, const QList<ImportRowLabel>& rows,
                         const repositories::BulkInsertResult& result) {
    using Outcome = repositories::BulkInsertResult::Outcome;
    // The database file's trouble, under the line that says the import failed.
    const auto appendReason = [&] {
        if (!result.reason.isEmpty())
            appendResult(area, QStringLiteral("  ") + result.reason, resultColour::kError);
    };
    switch (result.outcome) {
    case Outcome::NotStarted:
        appendResult(area, wording.cross + QStringLiteral("无法启动数据库事务，导入失败。"),
                     resultColour::kError);
        appendReason();
        return;
    case Outcome::Stored:
        appendResult(area,
                     QStringLiteral("\n%1导入完成！成功导入 %2 %3。")
                         .arg(wording.tick, QString::number(result.stored), wording.unit),
                     resultColour::kSuccess);
        return;
    case Outcome::CommitFailed:
        appendResult(area,
                     QStringLiteral("\n") + wording.cross + QStringLiteral("提交失败，未保存任何数据。"),
                     resultColour::kError);
        appendReason();
        return;
    case Outcome::Stopped:
        appendResult(area,
                     QStringLiteral("\n") + wording.cross + QStringLiteral("导入已中止，未保存任何数据。"),
                     resultColour::kError);
        appendReason();
        return;
    case Outcome::RowsFailed:
        break;
    }
    for (int index : result.failedRows) {
        const ImportRowLabel& row = rows.at(index);
        appendResult(area,
                     QStringLiteral("  %1第 %2 行「%3」导入失败")
                         .arg(wording.warn, QString::number(row.rowNumber), quoted(row.name)),
                     resultColour::kWarning);
    }
    appendResult(area,
                 QStringLiteral("\n") + wording.cross +
                     QStringLiteral("导入过程中出现错误，所有操作已回滚，未保存任何数据。"),
                 resultColour::kError);
    appendResult(area, QStringLiteral("  失败原因：%1 条数据写入数据库失败。").arg(result.failedRows.size()),
                 resultColour::kError);
    appendReason();
    appendResult(area, QStringLiteral("  请检查数据格式后重试。"), resultColour::kError);
}

QString fieldText(const CellValue& cell) {
    const QString text = cell.toText();
    return text.isNull() ? QLatin1String("") : text;
}

QString cellProblem(int column, const CellValue& cell, FieldKind kind) {
    const QString letter = columnLetter(column - 1);
    if (cell.isError())
        return QStringLiteral("第 %1 列为错误值：%2").arg(letter, quoted(cell.text));
    if (cell.hasNoResult() || (cell.hasEmptyResult() && kind == FieldKind::Needed))
        return QStringLiteral("第 %1 列为公式，没有计算结果").arg(letter);
    if (hasControl(cell.toText(), kind))
        return QStringLiteral("第 %1 列含有控制字符").arg(letter);
    return QString();
}

QString codeProblem(int column, const TemplateColumn& templateColumn, const CellValue& cell) {
    if (!templateColumn.text || cell.kind != CellValue::Kind::Number)
        return QString();
    QString what;
    if (losesDigits(cell.number))
        what = QStringLiteral("是超过 15 位的数字，已无法保存原有的数字");
    else if (cell.number != std::trunc(cell.number))
        what = QStringLiteral("是带小数的数字，不是编码");
    else
        return QString();
    return QStringLiteral("第 %1 列（%2）%3：请将该列设为文本格式，再重新输入")
        .arg(columnLetter(column - 1), templateColumn.title, what);
}

QString quoted(const QString& text) {
    return quotedText(text, quotedSpan(text, 0, text.size()));
}

} // namespace kestrovalin
