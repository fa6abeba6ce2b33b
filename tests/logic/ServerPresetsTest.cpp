#include "logic/ServerPresets.h"
#include "logic/AccountSuggestion.h"
#include "tests/support/StderrCapture.h"
#include "tests/support/TempHome.h"

#include <gtest/gtest.h>

using Logic::ServerPreset;
using Logic::ServerPresets;
using TestSupport::StderrCapture;

namespace {

// The file lives in a throwaway folder.
class ServerPresetsTest : public ::testing::Test {
protected:
    void install(const std::string& content) { TestSupport::writeFile(file(), content); }
    ServerPresets load() const { return ServerPresets::fromFile(file()); }

private:
    std::filesystem::path file() const { return m_home.path() / "servers.xml"; }

    TestSupport::TempHome m_home;
};

} // namespace

TEST_F(ServerPresetsTest, ReadsEveryServersListAndLooksUpExactly) {
    install(R"(<?xml version="1.0" encoding="UTF-8"?>
<servers>
  <server name="mail.example" url="https://mail.example/">
    <pop3 address="pop.mail.example" port="995" ssl="1">
      <traits><login prefix="first:"/><login suffix="@mail.example"/><Login prefix="no:"/></traits>
      <traits><login prefix="recent:"/><note>text is not used</note></traits>
    </pop3>
  </server>
  <Server name="ignored.example"/>
</servers>
<other><server name="nested.example"/></other>
<servers><server name="plain.example"><pop3 address="pop.plain.example"/></server></servers>
)");
    StderrCapture capture;
    const ServerPresets presets = load();
    EXPECT_EQ(capture.text(), "");
    ASSERT_EQ(presets.size(), 2u);

    const ServerPreset* preset = presets.find("mail.example");
    ASSERT_NE(preset, nullptr);
    EXPECT_EQ(preset->url, "https://mail.example/");
    EXPECT_EQ(preset->pop3.address, "pop.mail.example");
    EXPECT_EQ(preset->pop3.port, 995);
    EXPECT_TRUE(preset->pop3.ssl);
    EXPECT_EQ(preset->pop3.loginPrefix, "recent:"); // the last one wins
    EXPECT_EQ(preset->pop3.loginSuffix, "@mail.example");

    EXPECT_NE(presets.find("plain.example"), nullptr);
    EXPECT_EQ(presets.find("Mail.Example"), nullptr);
    EXPECT_EQ(presets.find("example"), nullptr);
}

TEST_F(ServerPresetsTest, ReportsProblemsWithTheirPositionAndReadsOn) {
    install(
        "<servers>\n"
        "  <server name=\"a.example\"><pop3 address=\"pop.a\"/></server>\n"
        "    <server url=\"https://nameless/\"/>\n"
        "  <server name=\"a.example\"><pop3 address=\"pop.second\"/></server>\n"
        "  <server name=\"b.example\">\n"
        "    <pop3 address=\"pop.b\" port=\"995\" ssl=\"1\"/>\n"
        "    <pop3 port=\"111\"/>\n"
        "  </server>\n"
        "  <server name=\"c.example\"><pop3 address=\"pop.c\" port=\"x1\" ssl=\"true\"/></server>\n"
        "  <server name=\"d.example\"><pop3 ssl=\"1\"/></server>\n"
        "</servers>\n");
    StderrCapture capture;
    const ServerPresets presets = load();
    EXPECT_EQ(capture.text(), "Scripts: the name of server is missing $[pos 3:5]\n"
                              "Scripts: the name of server [a.example] already exists $[pos 4:3]\n"
                              "Scripts: the address of pop3 server is missing $[pos 7:5]\n"
                              "Norq: wrong lexical cast to unsigned short $[x1]\n"
                              "Norq: wrong lexical cast to bool $[true]\n"
                              "Scripts: the address of pop3 server is missing $[pos 10:28]\n");

    ASSERT_EQ(presets.size(), 4u);
    EXPECT_EQ(presets.find("a.example")->pop3.address, "pop.a"); // the first definition wins
    // A pop3 element without address leaves what the one before it set.
    EXPECT_EQ(presets.find("b.example")->pop3.address, "pop.b");
    EXPECT_EQ(presets.find("b.example")->pop3.port, 995);
    // Failed conversions give 0 and false.
    EXPECT_EQ(presets.find("c.example")->pop3.port, 0);
    EXPECT_FALSE(presets.find("c.example")->pop3.ssl);
    // A server whose only pop3 element is broken keeps the defaults.
    EXPECT_EQ(presets.find("d.example")->pop3.address, "");
    EXPECT_EQ(presets.find("d.example")->pop3.port, 110);
    EXPECT_FALSE(presets.find("d.example")->pop3.ssl);
}

TEST_F(ServerPresetsTest, MissingOrBrokenFilesLeaveTheTableUsable) {
    {
        StderrCapture quiet; // the failure to open leaves its own line
        EXPECT_EQ(load().size(), 0u);
    }
    for (const std::string& text :
         {std::string(), std::string("not xml"), std::string("<servers>\0<server name=\"x\"/>", 28),
          std::string(4096, '<')}) {
        install(text);
        EXPECT_EQ(load().size(), 0u);
    }

    // What was read before a cut is kept.
    install("<servers><server name=\"whole.example\"><pop3 address=\"pop.whole\"/></server>"
            "<server name=\"cut.example\"><pop3 address=\"po");
    StderrCapture capture;
    const ServerPresets presets = load();
    EXPECT_EQ(capture.text(), "Scripts: the address of pop3 server is missing $[pos 1:102]\n");
    ASSERT_NE(presets.find("whole.example"), nullptr);
    EXPECT_EQ(presets.find("whole.example")->pop3.address, "pop.whole");
}

TEST_F(ServerPresetsTest, TheShippedListIsCleanAndUsable) {
    StderrCapture capture;
    const auto presets = ServerPresets::fromFile(VELOMAR_BASIS_DIR "/servers.xml");
    EXPECT_EQ(capture.text(), "");
    EXPECT_GE(presets.size(), 20u);

    for (const auto& [domain, preset] : presets.all()) {
        SCOPED_TRACE(domain);
        // Every provider says what it wants, with a help page of its own.
        EXPECT_FALSE(preset.access.note.empty());
        EXPECT_EQ(preset.access.help.rfind("https://", 0), 0u);
        EXPECT_EQ(preset.url.rfind("https://", 0), 0u);
        // One that takes no password offers no server that could not work; IMAP over TLS.
        EXPECT_EQ(preset.imapAccess.login == ServerPreset::Login::None,
                  preset.imap.address.empty());
        if (!preset.imap.address.empty()) {
            EXPECT_EQ(preset.imap.port, 993);
            EXPECT_TRUE(preset.imap.ssl);
            EXPECT_TRUE(preset.imap.loginPrefix.empty());
        }
        if (preset.access.login == ServerPreset::Login::None) {
            EXPECT_TRUE(preset.pop3.address.empty());
            continue;
        }
        EXPECT_FALSE(preset.pop3.address.empty());
        EXPECT_EQ(preset.pop3.port, 995);
        EXPECT_TRUE(preset.pop3.ssl);
        // A suffix, when there is one, completes the address of this very domain.
        if (!preset.pop3.loginSuffix.empty()) {
            EXPECT_EQ(preset.pop3.loginSuffix, "@" + domain);
        }
    }
    const ServerPreset* gmail = presets.find("gmail.com");
    ASSERT_NE(gmail, nullptr);
    EXPECT_EQ(gmail->pop3.loginPrefix, "recent:");
    EXPECT_EQ(gmail->pop3.loginSuffix, "@gmail.com");
    EXPECT_EQ(gmail->access.login, ServerPreset::Login::AppPassword);
    EXPECT_EQ(gmail->imapLogin("someone@gmail.com"), "someone@gmail.com");
    EXPECT_NE(gmail->imapAccess.note, gmail->access.note);
    // No POP3 at iCloud, but IMAP with an app-specific password, the login the user part.
    const ServerPreset* icloud = presets.find("icloud.com");
    EXPECT_EQ(icloud->imap.address, "imap.mail.me.com");
    EXPECT_EQ(icloud->imapAccess.login, ServerPreset::Login::AppPassword);
    EXPECT_EQ(icloud->imapLogin("anna@icloud.com"), "anna");
    EXPECT_EQ(presets.refusalAdvice("POP.Gmail.com"),
              "This provider needs an app password: " + gmail->access.help);
    EXPECT_EQ(presets.refusalAdvice("pop.example.net"), "");
    // Providers that take no password for POP3 are named as such.
    for (const char* none : {"outlook.com", "hotmail.com", "icloud.com"})
        EXPECT_EQ(presets.find(none)->access.login, ServerPreset::Login::None) << none;
}

TEST(EmailAddress, NeedsANameAnAtSignAndADomain) {
    for (const char* good : {"me@example.org", "a.b+c@localhost", "x@y"})
        EXPECT_TRUE(Logic::isEmailAddress(good)) << good;
    for (const char* bad :
         {"notanaddress", "@example.org", "me@", "me@@example.org", "a@b@c", "me @example.org", ""})
        EXPECT_FALSE(Logic::isEmailAddress(bad)) << bad;
}

TEST_F(ServerPresetsTest, BrokenUtf8IsReplacedBeforeTheXmlParserSeesIt) {
    // A lead byte of a four-byte character as the very last byte: the XML parser would step
    // over it, and past the end of the text (valgrind sees the read; the parser library is not
    // built with the sanitizers).
    install("<?xml vee>\n<servers><server name=\"ok.example\"><pop3 address=\"pop.ok.example\"/>"
            "</server></servers>\n <s>?\xFF>\nm\xF4");
    StderrCapture capture;
    const ServerPresets presets = load();
    EXPECT_NE(presets.find("ok.example"), nullptr);
    EXPECT_TRUE(capture.text().starts_with(
        "Scripts: servers.xml is not UTF-8 text throughout $[servers.xml]\n"))
        << capture.text();
}

TEST(AccountSuggestion, PresetsFillServerLoginAndWebMailByExactDomain) {
    const auto presets = ServerPresets::fromText(
        R"(<servers><server name="mail.example" url="https://mail.example/">
             <pop3 address="pop.mail.example" port="995" ssl="1">
               <traits><login prefix="recent:" suffix="@mail.example"/></traits></pop3>
           </server></servers>)",
        "test");

    const auto known = Logic::suggestAccount(presets, "box7@mail.example", "secret");
    EXPECT_EQ(known.connectionSettings.serverName(), "pop.mail.example");
    EXPECT_EQ(known.connectionSettings.port(), 995);
    EXPECT_TRUE(known.connectionSettings.useTls());
    EXPECT_EQ(known.connectionSettings.userLogin(), "recent:box7@mail.example");
    EXPECT_EQ(known.connectionSettings.password(), "secret");
    EXPECT_EQ(known.preferences.readMailAction(), Logic::ReadMailAction::OpenUrl);
    EXPECT_EQ(known.preferences.url(), u"https://mail.example/");

    // The domain must match exactly; an address without an at sign is its own user part.
    for (const char* address : {"box7@Mail.Example", "box7"}) {
        const auto unknown = Logic::suggestAccount(presets, address, "");
        EXPECT_EQ(unknown.connectionSettings.serverName(), "");
        EXPECT_EQ(unknown.connectionSettings.port(), 110);
        EXPECT_EQ(unknown.connectionSettings.userLogin(), "box7");
        EXPECT_EQ(unknown.preferences, Logic::AccountPreferences());
    }
}
