#pragma once

#include "models/operlog.h"

#include <QDate>
#include <QList>

namespace kestrovalin {

class IDbAdapter;

// Writes operation-log rows and reads them back, newest first.
class OperLogRepository {
public:
    // A null adapter means the database manager's shared one (which may itself be null).
    explicit OperLogRepository(IDbAdapter* adapter = nullptr);

    // Stores the entry with the current local time; the entry's own id and time are ignored.
    bool insert(const models::OperLog& entry);
    QList<models::OperLog> findAll(int limit);
    // Empty keyword or module and invalid dates do not filter. At most 500 rows.
    QList<models::OperLog> search(const QString& keyword, const QString& module, const QDate& startDate,
                                  const QDate& endDate);

private:
    IDbAdapter* m_db;
};

} // namespace kestrovalin
