#include "spreadsheet/sheetdata.h"

#include <algorithm>
#include <cstring>

namespace kestrovalin {

namespace {

const QString kLeapDayText = QStringLiteral("1900-02-29");

} // namespace

bool SheetData::before(const Slot& a, const Slot& b) {
    return a.row < b.row || (a.row == b.row && a.column < b.column);
}

bool SheetData::hasSideEntry(const Slot& slot) {
    switch (CellValue::Kind(slot.kind)) {
    case CellValue::Kind::Text:
    case CellValue::Kind::Error:
    case CellValue::Kind::Date:
        return true;
    default:
        return false;
    }
}

void SheetData::put(int row, int column, const CellValue& value) {
    if (value.isEmpty())
        return;
    if ((value.kind == CellValue::Kind::Text || value.kind == CellValue::Kind::Error) &&
        value.text.size() > kMaxCellText) {
        m_overlong = true;
        return;
    }
    m_lastRow = qMax(m_lastRow, row);
    m_lastColumn = qMax(m_lastColumn, column);
    if (column > m_maxColumn)
        return;
    Slot slot{row, quint16(column), quint8(value.kind), 0, 0};
    switch (value.kind) {
    case CellValue::Kind::Empty:
        return;
    case CellValue::Kind::NoResult:
    case CellValue::Kind::EmptyResult:
        break;
    case CellValue::Kind::Number:
        std::memcpy(&slot.value, &value.number, sizeof value.number);
        break;
    case CellValue::Kind::Bool:
        slot.flag = value.boolean;
        break;
    case CellValue::Kind::Text:
    case CellValue::Kind::Error:
        slot.value = m_texts.size();
        m_texts.append(value.text);
        break;
    case CellValue::Kind::Date:
        slot.value = qint64(m_dates.size());
        slot.flag = !value.date.isValid() && value.text == kLeapDayText;
        m_dates.push_back({value.number, value.date.toJulianDay(),
                           value.time.isValid() ? value.time.msecsSinceStartOfDay() : -1});
        break;
    }
    m_indexed = false;
    if (m_sorted > 0 && !before(m_slots[m_sorted - 1], slot)) {
        // Within the ordered run a cell seen before is replaced where it stands; repeated rows mostly
        // repeat the cell after the one replaced last.
        const auto end = m_slots.begin() + qint64(m_sorted);
        auto it = m_slots.begin() + qint64(qMin(m_replaced + 1, m_sorted - 1));
        if (it->row != row || it->column != column)
            it = std::lower_bound(m_slots.begin(), end, slot, before);
        if (it != end && it->row == row && it->column == column) {
            m_replaced = size_t(it - m_slots.begin());
            if (hasSideEntry(*it))
                ++m_orphans;
            *it = slot;
            if (m_orphans >= kMinCompaction && 2 * m_orphans > size_t(m_texts.size()) + m_dates.size())
                compact();
            return;
        }
    }
    const bool inOrder = m_slots.empty() || before(m_slots.back(), slot);
    m_slots.push_back(slot);
    if (inOrder && m_sorted + 1 == m_slots.size())
        m_sorted = m_slots.size();
    else if (m_slots.size() >= m_compactAt)
        compact();
}

void SheetData::compact() const {
    if (m_sorted < m_slots.size()) {
        // Stable, so of a cell put more than once the last value comes last.
        std::stable_sort(m_slots.begin() + qint64(m_sorted), m_slots.end(), before);
        std::inplace_merge(m_slots.begin(), m_slots.begin() + qint64(m_sorted), m_slots.end(), before);
    }
    QVector<QString> texts;
    std::vector<DateSlot> dates;
    size_t kept = 0;
    for (size_t i = 0; i < m_slots.size(); ++i) {
        const Slot& slot = m_slots[i];
        if (i + 1 < m_slots.size() && m_slots[i + 1].row == slot.row && m_slots[i + 1].column == slot.column)
            continue; // a later value of the same cell follows
        Slot& out = m_slots[kept++];
        out = slot;
        switch (CellValue::Kind(slot.kind)) {
        case CellValue::Kind::Text:
        case CellValue::Kind::Error:
            texts.append(m_texts.at(int(out.value)));
            out.value = texts.size() - 1;
            break;
        case CellValue::Kind::Date:
            dates.push_back(m_dates[size_t(out.value)]);
            out.value = qint64(dates.size()) - 1;
            break;
        default:
            break;
        }
    }
    m_slots.resize(kept);
    m_texts.swap(texts);
    m_dates.swap(dates);
    m_sorted = kept;
    m_orphans = 0;
    m_indexed = false;
    // Room up to the next compaction and no more, so the slots stay within twice the distinct cells.
    m_compactAt = qMax(kMinCompaction, 2 * kept);
    m_slots.reserve(m_compactAt);
}

void SheetData::index() const {
    if (m_sorted < m_slots.size())
        compact();
    m_rowStart.assign(size_t(m_lastRow) + 2, 0);
    size_t s = 0;
    for (int r = 1; r <= m_lastRow + 1; ++r) {
        while (s < m_slots.size() && m_slots[s].row < r)
            ++s;
        m_rowStart[size_t(r)] = qint32(s);
    }
    m_indexed = true;
}

CellValue SheetData::cell(int row, int column) const {
    if (row < 1 || row > m_lastRow || column < 1 || column > m_maxColumn)
        return CellValue();
    if (!m_indexed)
        index();
    const auto first = m_slots.cbegin() + m_rowStart[size_t(row)];
    const auto last = m_slots.cbegin() + m_rowStart[size_t(row) + 1];
    // The last of equal cells is the value put last.
    const auto it =
        std::upper_bound(first, last, column, [](int c, const Slot& slot) { return c < slot.column; });
    if (it == first || (it - 1)->column != column)
        return CellValue();
    return unpack(*(it - 1));
}

CellValue SheetData::unpack(const Slot& slot) const {
    switch (CellValue::Kind(slot.kind)) {
    case CellValue::Kind::Empty:
        break;
    case CellValue::Kind::Number: {
        double number = 0;
        std::memcpy(&number, &slot.value, sizeof number);
        return CellValue::makeNumber(number);
    }
    case CellValue::Kind::Bool:
        return CellValue::makeBool(slot.flag != 0);
    case CellValue::Kind::NoResult:
        return CellValue::makeNoResult();
    case CellValue::Kind::EmptyResult:
        return CellValue::makeEmptyResult();
    case CellValue::Kind::Text:
        return CellValue::makeText(m_texts.at(int(slot.value)));
    case CellValue::Kind::Error:
        return CellValue::makeError(m_texts.at(int(slot.value)));
    case CellValue::Kind::Date: {
        const DateSlot& d = m_dates[size_t(slot.value)];
        CellValue cell =
            CellValue::makeDate(QDate::fromJulianDay(d.julianDay),
                                d.msecs < 0 ? QTime() : QTime::fromMSecsSinceStartOfDay(d.msecs));
        if (slot.flag)
            cell.text = kLeapDayText;
        cell.number = d.number;
        return cell;
    }
    }
    return CellValue();
}

} // namespace kestrovalin
