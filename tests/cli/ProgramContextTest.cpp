#include "cli/ProgramContext.h"
#include "foundation/Exception.h"
#include "tests/cli/ProgramRun.h"
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

class ProgramContextTest : public ::testing::Test {
protected:
    // The test program's folder, where the build puts a copy of the installed files.
    static std::filesystem::path ownFolder() {
        return std::filesystem::read_symlink("/proc/self/exe").parent_path();
    }
    TempHome m_home;
};

} // namespace

TEST(CommandLineOptions, OptionsAndValues) {
    EXPECT_EQ(parse({"-minimized"}).optionValue("minimized"), std::string());
    EXPECT_EQ(parse({"-minimized", "extra"}).optionValue("minimized"), "extra");
    EXPECT_EQ(parse({"--login", "/srv"}).optionValue("-login"), "/srv");
    EXPECT_FALSE(parse({"minimized"}).hasOption("minimized"));
    EXPECT_FALSE(parse({"-Minimized"}).hasOption("minimized"));

    const auto options = parse({"value-first", "-x", "a", "b", "-", "--json", "-x", "c"});
    EXPECT_EQ(options.optionValue("x"), "c"); // the value given last
    EXPECT_EQ(options.optionValue(""), std::string());
    EXPECT_EQ(options.optionValue("-json"), std::string());
    EXPECT_FALSE(options.hasOption("value-first"));
}

TEST_F(ProgramContextTest, CreatesThePrivateDataFolderAndFindsTheInstallFolder) {
    const char* argv[] = {"velomar", "--check-once"};
    ProgramContext application(2, argv);
    EXPECT_EQ(application.dataFolder(),
              m_home.dataFolder() / "Quorvex Software" / "Quorvex Velomar");
    EXPECT_TRUE(std::filesystem::is_directory(application.dataFolder()));
    EXPECT_TRUE(application.options().hasOption("-check-once"));
    EXPECT_EQ(std::filesystem::path(application.settings().installDir()), ownFolder());
    EXPECT_EQ(application.presetsFile(), ownFolder() / "basis" / "servers.xml");
}

TEST_F(ProgramContextTest, AStoredInstallFolderThatNoLongerHoldsTheFilesGivesWayToTheRunningOne) {
    const auto store = [this](const std::string& sound) {
        TestSupport::writeFile(m_home.configFolder() / "Quorvex Software" / "Quorvex Velomar.reg",
                               "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Quorvex "
                               "Software\\Quorvex Velomar]\n\"InstallDir\"=\"/gone/bin\"\n"
                               "\"NotificationSound\"=\"" +
                                   sound + "\"\n");
    };
    const char* argv[] = {"velomar"};
    store("/gone/share/velomar/basis/notify.wav");
    {
        ProgramContext application(1, argv);
        EXPECT_EQ(std::filesystem::path(application.settings().installDir()), ownFolder());
        // The bundled sound of the old place becomes the bundled sound of this one.
        EXPECT_EQ(std::filesystem::path(application.settings().notificationSound()),
                  ownFolder() / "basis" / "notify.wav");
        EXPECT_EQ(application.presetsFile(), ownFolder() / "basis" / "servers.xml");
    }
    store("/gone/my-own.wav");
    ProgramContext application(1, argv);
    EXPECT_EQ(application.settings().notificationSound(), u"/gone/my-own.wav");
}

TEST_F(ProgramContextTest, NoDataFolderIsAFailure) {
    ::unsetenv("XDG_DATA_HOME");
    ::unsetenv("HOME");
    StderrCapture quiet;
    const char* argv[] = {"velomar"};
    try {
        ProgramContext application(1, argv);
        ADD_FAILURE() << "no failure";
    } catch (const Norq::Exception& failure) {
        EXPECT_STREQ(failure.what(), "Quorvex Velomar cannot find your home folder: neither HOME "
                                     "nor XDG_DATA_HOME is set. Set HOME to your home folder and "
                                     "start it again.");
    }
    // A file where the data folder belongs.
    ::setenv("XDG_DATA_HOME", m_home.path().c_str(), 1);
    TestSupport::writeFile(m_home.path() / "Quorvex Software", "");
    try {
        ProgramContext application(1, argv);
        ADD_FAILURE() << "no failure";
    } catch (const Norq::Exception& failure) {
        EXPECT_EQ(failure.what(),
                  "Quorvex Velomar cannot write to its data folder " +
                      (m_home.path() / "Quorvex Software/Quorvex Velomar").string() +
                      " (Not a directory). Make sure you can write there, or set "
                      "XDG_DATA_HOME to a folder you can write to.");
    }
}

// Copies of the real executable: installed under a prefix, and alone.
TEST_F(ProgramContextTest, TheProgramFindsItsInstalledFilesOrSaysWhereItLooked) {
    namespace fs = std::filesystem;
    const fs::path prefix = m_home.path() / "prefix";
    fs::create_directories(prefix / "bin");
    fs::create_directories(prefix / "share/velomar");
    fs::copy_file(VELOMAR_EXECUTABLE, prefix / "bin/velomar");
    fs::copy(fs::path(VELOMAR_EXECUTABLE).parent_path() / "basis", prefix / "share/velomar/basis");
    const std::string addGmail = "--add-account someone@gmail.com --no-test";
    const std::string password = "echo secret |";
    const auto installed =
        TestProgram::run((prefix / "bin/velomar").string(), addGmail, password, "2>&1");
    EXPECT_EQ(installed.exitCode, 0) << installed.output;
    EXPECT_NE(installed.output.find("server imap.gmail.com"), std::string::npos);

    fs::create_directories(m_home.path() / "alone");
    fs::copy_file(VELOMAR_EXECUTABLE, m_home.path() / "alone/velomar");
    const std::string alone = (m_home.path() / "alone/velomar").string();
    EXPECT_EQ(TestProgram::run(alone, "--help").exitCode, 0);
    const auto lost = TestProgram::run(alone, "--list-accounts", "", "2>&1");
    EXPECT_EQ(lost.exitCode, 1);
    EXPECT_TRUE(lost.output.ends_with(
        "velomar: Quorvex Velomar cannot find its installed files (servers.xml, notify.wav): it "
        "looked in " +
        (m_home.path() / "alone/basis").string() + " and " +
        (m_home.path() / "share/velomar/basis").string() +
        ". Install it again (cmake --install, or its package), or start the velomar of a "
        "complete build.\n"))
        << lost.output;
    // A copy alone uses the stored install folder when that holds the files.
    TestSupport::writeFile(m_home.configFolder() / "Quorvex Software" / "Quorvex Velomar.reg",
                           "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Quorvex "
                           "Software\\Quorvex Velomar]\n\"InstallDir\"=\"" +
                               (prefix / "bin").string() + "\"\n");
    const auto found = TestProgram::run(alone, "--list-accounts", "", "2>&1");
    EXPECT_EQ(found.exitCode, 0) << found.output;
    EXPECT_NE(found.output.find("someone@gmail.com  imap.gmail.com:993"), std::string::npos);
}
