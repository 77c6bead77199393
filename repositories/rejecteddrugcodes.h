#pragma once

#include <QString>
#include <QVector>

namespace kestrovalin::rejected {

// The codes a non-conforming drug record stores and the labels every window shows for them. Codes are
// compared exactly (case-sensitive); a code outside a list is shown as stored, without colour.

inline constexpr char kPending[] = "pending";
inline constexpr char kConfirmed[] = "confirmed";
inline constexpr char kProcessed[] = "processed";
// The status filters' code for "any status"; never stored.
inline constexpr char kAllStatuses[] = "all";

struct CodeLabel {
    QString code;
    QString label;
};

// Reasons in the order the registration dialog offers them; the first is preselected.
const QVector<CodeLabel>& reasons();
// Process types in the order the process choice offers them.
const QVector<CodeLabel>& processTypes();
// The status filter's items: "全部" (kAllStatuses), then the three statuses.
const QVector<CodeLabel>& statusFilters();

// Unknown codes come back as stored.
QString reasonLabel(const QString& code);
QString statusLabel(const QString& code);
// An empty process type shows "-".
QString processTypeLabel(const QString& code);
// "#FF8C00" pending, "#0066CC" confirmed, "#009900" processed; empty for any other code.
QString statusColour(const QString& code);

// A status filter's label to its code; any other text gives an empty code (no status condition).
QString statusFilterCode(const QString& label);
// A process type's label to its code; empty for any other text.
QString processTypeCode(const QString& label);

// Destroyed, returned to the supplier or written off: the goods leave the set-aside stock. A recheck (or any
// other code) keeps them set aside.
bool processTakesStock(const QString& processType);

} // namespace kestrovalin::rejected
