#include "ui/common/styles.h"

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

} // namespace

QString listWindowStyleSheet(const ListSheet& sheet) {
    QString out = groupBox(colours::panelBorder, 5, sheet.groupPaddingTop) + lineEdits();
    if (sheet.filterFieldRules) {
        out += framedField(QStringLiteral("QComboBox"), QStringLiteral("3px 6px")) +
               framedField(QStringLiteral("QDateEdit"), QStringLiteral("3px 6px")) +
               focused(QStringLiteral("QDateEdit"));
    }
    out += rule(QStringLiteral("QPushButton"), QStringLiteral("padding: 5px 16px; border-radius: 3px;"));
    if (!sheet.primaryButtons.isEmpty())
        out += primaryButtons(sheet.primaryButtons, colours::accentHover);
    if (!sheet.secondaryButtons.isEmpty()) {
        out +=
            rule(buttons(sheet.secondaryButtons), greyFace()) +
            rule(buttons(sheet.secondaryButtons, QStringLiteral(":hover")), background(colours::buttonHover));
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
           headerSections();
}

QString formStyleSheet() {
    return groupBox(colours::panelBorder, 5, 12) + lineEdits() +
           rule(QStringLiteral("QLineEdit:read-only, QLineEdit:disabled"), background(colours::buttonFace)) +
           framedField(QStringLiteral("QComboBox"), QStringLiteral("3px 6px"));
}

QString reportWindowStyleSheet() {
    return rule(
               QStringLiteral("QGroupBox"),
               QStringLiteral("border: 1px solid %1; border-radius: 3px; margin-top: 8px; padding-top: 14px; "
                              "font-size: 12px;")
                   .arg(c(colours::accent))) +
           rule(QStringLiteral("QGroupBox::title"),
                QStringLiteral("subcontrol-origin: margin; left: 10px; padding: 2px 8px; color: %1; "
                               "font-weight: bold;")
                    .arg(c(colours::accent))) +
           rule(
               QStringLiteral("QLineEdit"),
               QStringLiteral("padding: 3px 6px; border: 1px solid %1; border-radius: 3px; min-height: 20px;")
                   .arg(c(colours::reportField))) +
           focused(QStringLiteral("QLineEdit")) +
           rule(QStringLiteral("QPushButton"),
                QStringLiteral("padding: 4px 14px; border: 1px solid %1; border-radius: 3px; background: %2; "
                               "min-height: 22px;")
                    .arg(c(colours::reportButton), c(colours::buttonFace))) +
           rule(QStringLiteral("QPushButton:hover"),
                QStringLiteral("background: %1;").arg(c(colours::buttonHover))) +
           rule(QStringLiteral("QPushButton#btnQuery, QPushButton#btnSearch"),
                QStringLiteral("background: %1; color: white; border-color: %2;")
                    .arg(c(colours::accent), c(colours::accentBorder))) +
           rule(QStringLiteral("QPushButton#btnQuery:hover"),
                QStringLiteral("background: %1;").arg(c(colours::accentBorder))) +
           rule(QStringLiteral("QTableWidget"),
                QStringLiteral("border: 1px solid %1; gridline-color: %2; alternate-background-color: %3;")
                    .arg(c(colours::reportTable), c(colours::gridStrong), c(colours::alternateRow))) +
           rule(QStringLiteral("QHeaderView::section"),
                QStringLiteral("background: %1; padding: 4px 8px; border: 1px solid %2; font-weight: bold;")
                    .arg(c(colours::headerFace), c(colours::reportTable)));
}

QString countLabelStyleSheet() {
    return QStringLiteral("color: %1; padding-right: 4px;").arg(c(colours::mutedText));
}

QString accentButtonStyleSheet() {
    return accentFace();
}

QString framedButtonStyleSheet() {
    return rule(QStringLiteral("QPushButton"),
                greyFace() + QStringLiteral(" border-radius: 3px; padding: 5px 16px; min-width: 64px;")) +
           rule(QStringLiteral("QPushButton:hover"), background(colours::buttonHover)) +
           rule(QStringLiteral("QPushButton:default"),
                QStringLiteral("border-color: %1;").arg(c(colours::accent)));
}

} // namespace kestrovalin
