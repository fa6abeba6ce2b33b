#include "tests/support/QtTests.h"

#include <QApplication>
#include <QTest>

namespace TestSupport {

std::vector<QtTestFactory>& qtTestClasses() {
    static std::vector<QtTestFactory> classes;
    return classes;
}

} // namespace TestSupport

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    int failures = 0;
    for (const auto& make : TestSupport::qtTestClasses()) {
        const auto test = make();
        failures += QTest::qExec(test.get(), argc, argv) != 0 ? 1 : 0;
    }
    return failures == 0 ? 0 : 1;
}
