#include "app/Application.h"
#include "foundation/Exception.h"
#include "foundation/FS.h"
#include "tests/support/StderrCapture.h"
#include "tests/support/TempHome.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

using TestSupport::StderrCapture;
using TestSupport::TempHome;

namespace {

CommandLineOptions parse(std::vector<const char*> arguments) {
    arguments.insert(arguments.begin(), "velomar");
    return CommandLineOptions(static_cast<int>(arguments.size()), arguments.data());
}

// Restores the working directory that Application changes.
class ApplicationTest : public ::testing::Test {
protected:
    ~ApplicationTest() override { std::filesystem::current_path(m_saved); }
    TempHome m_home;

private:
    std::filesystem::path m_saved = std::filesystem::current_path();
};

} // namespace

TEST(CommandLineOptions, OptionsAndValues) {
    EXPECT_EQ(parse({"/minimized"}).optionValue("minimized"), std::string());
    EXPECT_EQ(parse({"-minimized", "extra"}).optionValue("minimized"), "extra");
    EXPECT_FALSE(parse({"minimized"}).hasOption("minimized"));
    EXPECT_FALSE(parse({"-Minimized"}).hasOption("minimized"));

    const auto options = parse({"value-first", "/x", "a", "b", "-", "--json", "/x", "c"});
    EXPECT_EQ(options.optionValue("x"), "c"); // the value given last
    EXPECT_EQ(options.optionValue(""), std::string());
    EXPECT_EQ(options.optionValue("-json"), std::string());
    EXPECT_FALSE(options.hasOption("value-first"));
}

TEST(CommandLineOptions, PublishedWhileAlive) {
    {
        const auto options = parse({"-a"});
        ASSERT_NE(CommandLineOptions::current(), nullptr);
        EXPECT_TRUE(CommandLineOptions::current()->hasOption("a"));
    }
    EXPECT_EQ(CommandLineOptions::current(), nullptr);
}

TEST_F(ApplicationTest, CreatesThePrivateDataFolderAndEntersTheInstallFolder) {
    const char* argv[] = {"velomar", "--check-once"};
    Application application(2, argv);
    EXPECT_EQ(application.dataFolder(),
              m_home.dataFolder() / "Quorvex Software" / "Quorvex Velomar");
    EXPECT_TRUE(std::filesystem::is_directory(application.dataFolder()));
    EXPECT_TRUE(application.options().hasOption("-check-once"));
    EXPECT_EQ(Norq::FS::root(), "basis");
    EXPECT_EQ(std::filesystem::current_path(),
              std::filesystem::path(application.settings().installDir()));
}

TEST_F(ApplicationTest, NoDataFolderIsAFailure) {
    ::unsetenv("XDG_DATA_HOME");
    ::unsetenv("HOME");
    StderrCapture quiet;
    const char* argv[] = {"velomar"};
    try {
        Application application(1, argv);
        ADD_FAILURE() << "no failure";
    } catch (const Norq::Exception& failure) {
        EXPECT_STREQ(failure.what(), "Can't find CSIDL_LOCAL_APPDATA folder path!");
    }
}
