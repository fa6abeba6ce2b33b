#include "cli/CheckReport.h"
#include "tests/support/ScopedTimeZone.h"

#include <gtest/gtest.h>

TEST(CheckReport, JsonEscapesWhatMailersPutInHeaders) {
    CheckReport report;
    CheckReport::Account account;
    account.email = "a@example.org";
    account.checked = true;
    account.unread = 1;
    account.newMessages.push_back({"\"Q\" \\ <q@x>", "tab\there\x01", {}});
    report.accounts.push_back(account);
    EXPECT_EQ(
        report.json(),
        "{\"unread\": 1, \"new\": 1, \"saved\": true, \"accounts\": [{\"email\": "
        "\"a@example.org\", "
        "\"status\": \"checked\", \"failure\": null, \"reason\": null, \"new\": 1, \"unread\": 1, "
        "\"newMessages\": [{\"from\": \"\\\"Q\\\" \\\\ <q@x>\", \"subject\": "
        "\"tab\\there\\u0001\", \"date\": null}]}]}\n");
}

TEST(CheckReport, DatesAsTheHeaderWroteThem) {
    const TestSupport::ScopedTimeZone zone("CET-1");
    // 7 Dec 2009 10:15:30 +0300 read as local time.
    const MailDate date = parseMailDate("Mon, 7 Dec 2009 10:15:30 +0300");
    EXPECT_EQ(isoDate(date), "2009-12-07T10:15:30+03:00");
    EXPECT_EQ(isoDate(parseMailDate("Mon, 7 Dec 2009 10:15:30 -0130")),
              "2009-12-07T10:15:30-01:30");
    EXPECT_EQ(isoDate({}), std::nullopt);
}

TEST(CheckReport, ExitCodeAndTotals) {
    CheckReport report;
    EXPECT_EQ(report.exitCode(), 0);
    report.accounts.resize(2);
    report.accounts[0].checked = true;
    report.accounts[0].unread = 4;
    report.accounts[1].failure = CheckFailure::Tls;
    report.accounts[1].unread = 3;
    EXPECT_EQ(report.totalUnread(), 7u);
    EXPECT_EQ(report.exitCode(), 3);
    report.accounts[1].failure = CheckFailure::Server;
    report.accounts[1].reason = "No answer from the server within 5 s after STAT.";
    EXPECT_NE(report.json().find("\"status\": \"failed\", \"failure\": \"server\", \"reason\": "
                                 "\"No answer from the server within 5 s after STAT.\""),
              std::string::npos);
    // Read in part: what was found counts, and the reason says why not all.
    report.accounts[1].checked = true;
    EXPECT_NE(report.plainText().find(": 0 new, 3 unread (No answer from the server within 5 s "
                                      "after STAT.)\n"),
              std::string::npos);
}

TEST(CheckReport, WhatCouldNotBeSavedIsNotShownAsKept) {
    CheckReport report;
    report.accounts.resize(1);
    report.accounts[0].email = "a@example.org";
    report.accounts[0].checked = true;
    report.accounts[0].unread = 1;
    report.accounts[0].newMessages.push_back({"Anna <anna@example.net>", "Tea\r\n\tat five", {}});
    // What was found but not kept would be found again: worse than an account not checked.
    report.saveFailure = "general.bin: No space left on device";
    EXPECT_EQ(report.exitCode(), 1);
    EXPECT_EQ(report.plainText(), "a@example.org: 1 new, 1 unread\n"
                                  "  Anna <anna@example.net>: Tea   at five\n"
                                  "Total: 1 new, 1 unread\n"
                                  "Not saved: the next check will report all of this again.\n");
    EXPECT_TRUE(report.json().starts_with("{\"unread\": 1, \"new\": 1, \"saved\": false, "))
        << report.json();
}
