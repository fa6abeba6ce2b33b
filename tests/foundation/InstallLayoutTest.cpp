#include "foundation/InstallLayout.h"
#include "tests/support/TempHome.h"

#include <gtest/gtest.h>

using TestSupport::writeFile;

TEST(InstallLayout, BesideTheExecutableFirstThenTheInstalledShareFolder) {
    const TestSupport::TempHome home;
    const auto bin = home.path() / "prefix/bin";
    const auto share = home.path() / "prefix/share/velomar";
    std::filesystem::create_directories(bin);
    EXPECT_EQ(Norq::InstallLayout::basisFolders(bin),
              (std::vector<std::filesystem::path>{bin / "basis", share / "basis"}));
    EXPECT_FALSE(Norq::InstallLayout::findBasisFolder(bin));
    EXPECT_EQ(Norq::InstallLayout::userGuide(bin), bin / "docs/user-guide.html");

    writeFile(share / "basis/servers.xml", "<servers/>");
    writeFile(share / "docs/user-guide.html", "<html/>");
    EXPECT_EQ(Norq::InstallLayout::findBasisFolder(bin), share / "basis");
    EXPECT_EQ(Norq::InstallLayout::userGuide(bin), share / "docs/user-guide.html");

    writeFile(bin / "basis/servers.xml", "<servers/>");
    writeFile(bin / "docs/user-guide.html", "<html/>");
    EXPECT_EQ(Norq::InstallLayout::findBasisFolder(bin), bin / "basis");
    EXPECT_EQ(Norq::InstallLayout::userGuide(bin), bin / "docs/user-guide.html");
}

// velomar and its tray program find each other, installed or in a build.
TEST(InstallLayout, TheTrayProgramAndItsFrontDoor) {
    const TestSupport::TempHome home;
    const auto bin = home.path() / "prefix/bin";
    const auto libexec = home.path() / "prefix/libexec/velomar";
    std::filesystem::create_directories(bin);
    EXPECT_FALSE(Norq::InstallLayout::findTrayProgram(bin));
    writeFile(libexec / "velomar-tray", "");
    EXPECT_EQ(Norq::InstallLayout::findTrayProgram(bin), libexec / "velomar-tray");
    EXPECT_EQ(Norq::InstallLayout::frontDoor(libexec / "velomar-tray"), bin / "velomar");
    EXPECT_EQ(Norq::InstallLayout::frontDoor(bin / "velomar"), bin / "velomar");

    writeFile(bin / "velomar-tray", "");
    writeFile(bin / "velomar", "");
    EXPECT_EQ(Norq::InstallLayout::findTrayProgram(bin), bin / "velomar-tray");
    EXPECT_EQ(Norq::InstallLayout::frontDoor(bin / "velomar-tray"), bin / "velomar");
}
