#include "logic/Mail.h"
#include "foundation/NameChecksum.h"
#include "foundation/SaveLoad.h"
#include "tests/logic/LogicTestSupport.h"

#include <gtest/gtest.h>

using Logic::Mail;
using LogicTest::readBack;

namespace {

// Header blocks as large providers deliver them, written for these tests.
const char* const kGmailBlock =
    "Delivered-To: ivan.petrov@gmail.com\r\n"
    "Received: by 2002:a05:6a10:9f8b:b0:4b1:2c6e:1d2a with SMTP id ab11csp1234567pxb;\r\n"
    "        Tue, 14 Nov 2023 06:41:12 -0800 (PST)\r\n"
    "X-Received: by 2002:a17:90a:d14c:b0:280:1e9e:2c1f with SMTP id t12mr1;\r\n"
    "        Tue, 14 Nov 2023 06:41:12 -0800 (PST)\r\n"
    "ARC-Seal: i=1; a=rsa-sha256; t=1699972872; cv=none;\r\n"
    "        d=google.com; s=arc-20160816;\r\n"
    "Return-Path: <anna.mueller@example.de>\r\n"
    "Received: from mail-sor-f41.google.com (mail-sor-f41.google.com. [209.85.220.41])\r\n"
    "        by mx.google.com with SMTPS id x3sor123;\r\n"
    "        Tue, 14 Nov 2023 06:41:11 -0800 (PST)\r\n"
    "MIME-Version: 1.0\r\n"
    "From: =?UTF-8?Q?Anna_M=C3=BCller?= <anna.mueller@example.de>\r\n"
    "Date: Tue, 14 Nov 2023 15:40:58 +0100\r\n"
    "Message-ID: <CAF3kR9xQ2m+Zp1L@mail.gmail.com>\r\n"
    "Subject: =?UTF-8?B?VHJlZmZlbiBhbSBEb25uZXJzdGFn?=\r\n"
    "To: ivan.petrov@gmail.com\r\n"
    "Content-Type: multipart/alternative; boundary=\"000000000000a1b2c3d4e5f6\"\r\n"
    "\r\n"
    ".\r\n";

const char* const kYandexBlock = "Return-Path: <ivan@example.ru>\r\n"
                                 "Received: from mail.example.ru (mail.example.ru [95.108.0.1])\r\n"
                                 "\tby mxfront1.mail.yandex.net (Yandex) with ESMTPS id 1A2B3C;\r\n"
                                 "\tFri, 01 Mar 2024 12:00:05 +0300\r\n"
                                 "Content-Type: text/plain; charset=\"KOI8-R\"\r\n"
                                 "From: =?koi8-r?B?6dfBziDwxdTSz9c=?= <ivan@example.ru>\r\n"
                                 "Subject: =?koi8-r?B?79TexdQg2sEgxsXX0sHM2A==?=\r\n"
                                 "Message-Id: <20240301120005.1A2B3C@mail.example.ru>\r\n"
                                 "\r\n"
                                 ".\r\n";

} // namespace

TEST(MailFromHeaders, TakesSenderSubjectDateAndMessageIdOfRealBlocks) {
    const LogicTest::ScopedTimeZone zone("UTC0");
    {
        const Mail mail("ivan.petrov@gmail.com", kGmailBlock);
        EXPECT_EQ(mail.accountEmail(), "ivan.petrov@gmail.com");
        EXPECT_EQ(mail.sender(), u"Anna Müller <anna.mueller@example.de>");
        EXPECT_EQ(mail.subject(), u"Treffen am Donnerstag");
        // The topmost Received line is the one the last server added on arrival.
        EXPECT_EQ(mail.received().time, 1699944072);
        EXPECT_EQ(mail.received().zoneOffset, -28800);
        EXPECT_EQ(mail.messageIdSum(), Norq::nameChecksum("<CAF3kR9xQ2m+Zp1L@mail.gmail.com>"));
        EXPECT_EQ(mail.flags(), 0u);
        EXPECT_FALSE(mail.notified());
    }
    {
        const Mail mail("ivan@example.ru", kYandexBlock);
        EXPECT_EQ(mail.sender(), u"Иван Петров <ivan@example.ru>");
        EXPECT_EQ(mail.subject(), u"Отчет за февраль");
        EXPECT_EQ(mail.received().time, 1709294405);
        EXPECT_EQ(mail.received().zoneOffset, 10800);
        EXPECT_EQ(mail.messageIdSum(),
                  Norq::nameChecksum("<20240301120005.1A2B3C@mail.example.ru>"));
    }
}

TEST(MailFromHeaders, WithoutADatedReceivedLineTheDateIsZero) {
    // A recent Date line does not stand in: this message is never new.
    const Mail undated("a@example.org", "Date: Tue, 14 Nov 2023 15:40:58 +0100\r\n"
                                        "Received: from nowhere by somewhere\r\n\r\n");
    EXPECT_EQ(undated.received().time, 0);
    EXPECT_EQ(undated.received().zoneOffset, 0);
    EXPECT_EQ(undated.messageIdSum(), 0u);
}

TEST(MailRecord, KeepsTheEmptySecondTextAndDropsTheCharset) {
    Mail mail("ivan@example.ru", kYandexBlock);
    mail.setNotified();
    Norq::SaveLoad::Writer writer;
    mail.save(writer);
    // Header, the address and its 0, subject, the empty second text, flags, sender and its 0,
    // time, zone and checksum.
    EXPECT_EQ(writer.bytes().size(), 8 + (15 + 1) + (16 + 1) * 2 + 2 + 4 + (29 + 1) * 2 + 12);

    const Mail loaded = readBack<Mail>(writer.bytes());
    EXPECT_TRUE(loaded.notified());
    EXPECT_EQ(loaded.subject(), u"Отчет за февраль");
}

TEST(MailFromHeaders, KeepsWhatAPersonCanReadOfHugeHeaders) {
    // A subject of 5 000 characters whose 1 000th is the first half of a surrogate pair, and a
    // Received line beyond the first 64 KiB, which is never read.
    std::string subject = "Subject: " + std::string(999, 'a');
    for (int i = 0; i < 2000; ++i)
        subject += "\xF0\x9F\x98\x80"; // U+1F600, two UTF-16 units
    const std::string padding = "X-Padding: " + std::string(70 * 1024, 'x') + "\r\n";
    const Mail huge("a@example.org",
                    subject + "\r\nFrom: " + std::string(3000, 'b') + "\r\n" + padding +
                        "Received: from a by b; Tue, 14 Nov 2023 06:41:11 -0800\r\n\r\n.\r\n");
    EXPECT_EQ(huge.subject(), std::u16string(999, u'a') + u'\u2026');
    EXPECT_EQ(huge.sender(), std::u16string(1000, u'b') + u'\u2026');
    EXPECT_EQ(huge.received().time, 0);

    // Older files may hold whole megabytes: cut as they load.
    Norq::SaveLoad::Writer writer;
    Mail(std::string("a@example.org"), "Subject: " + std::string(1500, 's') + "\r\n\r\n")
        .save(writer);
    EXPECT_EQ(readBack<Mail>(writer.bytes()).subject().size(), 1001u);
}
