#pragma once

#include <QDate>
#include <QString>
#include <QTime>

namespace kestrovalin {

// One cell of a worksheet as the import dialogs see it.
struct CellValue {
    // NoResult: a formula saved without its calculated value; what it shows is unknown, never empty.
    // EmptyResult: a formula whose saved result is an empty text. Writers that cannot calculate save every
    // formula so, so it is no value where one is needed; an optional text field takes it as empty.
    enum class Kind { Empty, Text, Number, Bool, Date, Error, NoResult, EmptyResult };

    Kind kind = Kind::Empty;
    QString text;      // Text as stored (untrimmed); Error "#N/A" and the like; Date "yyyy-MM-dd"
    double number = 0; // Number; for a Date from a serial, the serial
    bool boolean = false;
    QDate date; // Date; invalid for the serial of the fictitious 1900-02-29
    QTime time; // Date: the time of day, when it has one

    bool isEmpty() const { return kind == Kind::Empty; }
    bool isError() const { return kind == Kind::Error; }
    bool hasNoResult() const { return kind == Kind::NoResult; }
    bool hasEmptyResult() const { return kind == Kind::EmptyResult; }

    // The cell read as a text field: trimmed text; integral numbers as plain digits (6901234567890), others
    // as the shortest decimal that reads back the same; "true"/"false"; a date as "yyyy-MM-dd"; an error's
    // text; nothing for a formula without its result or with an empty one.
    QString toText() const;

    static CellValue makeText(const QString& text);
    static CellValue makeNumber(double number);
    static CellValue makeBool(bool value);
    static CellValue makeError(const QString& text);
    static CellValue makeNoResult();
    static CellValue makeEmptyResult();
    // A formula's saved result: a text result that is blank is an empty result.
    static CellValue formulaResult(const CellValue& result);
    // 0 and 1 are the booleans a file can hold; any other value is #VALUE!.
    static CellValue fromBoolCode(int code);
    static CellValue makeDate(const QDate& date, const QTime& time = QTime());
    // A date-formatted number: day 1 is 1900-01-01 (serial 60 the fictitious 1900-02-29), or 1904-01-02 in
    // the 1904 system. Serials outside the calendar, and those below 1 (a time of day only), stay numbers.
    static CellValue fromSerial(double serial, bool date1904);
};

// Digits for an integral value, the shortest round-trip decimal otherwise.
QString numberText(double value);

// Number formats that show a date or time: built-in ids (also the CJK ones), and custom format codes.
bool isBuiltInDateFormat(int id);
bool isDateFormatCode(const QString& code);

// 0 gives "A", 25 "Z", 26 "AA".
QString columnLetter(int zeroBasedColumn);

} // namespace kestrovalin
