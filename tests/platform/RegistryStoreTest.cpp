#include "platform/RegistryStore.h"
#include "tests/support/TempHome.h"

#include <gtest/gtest.h>

using Platform::RegistryStore;
using TestSupport::readFile;
using TestSupport::TempHome;
using TestSupport::writeFile;

TEST(RegistryStore, FormatsRegedit4) {
    RegistryStore::Keys keys;
    keys["Software\\Vendor\\Product"]["Timeout"] = std::uint32_t{5};
    keys["Software\\Vendor\\Product"]["InstallDir"] = std::string("C:\\odd \"dir\"");
    EXPECT_EQ(RegistryStore::format(keys), "REGEDIT4\n"
                                           "\n"
                                           "[HKEY_CURRENT_USER\\Software\\Vendor\\Product]\n"
                                           "\"InstallDir\"=\"C:\\\\odd \\\"dir\\\"\"\n"
                                           "\"Timeout\"=dword:00000005\n"
                                           "\n");
}

TEST(RegistryStore, ParsesWhatItFormats) {
    RegistryStore::Keys keys;
    keys["A"]["n"] = std::uint32_t{0xFFFFFFFF};
    keys["A"]["t"] = std::string("line\nbreak\r\\ \"q\" ü");
    keys["B\\C"]["e"] = std::string();
    const auto snapshot = RegistryStore::parse(RegistryStore::format(keys));
    EXPECT_TRUE(snapshot.problem.empty());
    EXPECT_EQ(snapshot.keys, keys);
}

TEST(RegistryStore, MalformedTextIsReadUpToTheFault) {
    const auto snapshot = RegistryStore::parse("REGEDIT4\r\n"
                                               "; a comment\n"
                                               "[HKEY_CURRENT_USER\\K]\n"
                                               "\"Good\"=dword:0000002a\n"
                                               "\"Bad\"=dword:xyz\n"
                                               "\"Later\"=dword:00000001\n");
    EXPECT_EQ(snapshot.problem, "line 5: malformed value");
    ASSERT_EQ(snapshot.keys.count("K"), 1u);
    EXPECT_EQ(snapshot.keys.at("K").size(), 1u);
    EXPECT_EQ(std::get<std::uint32_t>(snapshot.keys.at("K").at("Good")), 42u);
}

TEST(RegistryStore, RejectsOtherFilesAndShapes) {
    EXPECT_EQ(RegistryStore::parse("\x7F"
                                   "ELF\x01")
                  .problem,
              "line 1: no REGEDIT4 header");
    EXPECT_EQ(RegistryStore::parse("REGEDIT4\n\"v\"=dword:1\n").problem,
              "line 2: value outside a key");
    EXPECT_EQ(RegistryStore::parse("REGEDIT4\n[HKEY_LOCAL_MACHINE\\X]\n").problem,
              "line 2: not a key of HKEY_CURRENT_USER");
    EXPECT_FALSE(
        RegistryStore::parse("REGEDIT4\n[HKEY_CURRENT_USER\\K]\n\"v\"=\"open").problem.empty());
    EXPECT_FALSE(RegistryStore::parse("REGEDIT4\n[HKEY_CURRENT_USER\\K]\n\"v\"=dword:123456789\n")
                     .problem.empty());
    EXPECT_TRUE(RegistryStore::parse("").problem.empty());
}

TEST(RegistryStore, WriteKeepsOtherKeysAndValues) {
    TempHome home;
    const auto file = home.path() / "cfg" / "store.reg";
    writeFile(file, "REGEDIT4\n\n[HKEY_CURRENT_USER\\Other]\n\"x\"=\"y\"\n\n"
                    "[HKEY_CURRENT_USER\\Mine]\n\"keep\"=dword:00000007\n\"a\"=dword:00000001\n");
    const RegistryStore store(file);
    ASSERT_EQ(store.write("Mine", {{"a", std::uint32_t{2}}, {"b", std::string("t")}}), 0);
    const auto keys = store.read().keys;
    EXPECT_EQ(std::get<std::string>(keys.at("Other").at("x")), "y");
    EXPECT_EQ(std::get<std::uint32_t>(keys.at("Mine").at("keep")), 7u);
    EXPECT_EQ(std::get<std::uint32_t>(keys.at("Mine").at("a")), 2u);
    EXPECT_EQ(std::get<std::string>(keys.at("Mine").at("b")), "t");
}

TEST(RegistryStore, UserStoreFollowsXdgConfigHome) {
    TempHome home;
    const auto path = RegistryStore::userStorePath("Maker", "Product");
    EXPECT_EQ(path, home.configFolder() / "Maker" / "Product.reg");
    const RegistryStore store(path);
    EXPECT_TRUE(store.read().keys.empty());
    ASSERT_EQ(store.write("K", {{"v", std::uint32_t{1}}}), 0);
    EXPECT_NE(readFile(path).find("\"v\"=dword:00000001"), std::string::npos);
}
