#pragma once

#include "models/customer.h"
#include "repositories/refusal.h"

#include <QList>

namespace kestrovalin {
class IDbAdapter;
}

namespace kestrovalin::repositories {

// Reads and writes the customer register. Holds only the adapter it was given (not owned, may be null).
class CustomerRepository : public Refusable {
public:
    explicit CustomerRepository(IDbAdapter* db);

    // Exactly one customer is the default at every moment. A record marked default becomes the only default:
    // every other flag is cleared and the record written in one transaction, so a failed write leaves the
    // previous default in place. A record not marked default never clears a stored flag.
    // On success the record's id is set to the new row's id.
    bool insert(models::Customer& customer);
    // Writes only while the row is as findById read it (the record's rowToken): otherwise nothing is written
    // and refusal() says why.
    bool update(const models::Customer& customer);
    // Never the default customer, as stored when the delete runs: refused with kDefaultKept. A customer
    // already gone is refused too.
    bool remove(int id);
    static const QString kDefaultKept;

    models::Customer findById(int id);
    QList<models::Customer> findAll();
    QList<models::Customer> search(const QString& keyword);
    models::Customer findDefault();
    int getDefaultCustomerId();

private:
    bool clearDefaultFlags(int keptId);

    IDbAdapter* m_db;
};

} // namespace kestrovalin::repositories
