#include "foundation/XRegistry.h"
#include "foundation/Exception.h"
#include "tests/support/StderrCapture.h"
#include "tests/support/TempHome.h"

#include <gtest/gtest.h>

using Platform::RegistryStore;
using TestSupport::readFile;
using TestSupport::StderrCapture;
using TestSupport::TempHome;
using TestSupport::writeFile;

namespace {

template <class Failure, class Action> std::string failureOf(Action&& action) {
    try {
        action();
    } catch (const Failure& failure) {
        return failure.what();
    }
    return "no failure";
}

} // namespace

TEST(XRegistry, ProgrammingErrorsThrowTheirMessages) {
    TempHome home;
    StderrCapture quiet;
    Norq::XRegistry registry(RegistryStore(home.path() / "r.reg"), "K");
    registry.enroll("Timeout", std::uint32_t{5}, true);
    registry.enroll("Name", std::string("x"), true);

    EXPECT_EQ(failureOf<Norq::XRegistryEnrollFailure>(
                  [&] { registry.enroll("Timeout", std::uint32_t{1}, true); }),
              "XRegistry: переменная <Timeout> уже зарегистрированна.");
    EXPECT_EQ(failureOf<Norq::XRegistryNotExistFailure>(
                  [&] { registry.getValue<std::uint32_t>("Missing"); }),
              "XRegistry: переменная с именем <Missing> не зарегистрированна.");
    EXPECT_EQ(failureOf<Norq::XRegistryVarCastFailure>(
                  [&] { registry.getValue<std::string>("Timeout"); }),
              "XVar: ошибка при приведении переменной <Timeout> к типу [std::string].");
    EXPECT_EQ(failureOf<Norq::XRegistryVarCastFailure>(
                  [&] { registry.setValue("Name", std::uint32_t{1}); }),
              "XVar: ошибка при приведении переменной <Name> к типу [unsigned int].");
}

TEST(XRegistry, NothingIsCreatedBeforeTheFirstSave) {
    TempHome home;
    const auto file = home.path() / "cfg" / "r.reg";
    Norq::XRegistry registry(RegistryStore(file), "K");
    registry.enroll("A", std::uint32_t{1}, true);
    registry.setValue("A", std::uint32_t{2});
    EXPECT_FALSE(registry.keyExists());
    EXPECT_FALSE(std::filesystem::exists(file));
    EXPECT_EQ(registry.save(), 0);
    EXPECT_TRUE(registry.keyExists());
    EXPECT_EQ(readFile(file), "REGEDIT4\n\n[HKEY_CURRENT_USER\\K]\n\"A\"=dword:00000002\n\n");
}

TEST(XRegistry, LoadsAtEnrolmentOnlyWhenAsked) {
    TempHome home;
    const auto file = home.path() / "r.reg";
    writeFile(file, "REGEDIT4\n[HKEY_CURRENT_USER\\K]\n\"A\"=dword:00000009\n\"B\"=dword:9\n"
                    "\"T\"=dword:00000001\n");
    Norq::XRegistry registry(RegistryStore(file), "K");
    registry.enroll("A", std::uint32_t{1}, true);
    registry.enroll("B", std::uint32_t{1}, false);
    // A stored value of the other kind is not taken.
    registry.enroll("T", std::string("text"), true);
    EXPECT_EQ(registry.getValue<std::uint32_t>("A"), 9u);
    EXPECT_EQ(registry.getValue<std::uint32_t>("B"), 1u);
    EXPECT_EQ(registry.getValue<std::string>("T"), "text");
}

TEST(XRegistry, ValuesWrittenUnderOneKeyAreNotSeenUnderAnother) {
    TempHome home;
    const auto file = home.path() / "r.reg";
    {
        Norq::XRegistry first(RegistryStore(file), "First");
        first.enroll("V", std::uint32_t{7}, true);
        ASSERT_EQ(first.save(), 0);
    }
    Norq::XRegistry second(RegistryStore(file), "Second");
    second.enroll("V", std::uint32_t{1}, true);
    EXPECT_FALSE(second.keyExists());
    EXPECT_EQ(second.getValue<std::uint32_t>("V"), 1u);
    Norq::XRegistry again(RegistryStore(file), "First");
    again.enroll("V", std::uint32_t{1}, true);
    EXPECT_EQ(again.getValue<std::uint32_t>("V"), 7u);
}

TEST(XRegistry, MalformedFileIsReportedOnceAndReadUpToTheFault) {
    TempHome home;
    const auto file = home.path() / "r.reg";
    writeFile(file, "REGEDIT4\n[HKEY_CURRENT_USER\\K]\n\"A\"=dword:00000003\ngarbage\n"
                    "\"B\"=dword:00000004\n");
    StderrCapture capture;
    Norq::XRegistry registry(RegistryStore(file), "K");
    registry.enroll("A", std::uint32_t{1}, true);
    registry.enroll("B", std::uint32_t{1}, true);
    EXPECT_EQ(registry.getValue<std::uint32_t>("A"), 3u);
    EXPECT_EQ(registry.getValue<std::uint32_t>("B"), 1u);
    EXPECT_EQ(capture.text(),
              "Norq: malformed registry file, read up to the fault $[line 4: malformed value]\n");
}

TEST(XRegistry, SaveFailureIsReturnedAndChangesStayInMemory) {
    TempHome home;
    writeFile(home.path() / "blocker", "a file where the folder should be");
    Norq::XRegistry registry(RegistryStore(home.path() / "blocker" / "r.reg"), "K");
    registry.enroll("A", std::uint32_t{1}, true);
    registry.setValue("A", std::uint32_t{2});
    EXPECT_NE(registry.save(), 0);
    EXPECT_FALSE(registry.keyExists());
    EXPECT_EQ(registry.getValue<std::uint32_t>("A"), 2u);
}
