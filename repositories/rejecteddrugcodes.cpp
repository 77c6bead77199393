#include "repositories/rejecteddrugcodes.h"

namespace kestrovalin::rejected {

namespace {

struct Status {
    CodeLabel name;
    QString colour;
};

const QVector<Status>& statuses() {
    static const QVector<Status> list = {
        {{QStringLiteral("pending"), QStringLiteral("待审核")}, QStringLiteral("#FF8C00")},
        {{QStringLiteral("confirmed"), QStringLiteral("已确认")}, QStringLiteral("#0066CC")},
        {{QStringLiteral("processed"), QStringLiteral("已处理")}, QStringLiteral("#009900")},
    };
    return list;
}

QString labelOf(const QVector<CodeLabel>& list, const QString& code) {
    for (const CodeLabel& entry : list) {
        if (entry.code == code)
            return entry.label;
    }
    return code;
}

QString codeOf(const QVector<CodeLabel>& list, const QString& label) {
    for (const CodeLabel& entry : list) {
        if (entry.label == label)
            return entry.code;
    }
    return QString();
}

} // namespace

const QVector<CodeLabel>& reasons() {
    static const QVector<CodeLabel> list = {
        {QStringLiteral("expired"), QStringLiteral("过期失效")},
        {QStringLiteral("damaged"), QStringLiteral("包装破损")},
        {QStringLiteral("abnormal"), QStringLiteral("外观异常")},
        {QStringLiteral("moisture"), QStringLiteral("受潮霉变")},
        {QStringLiteral("contaminated"), QStringLiteral("污染")},
        {QStringLiteral("failed"), QStringLiteral("质量抽检不合格")},
        {QStringLiteral("recall"), QStringLiteral("供应商召回")},
        {QStringLiteral("other"), QStringLiteral("其他")},
    };
    return list;
}

const QVector<CodeLabel>& processTypes() {
    static const QVector<CodeLabel> list = {
        {QStringLiteral("destroy"), QStringLiteral("销毁")},
        {QStringLiteral("return"), QStringLiteral("退回供应商")},
        {QStringLiteral("recheck"), QStringLiteral("复检")},
        {QStringLiteral("writeoff"), QStringLiteral("报损")},
    };
    return list;
}

const QVector<CodeLabel>& statusFilters() {
    static const QVector<CodeLabel> list = [] {
        QVector<CodeLabel> items{{QLatin1String(kAllStatuses), QStringLiteral("全部")}};
        for (const Status& status : statuses())
            items.append(status.name);
        return items;
    }();
    return list;
}

QString reasonLabel(const QString& code) {
    return labelOf(reasons(), code);
}

QString statusLabel(const QString& code) {
    for (const Status& status : statuses()) {
        if (status.name.code == code)
            return status.name.label;
    }
    return code;
}

QString processTypeLabel(const QString& code) {
    return code.isEmpty() ? QStringLiteral("-") : labelOf(processTypes(), code);
}

QString statusColour(const QString& code) {
    for (const Status& status : statuses()) {
        if (status.name.code == code)
            return status.colour;
    }
    return QString();
}

QString statusFilterCode(const QString& label) {
    return codeOf(statusFilters(), label);
}

QString processTypeCode(const QString& label) {
    return codeOf(processTypes(), label);
}

bool processTakesStock(const QString& processType) {
    return processType == QLatin1String("destroy") || processType == QLatin1String("return") ||
           processType == QLatin1String("writeoff");
}

} // namespace kestrovalin::rejected
