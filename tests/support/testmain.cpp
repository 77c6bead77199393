#include "tests/support/testmain.h"

#include "core/backupmanager.h"
#include "core/clock.h"
#include "core/currentuser.h"
#include "core/databasemanager.h"
#include "core/usersession.h"
#include "ui/common/prompts.h"
#include "ui/common/wheelfocus.h"

#include <QApplication>
#include <QtTest>

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

namespace kestrovalin::test {

namespace {

struct TestClass {
    const char* name;
    TestFactory make;
    bool last;
};

// Filled during static initialisation, so it must exist before the first registration.
std::vector<TestClass>& registry() {
    static std::vector<TestClass> classes;
    return classes;
}

// The program's singletons start every class as in a fresh process.
void resetSingletons() {
    DatabaseManager::instance().shutdown();
    UserSession::instance().logout();
    CurrentUser::instance().clear();
    Prompts::reset();
    Prompts::setTestMode(false);
    Clock::unpin();
    BackupManager::setProgramDirForTesting(QString());
    BackupManager::setCopyStepForTesting(0, {});
    BackupManager::setStepResultForTesting({});
}

int runClass(const TestClass& testClass, std::vector<char*> args) {
    resetSingletons();
    std::unique_ptr<QObject> object(testClass.make());
    return QTest::qExec(object.get(), int(args.size()), args.data());
}

} // namespace

bool registerTestClass(const char* name, TestFactory make, bool last) {
    registry().push_back({name, make, last});
    return true;
}

} // namespace kestrovalin::test

using namespace kestrovalin::test;

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    app.setAttribute(Qt::AA_Use96Dpi, true);
    // The windows under test behave as the program's.
    kestrovalin::installWheelFocusGuard(app);
    std::vector<TestClass> classes = registry();
    std::stable_partition(classes.begin(), classes.end(), [](const TestClass& c) { return !c.last; });

    // A first argument that is not an option names the class; the remaining arguments go to it alone.
    if (argc > 1 && argv[1][0] != '-') {
        for (const TestClass& testClass : classes) {
            if (std::strcmp(testClass.name, argv[1]) == 0) {
                std::vector<char*> args{argv[0]};
                args.insert(args.end(), argv + 2, argv + argc);
                return runClass(testClass, args);
            }
        }
        QStringList names;
        for (const TestClass& testClass : classes)
            names << QString::fromLatin1(testClass.name);
        qWarning("Unknown test class %s; this executable holds: %s", argv[1], qPrintable(names.join(' ')));
        return 1;
    }
    int failures = 0;
    for (const TestClass& testClass : classes)
        failures += runClass(testClass, std::vector<char*>(argv, argv + argc));
    return std::min(failures, 127);
}
