#pragma once

#include "core/rowreader.h"

#include <QString>

namespace kestrovalin {

class RowTableModel;

// A read that failed, in the user's words ("数据库文件已被其他程序替换，未能读取记录，请重新启动程序").
QString readFailureText(const ReadFailure& failure);

// What a list's line says instead of its count when the list could not be read: the rows shown are not all
// there is, and a count not finished is unknown. Empty while the list reads as it should.
QString listTroubleText(const RowTableModel& model);

} // namespace kestrovalin
