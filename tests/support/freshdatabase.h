#pragma once

#include "tests/support/pinnedclock.h"
#include "tests/support/testdatabase.h"
#include "ui/common/prompts.h"

#include <memory>

namespace kestrovalin::test {

// A fresh database and a clock pinned to one day for every test function, with the prompts answered by the
// test: start() from init(), stop() from cleanup(); in between it stands for the database.
class FreshDatabase {
public:
    void start(const QDate& today) {
        m_db.reset(new TestDatabase);
        m_clock.reset(new PinnedClock(today));
        Prompts::setTestMode(true);
        Prompts::reset();
    }
    void stop() {
        Prompts::setTestMode(false);
        m_clock.reset();
        m_db.reset();
    }
    TestDatabase& operator*() const { return *m_db; }
    TestDatabase* operator->() const { return m_db.get(); }

private:
    std::unique_ptr<TestDatabase> m_db;
    std::unique_ptr<PinnedClock> m_clock;
};

} // namespace kestrovalin::test
