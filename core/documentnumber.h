#pragma once

#include <QString>

namespace kestrovalin {

class IDbAdapter;

// Numbers of the document series that count per day: prefix + local date "yyyyMMdd" + sequence, e.g.
// "SAL202603010007". The sequence is one above the highest sequence among that day's numbers of the same
// prefix already in table.column (gaps and deleted rows never bring a number back), zero-padded to at least
// four digits and never cut ("...9999" is followed by "...10000"). A number counts only when it is exactly
// prefix + date + digits, so "PR" ignores "PRX..." numbers. The date comes from Clock.
//
// Call it inside the transaction that writes the document, so no other write can take the same number
// between the look-up and the insert. Returns an empty string when the look-up fails (or table/column are
// not plain SQL names); the caller's write must then fail.
//
//     const QString orderNo = nextDocumentNumber(db, "SAL", "sales_order", "order_no");
QString nextDocumentNumber(IDbAdapter* db, const QString& prefix, const QString& table,
                           const QString& column);

} // namespace kestrovalin
