#pragma once

#include <QString>
#include <QStringList>

class QColor;

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
inline constexpr char bodyText[] = "#333333";        // labels of the import dialogs
inline constexpr char importFace[] = "#f5f7fa";      // import dialog background
inline constexpr char importField[] = "#fafafa";     // import dialog fields and result area
inline constexpr char importButton[] = "#4a9c7c";    // import dialog buttons, focused field border
inline constexpr char importHover[] = "#3d8568";     // import dialog button hover
inline constexpr char importTitle[] = "#2d7d5f";     // import dialog section titles, pressed buttons
inline constexpr char disabledFace[] = "#a0a0a0";    // a disabled import button
inline constexpr char disabledText[] = "#d0d0d0";    // a disabled import button's label
inline constexpr char closeButton[] = "#6c757d";     // the import dialogs' Close button
inline constexpr char closeHover[] = "#5a6268";      // its hover
inline constexpr char dashboardGood[] = "#2e7d32";  // active overview tab, figures needing nothing, a reading
inline constexpr char dashboardAlert[] = "#d32f2f"; // figures needing action, a missing reading
inline constexpr char tabFace[] = "#e8f5e9";        // inactive overview tab
inline constexpr char tabBorder[] = "#c8e6c9";      // inactive overview tab border
inline constexpr char onAccent[] = "#ffffff";       // text on the active overview tab
// A check item's verdict: passed in the enabled-status green, failed in the disabled-status red.
inline constexpr const char* verdictPassed = enabledStatus;
inline constexpr const char* verdictFailed = disabledStatus;
// The line of a list that could not be read, in the alert red so that it is not taken for a count.
inline constexpr const char* troubleText = dashboardAlert;
} // namespace colours

// The list-window family: bold group boxes with green titles, framed fields, primary buttons in the accent
// colour and secondary buttons in light grey (windows name which of their buttons take which look), framed
// tables with bold header sections.
struct ListSheet {
    QStringList primaryButtons;
    QStringList secondaryButtons;
    // A second group of secondary buttons with a rule pair of its own, after the first group's.
    QStringList moreSecondaryButtons;
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

// The report-window family: green-bordered group boxes with bold green titles, framed fields, light grey
// buttons but for the primary ones in the accent colour, framed tables with alternate rows.
struct ReportSheet {
    QStringList fields;         // type selectors of the framed inputs ("QLineEdit", "QComboBox", ...)
    QStringList focusFields;    // those of them that show the focus border
    QStringList primaryButtons; // object names
    QStringList primaryHover;   // object names of the primary buttons that darken under the mouse
    QString tableClass = QStringLiteral("QTableView"); // also matches QTableWidget
};
QString reportFamilyStyleSheet(const ReportSheet& sheet);
// The record books (their query button is btnQuery).
QString reportWindowStyleSheet();
// The maintenance window: framed month combo, btnSearch primary.
QString maintenanceWindowStyleSheet();
// The temperature and humidity record window: framed date, time and number inputs; btnSearch, btnSave and
// btnShowAbnormal primary.
QString tempHumidityRecordStyleSheet();
// The same family for a window whose one accent button (darker on hover) and list table class differ.
QString reportWindowStyleSheet(const QString& accentButton, const QString& tableClass);
// The same family with other buttons in the accent colour (and darker on hover) and the table rule for the
// given class: the near-expiry window's own sheet.
QString reportWindowStyleSheet(const QStringList& accentButtons, const QStringList& accentHoverButtons,
                               const QString& tableClass);

// A row count label under or beside a list ("共 %1 条记录").
QString countLabelStyleSheet();
// That line, or the line under a picker's list, when the list could not be read: in the warning colour, so
// that it is not taken for a count.
QString readTroubleStyleSheet();
// A bold verdict label of a detail dialog, green when passed and red when not.
QString verdictLabelStyleSheet(bool passed);
// A small grey hint beside a field ("最多可登记 ...").
QString hintLabelStyleSheet();
// A button set on its own with a little more room than the family's buttons.
QString roomyButtonStyleSheet();

// One button in the accent colour, set on the button itself.
QString accentButtonStyleSheet();

// The plain framed buttons of dialogs and message boxes, set on each button.
QString framedButtonStyleSheet();

// The product and supplier import dialogs: light face, rounded green buttons, framed fields.
QString importDialogStyleSheet();

// A status value in its colour and bold, set on the label.
QString statusValueStyleSheet(const QColor& colour);

// The main window's overview: a period tab, a warning figure (alert when it needs action) and the line on
// today's temperature and humidity reading.
QString dashboardTabStyleSheet(bool active);
QString dashboardFigureStyleSheet(bool alert);
QString temperatureStatusStyleSheet(bool recorded);
// A line of the main window's bottom bar that needs action: a missing reading, data on a network share.
QString statusAlertStyleSheet();

} // namespace kestrovalin
