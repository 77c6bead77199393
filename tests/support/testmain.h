#pragma once

#include <QObject>

namespace kestrovalin::test {

// Every test class of an executable registers itself; the shared main runs the class named as the first
// argument with the other arguments, or every class in turn when no name is given.
using TestFactory = QObject* (*)();
// A class registered as last runs after all others when the classes run together (it changes the process).
bool registerTestClass(const char* name, TestFactory make, bool last);

} // namespace kestrovalin::test

#define KV_TEST_REGISTER(Class, last)                                                                        \
    [[maybe_unused]] static const bool kvTestRegistered##Class = kestrovalin::test::registerTestClass(       \
        #Class, []() -> QObject* { return new Class; }, last);

#define KV_TEST_CLASS(Class) KV_TEST_REGISTER(Class, false)
#define KV_TEST_CLASS_LAST(Class) KV_TEST_REGISTER(Class, true)
