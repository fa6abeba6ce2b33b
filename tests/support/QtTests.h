#pragma once

// QtTest classes of one test executable register themselves here; QtTestMain.cpp runs them all
// on one QApplication (offscreen in CTest), so a layer keeps one executable and one CTest entry.

#include <QObject>

#include <functional>
#include <memory>
#include <vector>

namespace TestSupport {

using QtTestFactory = std::function<std::unique_ptr<QObject>()>;

/// Every registered class, in registration order.
std::vector<QtTestFactory>& qtTestClasses();

template <class Test> struct QtTestRegistration {
    QtTestRegistration() {
        qtTestClasses().push_back([] { return std::make_unique<Test>(); });
    }
};

} // namespace TestSupport

/// Put after a QtTest class's definition (in its .cpp file) to run it with the executable.
#define VELOMAR_QT_TEST(Class)                                                                     \
    static const TestSupport::QtTestRegistration<Class> velomarQtTestRegistration##Class {}
