#include "ui/common/buttonbox.h"

#include <QDialogButtonBox>
#include <QPushButton>

namespace kestrovalin {

void useChineseLabels(QDialogButtonBox* box) {
    const QList<QPair<QDialogButtonBox::StandardButton, QString>> labels = {
        {QDialogButtonBox::Ok, QStringLiteral("确定")},
        {QDialogButtonBox::Cancel, QStringLiteral("取消")},
        {QDialogButtonBox::Yes, QStringLiteral("是")},
        {QDialogButtonBox::No, QStringLiteral("否")},
        {QDialogButtonBox::Close, QStringLiteral("关闭")}};
    for (const auto& label : labels) {
        if (QPushButton* button = box->button(label.first))
            button->setText(label.second);
    }
}

void frameButtons(QWidget* container) {
    for (QPushButton* button : container->findChildren<QPushButton*>())
        button->setStyleSheet(
            QStringLiteral("QPushButton { background-color: #f5f5f5; border: 1px solid #c0c0c0; "
                           "border-radius: 3px; padding: 5px 16px; min-width: 64px; }"
                           "QPushButton:hover { background-color: #e8e8e8; }"
                           "QPushButton:default { border-color: #2c5f2d; }"));
}

} // namespace kestrovalin
