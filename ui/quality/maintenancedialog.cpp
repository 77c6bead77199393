#include "ui/quality/maintenancedialog.h"

#include "core/clock.h"
#include "core/usersession.h"
#include "ui/common/placement.h"
#include "ui/common/prompts.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

namespace kestrovalin {

MaintenanceDialog::MaintenanceDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("月度养护检查"));
    resize(400, 350);

    auto* form = new QFormLayout;
    form->setVerticalSpacing(12);
    form->setHorizontalSpacing(12);
    form->setContentsMargins(20, 20, 20, 10);
    const QList<QPair<const char*, QString>> items = {
        {"checkHumidity", QStringLiteral("湿度记录正常")},
        {"checkTemperature", QStringLiteral("温度记录正常")},
        {"checkStorage", QStringLiteral("储存条件合规")},
        {"checkFacilities", QStringLiteral("设施设备正常")},
        {"checkPestControl", QStringLiteral("防虫防鼠措施到位")}};
    for (const auto& item : items) {
        auto* box = new QCheckBox(item.second, this);
        box->setObjectName(QLatin1String(item.first));
        form->addRow(box);
        m_items.append(box);
    }
    m_remark = new QPlainTextEdit(this);
    m_remark->setObjectName(QStringLiteral("editRemark"));
    m_remark->setMaximumHeight(80);
    m_remark->setPlaceholderText(QStringLiteral("如有异常情况，请在此说明..."));
    form->addRow(QStringLiteral("备注说明"), m_remark);

    auto* submit = new QPushButton(QStringLiteral("确认提交"), this);
    submit->setObjectName(QStringLiteral("btnSubmit"));
    auto* cancel = new QPushButton(QStringLiteral("取消"), this);
    cancel->setObjectName(QStringLiteral("btnCancel"));
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(submit);
    buttons->addSpacing(10);
    buttons->addWidget(cancel);

    auto* layout = new QVBoxLayout(this);
    layout->setSpacing(15);
    layout->addLayout(form);
    layout->addLayout(buttons);

    connect(submit, &QPushButton::clicked, this, &MaintenanceDialog::onAccept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    centreOnTopLevel(this, parent);
}

void MaintenanceDialog::onAccept() {
    const bool allTicked =
        std::all_of(m_items.cbegin(), m_items.cend(), [](const QCheckBox* box) { return box->isChecked(); });
    if (allTicked || Prompts::question(this, QStringLiteral("确认提交"),
                                       QStringLiteral("部分检查项未勾选确认，确定要提交吗？")))
        accept();
}

models::MaintenanceCheck MaintenanceDialog::getCheck() const {
    const QDate today = Clock::today();
    models::MaintenanceCheck check;
    check.id = -1;
    check.checkMonth = today.year() * 100 + today.month();
    check.checkDate = today.toString(QStringLiteral("yyyy-MM-dd"));
    check.checkedBy = UserSession::instance().getCurrentUserId();
    check.humidityNormal = m_items.at(0)->isChecked();
    check.temperatureNormal = m_items.at(1)->isChecked();
    check.storageConditionOk = m_items.at(2)->isChecked();
    check.facilitiesOk = m_items.at(3)->isChecked();
    check.pestControlOk = m_items.at(4)->isChecked();
    check.remark = m_remark->toPlainText();
    return check;
}

} // namespace kestrovalin
