#pragma once

#include <QString>

namespace kestrovalin::repositories {

// Why a repository's last write was refused, in the user's words, offered beside the write's boolean (or id)
// result: "该订单已作废", "批次 VC240510 现有库存 47，作废需扣回 50". Empty after a success and after a
// technical failure (a statement or the commit failed), which only the log describes. Each write that can be
// refused clears it first, so a reason never outlives the write it belongs to.
class Refusable {
public:
    const QString& refusal() const { return m_refusal; }

protected:
    void clearRefusal() { m_refusal.clear(); }
    // Records why; false, so a refusing write can `return refuse(...)`.
    bool refuse(const QString& reason) {
        m_refusal = reason;
        return false;
    }

private:
    QString m_refusal;
};

} // namespace kestrovalin::repositories
