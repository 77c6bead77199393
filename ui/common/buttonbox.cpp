#include "ui/common/buttonbox.h"

#include "ui/common/styles.h"

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
        button->setStyleSheet(framedButtonStyleSheet());
}

void neverDefault(QPushButton* button) {
    if (!button)
        return;
    button->setAutoDefault(false);
    button->setDefault(false);
}

} // namespace kestrovalin
