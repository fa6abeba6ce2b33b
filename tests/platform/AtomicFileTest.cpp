#include "platform/AtomicFile.h"
#include "tests/support/TempHome.h"

#include <gtest/gtest.h>

#include <algorithm>
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

TEST(AtomicFile, OnlyOldTemporaryCopiesOfTheTargetAreRemoved) {
    using namespace std::chrono_literals;
    TempHome home;
    const auto target = home.path() / "general.bin";
    writeFile(target, "kept");
    const auto old = std::filesystem::file_time_type::clock::now() - 1h;
    const auto make = [&](const std::string& name, bool isOld) {
        writeFile(home.path() / name, "x");
        if (isOld)
            std::filesystem::last_write_time(home.path() / name, old);
    };
    make("general.bin.a1B2c3", true);
    make("general.bin.Zz9yY8", true);
    make("general.bin.q7W8e9", false); // a save in progress
    make("general.bin.a1B2c", true);
    make("general.bin.a1B2c3d", true);
    make("general.bin.a1-2c3", true);
    make("general.bin~a1B2c3", true);
    make("other.bin.a1B2c3", true);
    std::filesystem::create_directory(home.path() / "general.bin.F0lder");
    std::filesystem::last_write_time(home.path() / "general.bin.F0lder", old);

    auto removed = AtomicFile::removeStaleTemporaries(target, 60s);
    std::sort(removed.begin(), removed.end(),
              [](const auto& a, const auto& b) { return a.path < b.path; });
    ASSERT_EQ(removed.size(), 2u);
    EXPECT_EQ(removed[0].path, home.path() / "general.bin.Zz9yY8");
    EXPECT_EQ(removed[1].path, home.path() / "general.bin.a1B2c3");
    EXPECT_EQ(removed[0].error, 0);
    EXPECT_EQ(removed[1].error, 0);
    EXPECT_FALSE(std::filesystem::exists(removed[0].path));
    EXPECT_FALSE(std::filesystem::exists(removed[1].path));
    EXPECT_EQ(filesIn(home.path()), 8u);
    EXPECT_EQ(readFile(target), "kept");

    // What a killed save really leaves is recognised: a child that never runs its destructors.
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        AtomicFile file(target);
        file.write("half");
        ::_exit(0);
    }
    ::waitpid(child, nullptr, 0);
    EXPECT_EQ(filesIn(home.path()), 9u);
    std::filesystem::remove(home.path() / "general.bin.q7W8e9");
    EXPECT_EQ(AtomicFile::removeStaleTemporaries(target, 0s).size(), 1u);
    EXPECT_EQ(filesIn(home.path()), 7u);
    EXPECT_TRUE(AtomicFile::removeStaleTemporaries(home.path() / "absent" / "x.bin", 0s).empty());
}
