#include "platform/AtomicFile.h"
#include "tests/support/TempHome.h"

#include <gtest/gtest.h>

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using Platform::AtomicFile;
using TestSupport::readFile;
using TestSupport::TempHome;
using TestSupport::writeFile;

namespace {

mode_t modeOf(const std::filesystem::path& path) {
    struct stat info {};
    ::stat(path.c_str(), &info);
    return info.st_mode & 0777;
}

size_t filesIn(const std::filesystem::path& folder) {
    return static_cast<size_t>(std::distance(std::filesystem::directory_iterator(folder), {}));
}

} // namespace

TEST(AtomicFile, ReplacesTheTargetOnlyOnCommit) {
    TempHome home;
    const auto target = home.path() / "store.bin";
    writeFile(target, "old");
    {
        AtomicFile file(target);
        ASSERT_TRUE(file.isOpen());
        ASSERT_TRUE(file.write("new content"));
        EXPECT_EQ(readFile(target), "old");
        ASSERT_TRUE(file.commit());
    }
    EXPECT_EQ(readFile(target), "new content");
    EXPECT_EQ(modeOf(target), 0600u);
    EXPECT_EQ(filesIn(home.path()), 1u);
}

TEST(AtomicFile, AbandonedWriteLeavesOldFileAndNoLeftovers) {
    TempHome home;
    const auto target = home.path() / "store.bin";
    writeFile(target, "old");
    {
        AtomicFile file(target);
        file.write("half");
    }
    EXPECT_EQ(readFile(target), "old");
    EXPECT_EQ(filesIn(home.path()), 1u);
}

TEST(AtomicFile, WriteFailingHalfwayKeepsOldFile) {
    TempHome home;
    const auto target = home.path() / "store.bin";
    writeFile(target, "old");
    // In a child whose file size limit is 1000 bytes, the write of 5000 bytes fails.
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit{1000, 1000};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        AtomicFile file(target);
        const bool written = file.write(std::string(5000, 'x'));
        const bool committed = file.commit();
        ::_exit(!written && !committed && file.error() == EFBIG ? 0 : 1);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_EQ(readFile(target), "old");
    EXPECT_EQ(filesIn(home.path()), 1u);
}

TEST(AtomicFile, MissingFolderMeansNotOpen) {
    TempHome home;
    AtomicFile file(home.path() / "absent" / "store.bin");
    EXPECT_FALSE(file.isOpen());
    EXPECT_FALSE(file.write("x"));
    EXPECT_FALSE(file.commit());
}

TEST(AtomicFile, PrivateDirectoriesAreOwnerOnly) {
    TempHome home;
    const auto folder = home.path() / "a" / "b";
    EXPECT_EQ(Platform::makePrivateDirectories(folder), 0);
    EXPECT_EQ(modeOf(home.path() / "a"), 0700u);
    EXPECT_EQ(modeOf(folder), 0700u);
    EXPECT_EQ(Platform::makePrivateDirectories(folder), 0);
    writeFile(home.path() / "file", "x");
    EXPECT_EQ(Platform::makePrivateDirectories(home.path() / "file"), ENOTDIR);
}
