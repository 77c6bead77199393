#include "spreadsheet/cellvalue.h"

#include <QLocale>

#include <cmath>

namespace kestrovalin {

namespace {

constexpr qint64 kSecondsPerDay = 86400;
// 9999-12-31 in the 1900 system; a bigger serial is no date a spreadsheet can show.
constexpr double kLastSerial = 2958465.0;
// Integral doubles below this print exactly as digits.
constexpr double kExactIntegerLimit = 1e18;

} // namespace

QString numberText(double value) {
    if (value == 0)
        return QStringLiteral("0"); // also for -0
    if (std::isfinite(value) && value == std::floor(value) && std::fabs(value) < kExactIntegerLimit)
        return QString::number(static_cast<qint64>(value));
    return QString::number(value, 'g', QLocale::FloatingPointShortest);
}

bool isBuiltInDateFormat(int id) {
    return (id >= 14 && id <= 22) || (id >= 27 && id <= 36) || (id >= 45 && id <= 47) ||
           (id >= 50 && id <= 58);
}

// A format shows a date or time when it has y, m, d or h outside quoted text, brackets ([Red], [$-804])
// and escaped characters.
bool isDateFormatCode(const QString& code) {
    bool quoted = false;
    for (int i = 0; i < code.size(); ++i) {
        const QChar c = code.at(i);
        if (quoted) {
            quoted = c != QLatin1Char('"');
            continue;
        }
        switch (c.unicode()) {
        case '"':
            quoted = true;
            break;
        case '\\':
        case '_':
        case '*':
            ++i;
            break;
        case '[': {
            const int close = code.indexOf(QLatin1Char(']'), i);
            if (close < 0)
                return false;
            i = close;
            break;
        }
        case 'y':
        case 'Y':
        case 'm':
        case 'M':
        case 'd':
        case 'D':
        case 'h':
        case 'H':
            return true;
        default:
            break;
        }
    }
    return false;
}

QString columnLetter(int zeroBasedColumn) {
    QString letters;
    for (int n = zeroBasedColumn + 1; n > 0; n = (n - 1) / 26)
        letters.prepend(QLatin1Char(char('A' + (n - 1) % 26)));
    return letters;
}

QString CellValue::toText() const {
    switch (kind) {
    case Kind::Empty:
    case Kind::NoResult:
    case Kind::EmptyResult:
        return QString();
    case Kind::Number:
        return numberText(number);
    case Kind::Bool:
        return boolean ? QStringLiteral("true") : QStringLiteral("false");
    case Kind::Text:
    case Kind::Date:
    case Kind::Error:
        break;
    }
    return text.trimmed();
}

CellValue CellValue::makeText(const QString& value) {
    CellValue cell;
    if (!value.isEmpty()) {
        cell.kind = Kind::Text;
        cell.text = value;
    }
    return cell;
}

CellValue CellValue::makeNumber(double value) {
    CellValue cell;
    cell.kind = Kind::Number;
    cell.number = value;
    return cell;
}

CellValue CellValue::makeBool(bool value) {
    CellValue cell;
    cell.kind = Kind::Bool;
    cell.boolean = value;
    return cell;
}

CellValue CellValue::makeError(const QString& value) {
    CellValue cell;
    cell.kind = Kind::Error;
    cell.text = value.isEmpty() ? QStringLiteral("#VALUE!") : value;
    return cell;
}

CellValue CellValue::makeNoResult() {
    CellValue cell;
    cell.kind = Kind::NoResult;
    return cell;
}

CellValue CellValue::makeEmptyResult() {
    CellValue cell;
    cell.kind = Kind::EmptyResult;
    return cell;
}

CellValue CellValue::formulaResult(const CellValue& result) {
    if (result.isEmpty() || (result.kind == Kind::Text && result.text.trimmed().isEmpty()))
        return makeEmptyResult();
    return result;
}

CellValue CellValue::fromBoolCode(int code) {
    if (code == 0 || code == 1)
        return makeBool(code == 1);
    return makeError(QStringLiteral("#VALUE!"));
}

CellValue CellValue::makeDate(const QDate& date, const QTime& time) {
    CellValue cell;
    cell.kind = Kind::Date;
    cell.date = date;
    cell.time = time;
    cell.text = date.toString(QStringLiteral("yyyy-MM-dd"));
    return cell;
}

CellValue CellValue::fromSerial(double serial, bool date1904) {
    // Below day 1 a serial is a time of day (or nothing): the workbook shows no date for it, and reading
    // it as the day before day 1 would make a licence long expired.
    if (!std::isfinite(serial) || serial < 1 || serial > kLastSerial)
        return makeNumber(serial);
    // Rounded to the second first, so 0.9999999 of a day is the next midnight.
    const qint64 total = std::llround(serial * kSecondsPerDay);
    const qint64 day = total / kSecondsPerDay;
    const QTime time = QTime(0, 0).addSecs(int(total % kSecondsPerDay));
    CellValue cell;
    if (date1904) {
        cell = makeDate(QDate(1904, 1, 1).addDays(day), time);
    } else if (day == 60) {
        // The 1900 system counts a 29 February 1900 that never was.
        cell = makeDate(QDate(), time);
        cell.text = QStringLiteral("1900-02-29");
    } else {
        cell = makeDate(QDate(1899, 12, day < 60 ? 31 : 30).addDays(day), time);
    }
    if (cell.date.isValid() && cell.date.year() > 9999)
        return makeNumber(serial);
    cell.number = serial;
    return cell;
}

} // namespace kestrovalin
