#include "ui/common/styles.h"

namespace kestrovalin {

namespace {

QString selectors(const QStringList& ids, const QString& suffix) {
    QStringList parts;
    for (const QString& id : ids)
        parts.append(QStringLiteral("QPushButton#") + id + suffix);
    return parts.join(QStringLiteral(", "));
}

} // namespace

QString listWindowStyleSheet(const QStringList& primaryButtons, const QStringList& secondaryButtons,
                             bool tableViewRule) {
    QString sheet =
        QStringLiteral("QGroupBox {  font-weight: bold;  border: 1px solid #d0d0d0;  border-radius: 5px;  "
                       "margin-top: 10px;  "
                       "padding-top: 14px;}QGroupBox::title {  subcontrol-origin: margin;  left: 10px;  "
                       "padding: 0 5px;  color: "
                       "#2c5f2d;}QLineEdit {  padding: 4px 6px;  border: 1px solid #c0c0c0;  border-radius: "
                       "3px;}QLineEdit:focus "
                       "{  border-color: #4a90d9;}QPushButton {  padding: 5px 16px;  border-radius: 3px;}");
    if (!primaryButtons.isEmpty()) {
        sheet += selectors(primaryButtons, QString()) +
                 QStringLiteral(" {  background-color: #2c5f2d;  color: white;  border: 1px solid #1e4a1f;  "
                                "font-weight: bold;}") +
                 selectors(primaryButtons, QStringLiteral(":hover")) +
                 QStringLiteral(" {  background-color: #3a7a3b;}");
    }
    if (!secondaryButtons.isEmpty()) {
        sheet += selectors(secondaryButtons, QString()) +
                 QStringLiteral(" {  background-color: #f5f5f5;  border: 1px solid #c0c0c0;}") +
                 selectors(secondaryButtons, QStringLiteral(":hover")) +
                 QStringLiteral(" {  background-color: #e8e8e8;}");
    }
    sheet += QStringLiteral("QTableWidget {  border: 1px solid #d0d0d0;  gridline-color: #e8e8e8;}");
    if (tableViewRule)
        sheet += QStringLiteral("QTableView {  border: 1px solid #d0d0d0;  gridline-color: #e8e8e8;}");
    sheet += QStringLiteral("QHeaderView::section {  background-color: #f0f4f0;  padding: 6px;  border: 1px "
                            "solid #d0d0d0;  font-weight: bold;}");
    return sheet;
}

} // namespace kestrovalin
