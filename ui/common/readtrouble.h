#pragma once

#include "core/rowreader.h"

#include <QString>

class QLabel;
class QWidget;

namespace kestrovalin {

class RowTableModel;

// A read that failed, in the user's words ("数据库文件已被其他程序替换，未能读取记录，请重新启动程序").
QString readFailureText(const ReadFailure& failure);

// What a list's line says instead of its count when the list could not be read: the rows shown are not all
// there is, and a count not finished is unknown. Empty while the list reads as it should.
QString listTroubleText(const RowTableModel& model);

// What a list's count line says while a paged list is being counted.
QString countingText();

// Whether a read seen by read failed; a box over parent then says so, headed by what could not be read
// ("未能读取入库单"), with why on the next line. A window that read one record or its lines that way opens
// nothing of them: blank or missing lines would pass for the record.
bool couldNotRead(QWidget* parent, const QString& headline, const ReadWatch& read);

// Puts a list's line on label: why the list could not be read, in the warning colour, or else text (the
// count; empty while it is still being taken) in the look normalSheet gives.
void showListLine(QLabel* label, const RowTableModel& model, const QString& text,
                  const QString& normalSheet = QString());

// Whether the row is one the list shows but could not read: it holds no record, so a box over parent says
// that the chosen record could not be read, and why, and nothing may act on it.
bool refusedUnreadRow(QWidget* parent, const RowTableModel* model, int row);

} // namespace kestrovalin
