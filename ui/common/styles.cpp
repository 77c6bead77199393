#include "ui/common/styles.h"

#include <QColor>

namespace kestrovalin {

namespace {

QString c(const char* colour) {
    return QLatin1String(colour);
}

QString rule(const QString& selectors, const QString& declarations) {
    return selectors + QStringLiteral(" { ") + declarations + QStringLiteral(" }");
}

QString buttons(const QStringList& ids, const QString& state = QString()) {
    QStringList parts;
    for (const QString& id : ids)
        parts.append(QStringLiteral("QPushButton#") + id + state);
    return parts.join(QStringLiteral(", "));
}

QString groupBox(const char* border, int radius, int paddingTop) {
    return rule(QStringLiteral("QGroupBox"),
                QStringLiteral(
                    "font-weight: bold; border: 1px solid %1; border-radius: %2px; margin-top: 10px; "
                    "padding-top: %3px;")
                    .arg(c(border))
                    .arg(radius)
                    .arg(paddingTop)) +
           rule(QStringLiteral("QGroupBox::title"),
                QStringLiteral("subcontrol-origin: margin; left: 10px; padding: 0 5px; color: %1;")
                    .arg(c(colours::accent)));
}

QString framedField(const QString& selector, const QString& padding) {
    return rule(selector, QStringLiteral("padding: %1; border: 1px solid %2; border-radius: 3px;")
                              .arg(padding, c(colours::fieldBorder)));
}

QString focused(const QString& selector) {
    return rule(selector + QStringLiteral(":focus"),
                QStringLiteral("border-color: %1;").arg(c(colours::focusBorder)));
}

QString lineEdits() {
    return framedField(QStringLiteral("QLineEdit"), QStringLiteral("4px 6px")) +
           focused(QStringLiteral("QLineEdit"));
}

QString background(const char* colour) {
    return QStringLiteral("background-color: %1;").arg(c(colour));
}

QString accentFace() {
    return QStringLiteral("background-color: %1; color: white; border: 1px solid %2; font-weight: bold;")
        .arg(c(colours::accent), c(colours::accentBorder));
}

QString greyFace() {
    return QStringLiteral("background-color: %1; border: 1px solid %2;")
        .arg(c(colours::buttonFace), c(colours::fieldBorder));
}

QString primaryButtons(const QStringList& ids, const char* hover) {
    return rule(buttons(ids), accentFace()) + rule(buttons(ids, QStringLiteral(":hover")), background(hover));
}

QString tableRule(const QString& selector, const char* grid, const QString& more = QString()) {
    return rule(selector, QStringLiteral("border: 1px solid %1; gridline-color: %2;%3")
                              .arg(c(colours::panelBorder), c(grid), more));
}

QString headerSections() {
    return rule(QStringLiteral("QHeaderView::section"),
                QStringLiteral("background-color: %1; padding: 6px; border: 1px solid %2; font-weight: bold;")
                    .arg(c(colours::headerFace), c(colours::panelBorder)));
}

// A spin box under a style sheet may be drawn by the sheet, and some styles (Fusion, once the box is framed)
// then leave its buttons blank: the buttons and their arrows are drawn here, so every style shows where to
// click. Date edits keep their calendar button.
QString spinButtons() {
    const QStringList boxes{QStringLiteral("QSpinBox"), QStringLiteral("QDoubleSpinBox"),
                            QStringLiteral("QTimeEdit")};
    const auto each = [&boxes](const QString& part) {
        QStringList selectors;
        for (const QString& box : boxes)
            selectors.append(box + part);
        return selectors.join(QStringLiteral(", "));
    };
    // Framed like the fields around them: a sheet that draws the buttons draws no native frame.
    const QString box = QStringLiteral("border: 1px solid %1; border-radius: 3px; padding: 2px 4px;")
                            .arg(c(colours::fieldBorder));
    const QString button =
        QStringLiteral("subcontrol-origin: padding; width: 16px; border-left: 1px solid %1; "
                       "background-color: %2;")
            .arg(c(colours::fieldBorder), c(colours::buttonFace));
    const QString arrow = QStringLiteral("image: url(:/spin-%1.png); width: 9px; height: 5px;");
    return rule(each(QString()), box) +
           rule(each(QStringLiteral("::up-button")),
                button + QStringLiteral(" subcontrol-position: top right;")) +
           rule(each(QStringLiteral("::down-button")),
                button + QStringLiteral(" subcontrol-position: bottom right;")) +
           rule(each(QStringLiteral("::up-button:hover")) + QStringLiteral(", ") +
                    each(QStringLiteral("::down-button:hover")),
                background(colours::buttonHover)) +
           rule(each(QStringLiteral("::up-arrow")), arrow.arg(QStringLiteral("up"))) +
           rule(each(QStringLiteral("::down-arrow")), arrow.arg(QStringLiteral("down"))) +
           // Greyed at the end of the range and on a disabled box.
           rule(each(QStringLiteral("::up-arrow:disabled")) + QStringLiteral(", ") +
                    each(QStringLiteral("::up-arrow:off")),
                arrow.arg(QStringLiteral("up-off"))) +
           rule(each(QStringLiteral("::down-arrow:disabled")) + QStringLiteral(", ") +
                    each(QStringLiteral("::down-arrow:off")),
                arrow.arg(QStringLiteral("down-off")));
}

} // namespace

QString listWindowStyleSheet(const ListSheet& sheet) {
    QString out = spinButtons() + groupBox(colours::panelBorder, 5, sheet.groupPaddingTop) + lineEdits();
    if (sheet.filterFieldRules) {
        out += framedField(QStringLiteral("QComboBox"), QStringLiteral("3px 6px")) +
               framedField(QStringLiteral("QDateEdit"), QStringLiteral("3px 6px")) +
               focused(QStringLiteral("QDateEdit"));
    }
    out += rule(QStringLiteral("QPushButton"), QStringLiteral("padding: 5px 16px; border-radius: 3px;"));
    if (!sheet.primaryButtons.isEmpty())
        out += primaryButtons(sheet.primaryButtons, colours::accentHover);
    for (const QStringList* group : {&sheet.secondaryButtons, &sheet.moreSecondaryButtons}) {
        if (!group->isEmpty())
            out += rule(buttons(*group), greyFace()) +
                   rule(buttons(*group, QStringLiteral(":hover")), background(colours::buttonHover));
    }
    out += tableRule(QStringLiteral("QTableWidget"), colours::grid);
    if (sheet.tableViewRule)
        out += tableRule(QStringLiteral("QTableView"), colours::grid);
    for (const QString& name : sheet.namedTables)
        out += tableRule(QStringLiteral("QTableView#") + name, colours::grid);
    return out + headerSections();
}

QString listWindowStyleSheet(const QStringList& primaryButtons, const QStringList& secondaryButtons,
                             bool tableViewRule) {
    ListSheet sheet;
    sheet.primaryButtons = primaryButtons;
    sheet.secondaryButtons = secondaryButtons;
    sheet.tableViewRule = tableViewRule;
    return listWindowStyleSheet(sheet);
}

QString userAdminStyleSheet() {
    const QStringList search{QStringLiteral("btnSearch")};
    return groupBox(colours::accent, 3, 10) + lineEdits() +
           rule(QStringLiteral("QPushButton"),
                greyFace() + QStringLiteral(" border-radius: 3px; padding: 5px 16px;")) +
           rule(QStringLiteral("QPushButton:hover"), background(colours::buttonHover)) +
           primaryButtons(search, colours::accentBorder) +
           tableRule(QStringLiteral("QTableWidget"), colours::gridStrong,
                     QStringLiteral(" alternate-background-color: %1;").arg(c(colours::alternateRow))) +
           headerSections() + spinButtons();
}

QString formStyleSheet() {
    return groupBox(colours::panelBorder, 5, 12) + lineEdits() +
           rule(QStringLiteral("QLineEdit:read-only, QLineEdit:disabled"), background(colours::buttonFace)) +
           framedField(QStringLiteral("QComboBox"), QStringLiteral("3px 6px")) + spinButtons();
}

QString reportFamilyStyleSheet(const ReportSheet& sheet) {
    // First, so a window that frames its spin boxes among its fields frames them its way.
    QString out =
        spinButtons() +
        rule(QStringLiteral("QGroupBox"),
             QStringLiteral("border: 1px solid %1; border-radius: 3px; margin-top: 8px; padding-top: 14px; "
                            "font-size: 12px;")
                 .arg(c(colours::accent))) +
        rule(QStringLiteral("QGroupBox::title"),
             QStringLiteral("subcontrol-origin: margin; left: 10px; padding: 2px 8px; color: %1; "
                            "font-weight: bold;")
                 .arg(c(colours::accent)));
    if (!sheet.fields.isEmpty()) {
        out += rule(
            sheet.fields.join(QStringLiteral(", ")),
            QStringLiteral("padding: 3px 6px; border: 1px solid %1; border-radius: 3px; min-height: 20px;")
                .arg(c(colours::reportField)));
    }
    if (!sheet.focusFields.isEmpty()) {
        QStringList focusedFields;
        for (const QString& field : sheet.focusFields)
            focusedFields.append(field + QStringLiteral(":focus"));
        out += rule(focusedFields.join(QStringLiteral(", ")),
                    QStringLiteral("border-color: %1;").arg(c(colours::focusBorder)));
    }
    out +=
        rule(QStringLiteral("QPushButton"),
             QStringLiteral("padding: 4px 14px; border: 1px solid %1; border-radius: 3px; background: %2; "
                            "min-height: 22px;")
                 .arg(c(colours::reportButton), c(colours::buttonFace))) +
        rule(QStringLiteral("QPushButton:hover"),
             QStringLiteral("background: %1;").arg(c(colours::buttonHover))) +
        rule(buttons(sheet.primaryButtons), QStringLiteral("background: %1; color: white; border-color: %2;")
                                                .arg(c(colours::accent), c(colours::accentBorder))) +
        rule(buttons(sheet.primaryHover, QStringLiteral(":hover")),
             QStringLiteral("background: %1;").arg(c(colours::accentBorder))) +
        rule(sheet.tableClass,
             QStringLiteral("border: 1px solid %1; gridline-color: %2; alternate-background-color: %3;")
                 .arg(c(colours::reportTable), c(colours::gridStrong), c(colours::alternateRow))) +
        rule(QStringLiteral("QHeaderView::section"),
             QStringLiteral("background: %1; padding: 4px 8px; border: 1px solid %2; font-weight: bold;")
                 .arg(c(colours::headerFace), c(colours::reportTable)));
    return out;
}

QString reportWindowStyleSheet() {
    return reportFamilyStyleSheet({{QStringLiteral("QLineEdit")},
                                   {QStringLiteral("QLineEdit")},
                                   {QStringLiteral("btnQuery"), QStringLiteral("btnSearch")},
                                   {QStringLiteral("btnQuery")}});
}

QString maintenanceWindowStyleSheet() {
    return reportFamilyStyleSheet(
        {{QStringLiteral("QComboBox")}, {}, {QStringLiteral("btnSearch")}, {QStringLiteral("btnSearch")}});
}

QString tempHumidityRecordStyleSheet() {
    const QStringList primary{QStringLiteral("btnSearch"), QStringLiteral("btnSave"),
                              QStringLiteral("btnShowAbnormal")};
    return reportFamilyStyleSheet(
        {{QStringLiteral("QLineEdit"), QStringLiteral("QDateEdit"), QStringLiteral("QTimeEdit"),
          QStringLiteral("QSpinBox"), QStringLiteral("QDoubleSpinBox")},
         {QStringLiteral("QLineEdit"), QStringLiteral("QDateEdit"), QStringLiteral("QTimeEdit")},
         primary,
         primary});
}

QString reportWindowStyleSheet(const QString& accentButton, const QString& tableClass) {
    ReportSheet sheet{
        {QStringLiteral("QLineEdit")}, {QStringLiteral("QLineEdit")}, {accentButton}, {accentButton}};
    sheet.tableClass = tableClass;
    return reportFamilyStyleSheet(sheet);
}

QString reportWindowStyleSheet(const QStringList& accentButtons, const QStringList& accentHoverButtons,
                               const QString& tableClass) {
    ReportSheet sheet{
        {QStringLiteral("QLineEdit")}, {QStringLiteral("QLineEdit")}, accentButtons, accentHoverButtons};
    sheet.tableClass = tableClass;
    return reportFamilyStyleSheet(sheet);
}

QString verdictLabelStyleSheet(bool passed) {
    return QStringLiteral("color: %1; font-weight: bold;")
        .arg(QLatin1String(passed ? colours::verdictPassed : colours::verdictFailed));
}

QString hintLabelStyleSheet() {
    return QStringLiteral("color: %1; font-size: 12px;").arg(c(colours::mutedText));
}

QString roomyButtonStyleSheet() {
    return QStringLiteral("padding: 6px 12px;");
}

QString countLabelStyleSheet() {
    return QStringLiteral("color: %1; padding-right: 4px;").arg(c(colours::mutedText));
}

QString readTroubleStyleSheet() {
    return QStringLiteral("color: %1; padding-right: 4px;").arg(c(colours::troubleText));
}

QString accentButtonStyleSheet() {
    return accentFace();
}

QString framedButtonStyleSheet() {
    return rule(QStringLiteral("QPushButton"),
                greyFace() + QStringLiteral(" border-radius: 3px; padding: 5px 16px; min-width: 64px; "
                                            "color: palette(button-text); font-weight: normal;")) +
           rule(QStringLiteral("QPushButton:hover"), background(colours::buttonHover)) +
           rule(QStringLiteral("QPushButton:default"),
                QStringLiteral("border-color: %1;").arg(c(colours::accent))) +
           // The fixed text colour above would otherwise hide that a button is disabled.
           rule(QStringLiteral("QPushButton:disabled"), QStringLiteral("color: palette(mid);"));
}

QString importDialogStyleSheet() {
    const QString field = QStringLiteral("border: 2px solid %1; border-radius: 4px; padding: %2; "
                                         "background-color: %3;");
    const QString focusedField = QStringLiteral("border: 2px solid %1;").arg(c(colours::importButton));
    return rule(QStringLiteral("QDialog"), background(colours::importFace)) +
           rule(QStringLiteral("QPushButton"),
                QStringLiteral("background-color: %1; color: white; border: none; border-radius: 6px; "
                               "padding: 8px 16px; font-weight: bold;")
                    .arg(c(colours::importButton))) +
           rule(QStringLiteral("QPushButton:hover"), background(colours::importHover)) +
           rule(QStringLiteral("QPushButton:pressed"), background(colours::importTitle)) +
           rule(QStringLiteral("QPushButton:disabled"),
                background(colours::disabledFace) +
                    QStringLiteral(" color: %1;").arg(c(colours::disabledText))) +
           rule(QStringLiteral("QLineEdit"),
                field.arg(c(colours::panelBorder), QStringLiteral("6px 10px"), c(colours::importField))) +
           rule(QStringLiteral("QLineEdit:focus"), focusedField) +
           rule(QStringLiteral("QTextEdit"),
                field.arg(c(colours::panelBorder), QStringLiteral("8px"), c(colours::importField))) +
           rule(QStringLiteral("QTextEdit:focus"), focusedField) +
           rule(QStringLiteral("QLabel"), QStringLiteral("color: %1;").arg(c(colours::bodyText))) +
           rule(
               QStringLiteral("QLabel#labelStepsTitle, QLabel#labelResultTitle"),
               QStringLiteral("color: %1; font-weight: bold; padding: 2px 0;").arg(c(colours::importTitle))) +
           rule(QStringLiteral("QFrame#separator"),
                QStringLiteral("color: %1; margin: 4px 0;").arg(c(colours::panelBorder))) +
           rule(QStringLiteral("QDialogButtonBox QPushButton"),
                background(colours::closeButton) + QStringLiteral(" padding: 8px 20px;")) +
           rule(QStringLiteral("QDialogButtonBox QPushButton:hover"), background(colours::closeHover)) +
           // Message boxes opened over the dialog inherit this sheet; keep their button labels readable.
           rule(QStringLiteral("QMessageBox QPushButton"),
                QStringLiteral("color: %1;").arg(c(colours::bodyText)));
}

QString statusValueStyleSheet(const QColor& colour) {
    return QStringLiteral("color: %1; font-weight: bold;").arg(colour.name(QColor::HexRgb));
}

QString dashboardTabStyleSheet(bool active) {
    const QString face = active ? QStringLiteral("color: %1; background-color: %2; border: none;")
                                      .arg(c(colours::onAccent), c(colours::dashboardGood))
                                : QStringLiteral("color: %1; background-color: %2; border: 1px solid %3;")
                                      .arg(c(colours::mutedText), c(colours::tabFace), c(colours::tabBorder));
    return QStringLiteral("font-size: 12px; font-weight: bold; ") + face +
           QStringLiteral(" border-radius: 4px; padding: 2px 10px;");
}

QString dashboardFigureStyleSheet(bool alert) {
    return QStringLiteral("font-size: 24px; font-weight: bold; color: %1; background: transparent;")
        .arg(c(alert ? colours::dashboardAlert : colours::dashboardGood));
}

QString temperatureStatusStyleSheet(bool recorded) {
    return recorded ? QStringLiteral("font-size: 13px; color: %1; background: transparent;")
                          .arg(c(colours::dashboardGood))
                    : statusAlertStyleSheet();
}

QString statusAlertStyleSheet() {
    return QStringLiteral("font-size: 13px; font-weight: bold; color: %1; background: transparent;")
        .arg(c(colours::dashboardAlert));
}

} // namespace kestrovalin
