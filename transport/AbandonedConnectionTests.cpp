#include "transport/AbandonedConnectionTests.h"

#include "transport/ConnectionTestThread.h"

#include <algorithm>
#include <iterator>
#include <mutex>
#include <vector>

namespace AbandonedConnectionTests {
namespace {

using Tests = std::vector<std::unique_ptr<ConnectionTestThread>>;

struct Kept {
    std::mutex lock;
    Tests tests;
};

Kept& kept() {
    static Kept instance;
    return instance;
}

} // namespace

void keep(std::unique_ptr<ConnectionTestThread> test) {
    if (!test)
        return;
    test->abandon();
    Tests ended;
    {
        std::lock_guard lock(kept().lock);
        Tests& tests = kept().tests;
        tests.push_back(std::move(test));
        const auto firstEnded = std::stable_partition(
            tests.begin(), tests.end(), [](const auto& kept) { return !kept->hasEnded(); });
        std::move(firstEnded, tests.end(), std::back_inserter(ended));
        tests.erase(firstEnded, tests.end());
    }
    // Destroyed here, outside the lock: their runs are over, so joining them does not wait.
}

void joinAll() {
    Tests tests;
    {
        std::lock_guard lock(kept().lock);
        tests.swap(kept().tests);
    }
}

} // namespace AbandonedConnectionTests
