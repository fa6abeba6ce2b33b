#include "foundation/Settings.h"
#include "tests/support/TempHome.h"

#include <gtest/gtest.h>

#include <csignal>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using Platform::RegistryStore;
using TestSupport::readFile;
using TestSupport::TempHome;
using TestSupport::writeFile;

namespace {

std::filesystem::path userStore() {
    return RegistryStore::userStorePath("Quorvex Software", "Quorvex Velomar");
}

const std::filesystem::path kExecutable = "/opt/velomar/bin/velomar";

Norq::Settings makeSettings() {
    return Norq::Settings(RegistryStore(userStore()), Platform::Autostart("Quorvex Velomar"),
                          kExecutable);
}

const char* const kSection = "[HKEY_CURRENT_USER\\Software\\Quorvex Software\\Quorvex Velomar]";

} // namespace

TEST(Settings, DefaultsWithoutAStore) {
    TempHome home;
    const auto settings = makeSettings();
    EXPECT_EQ(settings.installDir(), u"/opt/velomar/bin");
    EXPECT_EQ(settings.notificationSound(), u"/opt/velomar/bin/basis/notify.wav");
    EXPECT_EQ(settings.mainWindowSize().width, 580u);
    EXPECT_EQ(settings.mainWindowSize().height, 400u);
    EXPECT_EQ(settings.flags(), 3u);
    EXPECT_EQ(settings.timeout(), 5u);
    EXPECT_EQ(settings.notificationStyle(), Norq::Settings::NotificationStyle::Automatic);
    EXPECT_FALSE(settings.keyExists());
}

TEST(Settings, FirstSaveWritesAllSixValuesInNameOrder) {
    TempHome home;
    auto settings = makeSettings();
    settings.setMainWindowSize(640, 480);
    settings.setNotificationSound(u"/home/me/Звук \"1\".wav");
    ASSERT_EQ(settings.save(), 0);
    EXPECT_EQ(readFile(userStore()), std::string("REGEDIT4\n\n") + kSection +
                                         "\n"
                                         "\"Flags\"=dword:00000003\n"
                                         "\"InstallDir\"=\"/opt/velomar/bin\"\n"
                                         "\"MainWndSize\"=dword:01e00280\n"
                                         "\"NotificationSound\"=\"/home/me/Звук \\\"1\\\".wav\"\n"
                                         "\"NotificationStyle\"=dword:00000000\n"
                                         "\"Timeout\"=dword:00000005\n\n");
    struct stat info {};
    ::stat(userStore().c_str(), &info);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
}

TEST(Settings, AMissingValueKeepsItsDefaultAndIsWrittenBack) {
    TempHome home;
    writeFile(userStore(), std::string("REGEDIT4\n\n") + kSection + "\n\"Flags\"=dword:00000001\n");
    auto settings = makeSettings();
    EXPECT_EQ(settings.flags(), 1u);
    EXPECT_EQ(settings.timeout(), 5u);
    ASSERT_EQ(settings.save(), 0);
    EXPECT_NE(readFile(userStore()).find("\"Timeout\"=dword:00000005"), std::string::npos);
}

TEST(Settings, StoredValuesWinOverDefaults) {
    TempHome home;
    {
        auto settings = makeSettings();
        settings.setTimeout(0);
        settings.setFlags(Norq::Settings::FlagPlaySound);
        ASSERT_EQ(settings.save(), 0);
    }
    const auto settings = makeSettings();
    EXPECT_EQ(settings.timeout(), 0u);
    EXPECT_EQ(settings.flags(), 2u);
}

TEST(Settings, AutostartEntryNamesTheExecutable) {
    TempHome home;
    auto settings = makeSettings();
    EXPECT_FALSE(settings.isAutostart());
    ASSERT_TRUE(settings.enableAutostart());
    const auto entry = home.configFolder() / "autostart" / "Quorvex Velomar.desktop";
    EXPECT_EQ(readFile(entry), "[Desktop Entry]\n"
                               "Type=Application\n"
                               "Name=Quorvex Velomar\n"
                               "Exec=\"/opt/velomar/bin/velomar\" -minimized\n"
                               "Terminal=false\n"
                               "X-GNOME-Autostart-enabled=true\n");
    EXPECT_TRUE(settings.isAutostart());
    ASSERT_TRUE(settings.disableAutostart());
    EXPECT_FALSE(settings.isAutostart());
    EXPECT_TRUE(settings.disableAutostart());
}

TEST(Settings, AutostartIsOnWhateverProgramTheEntryNames) {
    TempHome home;
    writeFile(home.configFolder() / "autostart" / "Quorvex Velomar.desktop",
              "[Desktop Entry]\nExec=/somewhere/else\n");
    EXPECT_TRUE(makeSettings().isAutostart());
}

TEST(Settings, AnOlderAutostartEntryStartsHiddenFromNowOn) {
    TempHome home;
    auto settings = makeSettings();
    EXPECT_TRUE(settings.upgradeAutostart()); // no entry: nothing to do
    EXPECT_FALSE(settings.isAutostart());
    const auto entry = home.configFolder() / "autostart" / "Quorvex Velomar.desktop";
    writeFile(entry, "[Desktop Entry]\nExec=\"/old place/velomar\"\nTerminal=false\n");
    ASSERT_TRUE(settings.upgradeAutostart());
    const std::string upgraded = "[Desktop Entry]\nExec=\"/old place/velomar\" -minimized\n"
                                 "Terminal=false\n";
    EXPECT_EQ(readFile(entry), upgraded);
    ASSERT_TRUE(settings.upgradeAutostart());
    EXPECT_EQ(readFile(entry), upgraded);
}

TEST(Settings, ExecQuotesAwkwardPaths) {
    const Platform::Autostart autostart("X");
    const std::string text = autostart.entryText("/a b/$x`\"q\"\\50%/run");
    EXPECT_NE(text.find("Exec=\"/a b/\\\\$x\\\\`\\\\\"q\\\\\"\\\\\\\\50%%/run\" -minimized\n"),
              std::string::npos)
        << text;
}

TEST(Settings, AKillDuringSaveLeavesAWholeFile) {
    TempHome home;
    int pipeFds[2];
    ASSERT_EQ(::pipe(pipeFds), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::close(pipeFds[0]);
        auto settings = makeSettings();
        for (std::uint32_t round = 1;; ++round) {
            settings.setTimeout(round);
            settings.setNotificationSound(std::u16string(1000 + round % 3000, u'ж'));
            settings.save();
            if (round == 20) {
                [[maybe_unused]] auto written = ::write(pipeFds[1], "!", 1);
            }
        }
    }
    ::close(pipeFds[1]);
    char ready;
    ASSERT_EQ(::read(pipeFds[0], &ready, 1), 1);
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
    ::close(pipeFds[0]);

    const auto snapshot = RegistryStore(userStore()).read();
    EXPECT_TRUE(snapshot.problem.empty());
    const auto& values = snapshot.keys.at("Software\\Quorvex Software\\Quorvex Velomar");
    EXPECT_EQ(values.size(), 6u);
    EXPECT_GE(std::get<std::uint32_t>(values.at("Timeout")), 20u);
    size_t leftovers = 0;
    for (const auto& entry : std::filesystem::directory_iterator(userStore().parent_path()))
        leftovers += entry.path().filename() != "Quorvex Velomar.reg";
    EXPECT_LE(leftovers, 1u); // at most the temporary file the kill interrupted
}
