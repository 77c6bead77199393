#pragma once

#include <QString>
#include <QStringList>

namespace kestrovalin {

// The list-window style sheet family: green group-box titles, primary buttons in the accent colour and
// secondary buttons in light grey. Windows name which of their buttons take which look. Windows whose lists
// are all QTableWidgets can leave out the rule for plain table views.
QString listWindowStyleSheet(const QStringList& primaryButtons, const QStringList& secondaryButtons,
                             bool tableViewRule = true);

} // namespace kestrovalin
