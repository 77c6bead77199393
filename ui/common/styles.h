#pragma once

#include <QString>
#include <QStringList>

namespace kestrovalin {

// The program's colours, each named once.
namespace colours {
inline constexpr char accent[] = "#2c5f2d";          // titles, primary buttons
inline constexpr char accentBorder[] = "#1e4a1f";    // primary button border, darker hover
inline constexpr char accentHover[] = "#3a7a3b";     // primary button hover
inline constexpr char focusBorder[] = "#4a90d9";     // focused field
inline constexpr char panelBorder[] = "#d0d0d0";     // group boxes, tables, header sections
inline constexpr char fieldBorder[] = "#c0c0c0";     // fields, secondary buttons
inline constexpr char buttonFace[] = "#f5f5f5";      // secondary buttons, read-only fields
inline constexpr char buttonHover[] = "#e8e8e8";     // secondary button hover
inline constexpr char grid[] = "#e8e8e8";            // list table grid
inline constexpr char gridStrong[] = "#e0e0e0";      // grid of the user and report tables
inline constexpr char headerFace[] = "#f0f4f0";      // header sections
inline constexpr char alternateRow[] = "#f5f9f5";    // alternate rows where a window sets them
inline constexpr char mutedText[] = "#666666";       // row count labels
inline constexpr char reportField[] = "#ccc";        // report window fields
inline constexpr char reportButton[] = "#bbb";       // report window buttons
inline constexpr char reportTable[] = "#ddd";        // report window table and header sections
inline constexpr char defaultRowShade[] = "#c8ffc8"; // the default retail customer's row
inline constexpr char enabledStatus[] = "#009900";   // an enabled account's status text
inline constexpr char disabledStatus[] = "#FF0000";  // a disabled account's status text
} // namespace colours

// The list-window family: bold group boxes with green titles, framed fields, primary buttons in the accent
// colour and secondary buttons in light grey (windows name which of their buttons take which look), framed
// tables with bold header sections.
struct ListSheet {
    QStringList primaryButtons;
    QStringList secondaryButtons;
    int groupPaddingTop = 14;
    // Framed combo boxes and date edits, for windows that filter by them.
    bool filterFieldRules = false;
    // Windows whose lists are all QTableWidgets leave out the rule for plain table views.
    bool tableViewRule = true;
    // Table views framed by object name, for windows whose date fields pop up calendars: those are table
    // views too and keep their own look.
    QStringList namedTables;
};
QString listWindowStyleSheet(const ListSheet& sheet);
QString listWindowStyleSheet(const QStringList& primaryButtons, const QStringList& secondaryButtons,
                             bool tableViewRule = true);

// The user administration window's member of the list family: green-bordered group boxes, light grey
// buttons but for the search button, and a table with its own alternate row colour.
QString userAdminStyleSheet();

// The form family (the user dialog): bold group boxes, framed fields, read-only fields greyed.
QString formStyleSheet();

// The report-window family shared by the record books.
QString reportWindowStyleSheet();

// A row count label under or beside a list ("共 %1 条记录").
QString countLabelStyleSheet();

// One button in the accent colour, set on the button itself.
QString accentButtonStyleSheet();

// The plain framed buttons of dialogs and message boxes, set on each button.
QString framedButtonStyleSheet();

} // namespace kestrovalin
