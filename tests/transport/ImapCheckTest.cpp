// What an IMAP check fetches, and how a fetched message is dated.
#include "transport/ImapCheck.h"
#include "headers/MailDate.h"
#include "logic/Mail.h"
#include "transport/ImapSession.h"

#include <gtest/gtest.h>

using Uids = std::vector<std::uint32_t>;

TEST(ImapCheck, FetchesTheUnseenFromTheMarkTheNewestAtMost) {
    const Uids unseen{3, 5, 8, 9};
    EXPECT_EQ(ImapCheck::toFetch(unseen, {7, 6}, 7, 10), (Uids{8, 9}));
    // Another UIDVALIDITY: every unseen message again.
    EXPECT_EQ(ImapCheck::toFetch(unseen, {7, 6}, 8, 10), unseen);
    EXPECT_EQ(ImapCheck::toFetch(unseen, {}, 7, 3), (Uids{5, 8, 9}));
}

TEST(ImapCheck, AMessageIsDatedByItsArrival) {
    const ImapMessage message{42, false, " 7-Jul-2026 02:44:25 -0700",
                              "Date: Mon, 1 Jan 2001 00:00:00 +0000\r\nSubject: hi\r\n\r\n"};
    const auto mail = ImapCheck::mailOf("anna@example.org", message);
    EXPECT_EQ(mail->imapUid(), 42u);
    EXPECT_EQ(mail->subject(), u"hi");
    EXPECT_EQ(mail->received(), parseMailDate("7 Jul 2026 02:44:25 -0700"));
}
