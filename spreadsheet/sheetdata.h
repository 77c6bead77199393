#pragma once

#include "spreadsheet/cellvalue.h"

#include <QString>
#include <QVector>

#include <functional>
#include <vector>

namespace kestrovalin {

// Why a back end refused a file, where the user is told in a line of its own; None for any other damage.
enum class SheetRefusal { None, FileSize, Content, StringTable, CellText, Zip64, NoWorkbook };

// The cells of one worksheet as a back end streams them in. The used range is computed from the cells that
// hold a value, whatever the file claims; only columns up to the limit are kept. Cells are kept in 16 bytes
// each (texts and dates in side tables) and turned back into CellValues when asked for.
class SheetData {
public:
    static constexpr int kMaxRows = 1048576;
    static constexpr int kMaxColumns = 16384;
    // The spreadsheet programs' own limit for one cell; a longer text is a damaged file.
    static constexpr int kMaxCellText = 32767;
    // Bounds of the kind spreadsheet programs keep for a workbook's styles; beyond them a file is refused.
    static constexpr int kMaxFormatCode = 255;        // characters of one number format code
    static constexpr int kMaxNumberFormats = 65536;   // number format definitions
    static constexpr int kMaxCellFormats = 65536;     // cell formats (XF indexes are 16-bit)
    static constexpr int kMaxSharedStrings = 2000000; // entries of a string table

    explicit SheetData(int maxColumn = 0) : m_maxColumn(maxColumn > 0 ? maxColumn : kMaxColumns) {}

    // 1-based row and column, both within the sheet limits. A later value for the same cell replaces the
    // earlier one. A text longer than kMaxCellText is not kept; hasOverlongText() tells.
    void put(int row, int column, const CellValue& value);
    CellValue cell(int row, int column) const;
    int lastRow() const { return m_lastRow; }
    int lastColumn() const { return m_lastColumn; }
    bool hasOverlongText() const { return m_overlong; }
    // What the store holds: slots plus their side-table entries (texts, dates), replaced ones included
    // until the next compaction.
    qint64 storedEntries() const { return qint64(m_slots.size()) + m_texts.size() + qint64(m_dates.size()); }

    // Called now and then while a back end streams rows, so a busy indicator can repaint.
    std::function<void()> progress;
    // Set by a back end that refuses the file for one of these reasons.
    SheetRefusal refusal = SheetRefusal::None;

private:
    struct Slot {
        qint32 row;
        quint16 column;
        quint8 kind;
        quint8 flag;  // Bool: the value; Date: kept with its serial's text (the fictitious 1900-02-29)
        qint64 value; // Number: the double's bits; Text, Error: index in m_texts; Date: index in m_dates
    };
    struct DateSlot {
        double number;
        qint64 julianDay; // as QDate gives it, also for an invalid date
        qint32 msecs;     // -1 without a time of day
    };

    static bool before(const Slot& a, const Slot& b); // by row, then column
    static bool hasSideEntry(const Slot& slot);       // a text or date in a side table
    // Sorts the slots and indexes the rows.
    void index() const;
    // Sorts, keeps only the last value of each cell and drops the texts and dates nothing refers to any
    // more, so repeated cells cost no more than about twice the distinct ones.
    void compact() const;
    CellValue unpack(const Slot& slot) const;

    int m_maxColumn;
    int m_lastRow = 0;
    int m_lastColumn = 0;
    bool m_overlong = false;
    mutable bool m_indexed = false; // m_rowStart matches the slots
    static constexpr size_t kMinCompaction = 4096;
    // The slots up to m_sorted are in row and column order, each cell once; those after it came out of
    // order and are merged in when they have grown to m_compactAt.
    mutable size_t m_sorted = 0;
    mutable size_t m_compactAt = kMinCompaction;
    mutable size_t m_orphans = 0; // side-table entries of replaced slots
    size_t m_replaced = 0;        // the slot a value replaced last
    mutable std::vector<Slot> m_slots;
    mutable std::vector<qint32> m_rowStart; // first slot of each row, lastRow + 2 entries
    mutable QVector<QString> m_texts;
    mutable std::vector<DateSlot> m_dates;
};

// Calls a sheet's progress callback every `every` steps of a back end's long loops, so a busy box keeps
// painting. A step is one cell, record, entry or the like; bytes count as steps in proportion.
class Progress {
public:
    Progress(const std::function<void()>& callback, int every) : m_callback(callback), m_every(every) {}
    void step(qint64 count = 1) {
        const qint64 before = m_steps / m_every;
        m_steps += count;
        if (m_steps / m_every != before && m_callback)
            m_callback();
    }

private:
    const std::function<void()>& m_callback;
    qint64 m_every;
    qint64 m_steps = 0;
};

// What a back end makes of a file; the reader turns it into the user's words.
enum class SheetStatus { Ok, Unreadable, NoSheet, EmptySheet, Encrypted };

// Back ends: the first sheet of the workbook into `sheet`; `detail` says in English what went wrong.
SheetStatus readXlsxFirstSheet(const QString& path, SheetData& sheet, QString& detail);
SheetStatus readXlsFirstSheet(const QString& path, SheetData& sheet, QString& detail);

} // namespace kestrovalin
