// Where the local socket may live: only in a folder of this user that nobody else may enter.
#include "platform/SpecialFolders.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

// Sets an environment variable while it lives, and puts back what was there.
class ScopedVariable {
public:
    ScopedVariable(const char* name, const std::string& value) : m_name(name) {
        if (const char* before = std::getenv(name))
            m_before = before;
        ::setenv(name, value.c_str(), 1);
    }
    ~ScopedVariable() {
        if (m_before)
            ::setenv(m_name, m_before->c_str(), 1);
        else
            ::unsetenv(m_name);
    }

private:
    const char* m_name;
    std::optional<std::string> m_before;
};

mode_t modeOf(const fs::path& folder) {
    struct stat status {};
    ::lstat(folder.c_str(), &status);
    return status.st_mode & 0777;
}

} // namespace

TEST(PrivateRuntimeFolder, OnlyAFolderOfThisUserThatNobodyElseMayEnter) {
    char pattern[] = "/tmp/velomar-runtime-XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    const fs::path base(pattern);
    const fs::path runtime = base / "runtime";
    const fs::path own = base / "own";
    fs::create_directory(runtime);
    ::chmod(runtime.c_str(), 0700);
    const ScopedVariable runtimeVariable("XDG_RUNTIME_DIR", runtime.string());
    const ScopedVariable temporary("TMPDIR", base.string());
    const fs::path lastResort = base / ("velomar-test-" + std::to_string(::geteuid()));

    EXPECT_EQ(Platform::privateRuntimeFolder(own, "velomar-test", 24), runtime);
    ::chmod(runtime.c_str(), 0755); // others may enter: not private
    EXPECT_EQ(Platform::privateRuntimeFolder(own, "velomar-test", 24), own);
    EXPECT_EQ(modeOf(own), 0700u);
    // Too long a path for a socket.
    EXPECT_EQ(Platform::privateRuntimeFolder(own, "velomar-test", 200), fs::path());
    const fs::path deep = base / std::string(100, 'd');
    EXPECT_EQ(Platform::privateRuntimeFolder(deep, "velomar-test", 24), lastResort);

    // A folder someone else made first, under the name the program would use.
    if (::geteuid() == 0) {
        ASSERT_EQ(::chown(own.c_str(), 65534, 65534), 0);
        ASSERT_EQ(::chown(lastResort.c_str(), 65534, 65534), 0);
        EXPECT_EQ(Platform::privateRuntimeFolder(own, "velomar-test", 24), fs::path());
    }
    fs::remove_all(base);
}
