#include "platform/InstanceLock.h"
#include "tests/support/TempHome.h"

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

TEST(InstanceLock, OneHolderAtATimeAndAProcessThatDiedNeverBlocks) {
    const TestSupport::TempHome home;
    const auto file = home.path() / "instance.lock";
    TestSupport::writeFile(file, "left behind");

    // The child takes the lock and ends without ever letting go of it.
    const pid_t child = ::fork();
    if (child == 0) {
        auto* held = new Platform::InstanceLock(file);
        ::_exit(held->tryLock() ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_EQ(WEXITSTATUS(status), 0);

    Platform::InstanceLock first(file);
    ASSERT_TRUE(first.tryLock());
    EXPECT_TRUE(first.tryLock());
    {
        Platform::InstanceLock second(file);
        EXPECT_FALSE(second.tryLock());
        EXPECT_FALSE(second.isLocked());
    }
    EXPECT_FALSE(Platform::InstanceLock(home.path() / "no such folder" / "x.lock").tryLock());
}

TEST(InstanceLock, ReleasedWithItsObject) {
    const TestSupport::TempHome home;
    const auto file = home.path() / "instance.lock";
    {
        Platform::InstanceLock first(file);
        ASSERT_TRUE(first.tryLock());
    }
    Platform::InstanceLock second(file);
    EXPECT_TRUE(second.tryLock());
}
