#include "headers/HeaderFields.h"

#include "foundation/NameChecksum.h"
#include "tests/support/ScopedTimeZone.h"
#include "tests/support/StderrCapture.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

// 2009-12-07 10:15:30 read as UTC.
constexpr std::int32_t kDecember7 = 1260180930;

TEST(HeaderFields, ReadsTheFieldsOfABlock) {
    TestSupport::ScopedTimeZone zone("UTC0");
    const auto fields = readHeaderFields(
        "Return-Path: <ivan@example.ru>\r\n"
        "Received: from mx.example.ru (mx.example.ru [192.0.2.1])\r\n"
        "\tby pop.example.org; Mon, 7 Dec 2009 10:15:30 +0300\r\n"
        "Received: from [10.0.0.2] by mx.example.ru; Mon, 7 Dec 2009 10:15:29 +0300\r\n"
        "Date: Sun, 1 Jan 2006 00:00:00 +0000\r\n"
        "From: =?koi8-r?B?89XQxdLQz8zY2s/XwdTFzNg=?= <ivan@example.ru>\r\n"
        "Message-ID: <4B1CB1E2.5060104@example.ru>\r\n"
        "Content-Type: text/plain; charset=\"KOI8-R\"\r\n"
        "Subject: =?koi8-r?B?79Teo9Qg2sEgy9fB0tTBzA==?=\r\n"
        "\r\n"
        ".\r\n");
    EXPECT_EQ(fields.sender, u"Суперпользователь <ivan@example.ru>");
    EXPECT_EQ(fields.subject, u"Отчёт за квартал");
    EXPECT_EQ(fields.charset, "koi8-r");
    EXPECT_EQ(fields.messageIdSum, Norq::nameChecksum("<4B1CB1E2.5060104@example.ru>"));
    EXPECT_EQ(fields.date.time, kDecember7); // the topmost dated Received:, never Date:
    EXPECT_EQ(fields.date.zoneOffset, 10800);
}

TEST(HeaderFields, AbsentFieldsKeepTheirDefaults) {
    const auto fields = readHeaderFields("To: a@example.org\r\n\r\n");
    EXPECT_EQ(fields.subject, u"");
    EXPECT_EQ(fields.sender, u"");
    EXPECT_EQ(fields.charset, "");
    EXPECT_EQ(fields.messageIdSum, 0u);
    EXPECT_EQ(fields.date, MailDate{});
}

TEST(HeaderFields, ReceivedWithoutSemicolonLeavesTheDateForALaterOne) {
    TestSupport::ScopedTimeZone zone("UTC0");
    const auto fields = readHeaderFields("Received: by local (Postfix, from userid 0)\r\n"
                                         "Received: from a by b; 7 Dec 2009 10:15:30 -0500\r\n"
                                         "\r\n");
    EXPECT_EQ(fields.date.time, kDecember7);
    EXPECT_EQ(fields.date.zoneOffset, -18000);
}

TEST(HeaderFields, UnrepresentableDateStillStopsLaterReceivedFields) {
    TestSupport::ScopedTimeZone zone("UTC0");
    const auto fields = readHeaderFields("Received: from a by b; 7 Dec 2099 10:15:30 +0000\r\n"
                                         "Received: from c by a; 7 Dec 2009 10:15:30 +0000\r\n");
    EXPECT_EQ(fields.date.time, -1);
}

TEST(HeaderFields, ContentTypeCharsetOnlyInQuotes) {
    const auto charsetOf = [](const char* block) { return readHeaderFields(block).charset; };
    EXPECT_EQ(charsetOf("Content-Type: text/plain; charset=\"KOI8-R\"\r\n"), "koi8-r");
    EXPECT_EQ(charsetOf("Content-Type: text/plain; charset = \"utf-8\"\r\n"), "utf-8");
    EXPECT_EQ(charsetOf("content-type: text/plain;\r\n\tcharset=\"UTF-8\"\r\n"), "utf-8");
    EXPECT_EQ(charsetOf("Content-Type: text/plain; charset=KOI8-R\r\n"), "");
    EXPECT_EQ(charsetOf("Content-Type: text/plain; CHARSET=\"KOI8-R\"\r\n"), "");
    // The quotes of another parameter are not the charset's.
    EXPECT_EQ(charsetOf("Content-Type: multipart/alternative; charset=utf-8; boundary=\"b1\"\r\n"),
              "");
    EXPECT_EQ(charsetOf("Content-Type: text/plain; x-charset-note=1; charset=\"cp1251\"\r\n"),
              "cp1251");
    EXPECT_EQ(charsetOf("Content-Type: text/plain; charset=\"unclosed\r\n"), "");
    // A later Content-Type without a quoted charset leaves the earlier one.
    EXPECT_EQ(charsetOf("Content-Type: text/plain; charset=\"koi8-r\"\r\n"
                        "Content-Type: text/html\r\n"),
              "koi8-r");
}

TEST(HeaderFields, FoldedSubjects) {
    // A fold between encoded words is no part of the text; a fold in raw text is one space.
    EXPECT_EQ(readHeaderFields("Subject: =?utf-8?Q?one?=\r\n =?utf-8?Q?two?=\r\n\r\n").subject,
              u"onetwo");
    EXPECT_EQ(readHeaderFields("Subject: =?utf-8?Q?one?=\r\n\t=?utf-8?Q?two?=\r\n\r\n").subject,
              u"onetwo");
    EXPECT_EQ(readHeaderFields("Subject: RE: one\r\n two\r\n\r\n").subject, u"RE: one two");
    EXPECT_EQ(readHeaderFields("Subject: RE: one\r\n\ttwo\r\n\r\n").subject, u"RE: one two");
}

TEST(HeaderFields, RepeatedFieldsReplaceEarlierOnes) {
    const auto fields = readHeaderFields("Subject: first\r\nFrom: a\r\nMessage-Id: <1@x>\r\n"
                                         "SUBJECT: second\r\nfrom: b\r\nMESSAGE-ID: <2@x>\r\n");
    EXPECT_EQ(fields.subject, u"second");
    EXPECT_EQ(fields.sender, u"b");
    EXPECT_EQ(fields.messageIdSum, Norq::nameChecksum("<2@x>"));
}

TEST(HeaderFields, NamesMustMatchUpToTheColon) {
    const auto fields = readHeaderFields("Subject : spaced\r\nX-Subject: other\r\n"
                                         "Resent-From: c\r\nFrom:d\r\n");
    EXPECT_EQ(fields.subject, u"");
    EXPECT_EQ(fields.sender, u"d");
}

TEST(HeaderFields, MalformedBlocksAreReadWithoutHarm) {
    TestSupport::StderrCapture capture;
    // One megabyte without a line end, full of NULs and half encoded words.
    std::string huge = "Subject: ";
    while (huge.size() < (1u << 20))
        huge += std::string("=?utf-8?B?AAAA\0=?koi8-r?Q?=FF=?x?", 33);
    EXPECT_LE(readHeaderFields(huge).subject.size(), huge.size());

    const auto fields = readHeaderFields("Received: ;\r\nFrom: =?\r\nSubject: =?utf-7?B?K0FH?=\r\n"
                                         "Message-Id:\r\nContent-Type: charset=\"\r\n");
    EXPECT_EQ(fields.date.time, -1); // an empty date is 31 December 1899
    EXPECT_EQ(fields.sender, u"=?");
    EXPECT_EQ(fields.subject, u"\uFFFD"); // "+AG", a UTF-7 run cut off inside a character
    EXPECT_EQ(fields.messageIdSum, Norq::nameChecksum(""));
    EXPECT_EQ(fields.charset, "");
}

struct RealBlock {
    const char* name;
    const char* block;
    const char16_t* sender;
    const char16_t* subject;
    std::int32_t time;
    std::int32_t zoneOffset;
};

// Header blocks shaped like those large providers and common mailers send (written for these
// tests), as a POP3 server returns them for TOP n 0.
const RealBlock kRealBlocks[] = {
    {"LargeWebmailUtf8",
     "Delivered-To: user@example.com\r\n"
     "Received: by 2002:a05:6a10:8a4c:b0:5c1:2f3e:1a2b with SMTP id x12csp123456pxb;\r\n"
     "        Tue, 14 Nov 2023 22:13:20 -0800 (PST)\r\n"
     "X-Received: by 2002:a17:906:c1:b0:9e2:1a2b:3c4d with SMTP id d1mr1234;\r\n"
     "        Tue, 14 Nov 2023 22:13:19 -0800 (PST)\r\n"
     "ARC-Seal: i=1; a=rsa-sha256; t=1700028800; cv=none;\r\n"
     "        d=example.com; s=arc-20160816;\r\n"
     "        b=Zm9vYmFyYmF6cXV4Zm9vYmFyYmF6cXV4Zm9vYmFyYmF6cXV4\r\n"
     "Return-Path: <anna@example.com>\r\n"
     "Received: from mail-sor-f41.example.com (mail-sor-f41.example.com. [209.85.220.41])\r\n"
     "        by mx.example.com with SMTPS id a1sor123.2023.11.14.22.13.19\r\n"
     "        for <user@example.com>; Tue, 14 Nov 2023 22:13:19 -0800 (PST)\r\n"
     "MIME-Version: 1.0\r\n"
     "From: =?UTF-8?B?0JDQvdC90LAg0KHQvNC40YDQvdC+0LLQsA==?= <anna@example.com>\r\n"
     "Date: Wed, 15 Nov 2023 09:13:08 +0300\r\n"
     "Message-ID: <CAFx3k=9dQ@mail.example.com>\r\n"
     "Subject: =?UTF-8?B?0JLQsNGIINC30LDQutCw0Lcg4oSWMSDQvtGC0L/RgNCw0LLQu9C10L0=?=\r\n"
     "To: user@example.com\r\n"
     "Content-Type: multipart/alternative; boundary=\"000000000000a1b2c3d4e5f6\"\r\n"
     "\r\n"
     ".\r\n",
     u"Анна Смирнова <anna@example.com>", u"Ваш заказ №1 отправлен", 1700000000, -28800},
    {"DesktopMailerQuotedPrintableFolded",
     "Received: from [192.0.2.7] (p5b0a.dip0.example.de [192.0.2.7])\r\n"
     "\tby smtp.example.de (Postfix) with ESMTPSA id 4SV1x2\r\n"
     "\tfor <kunde@example.de>; Fri, 3 Mar 2023 14:05:00 +0100 (CET)\r\n"
     "Message-ID: <0d6f1e2a-7b3c-4d5e-9f10-1a2b3c4d5e6f@example.de>\r\n"
     "Date: Fri, 3 Mar 2023 14:04:58 +0100\r\n"
     "MIME-Version: 1.0\r\n"
     "User-Agent: Mozilla Thunderbird\r\n"
     "Content-Language: de-DE\r\n"
     "From: =?UTF-8?Q?J=C3=BCrgen_Wei=C3=9F?= <jw@example.de>\r\n"
     "Subject: =?UTF-8?Q?Rechnung_f=C3=BCr_Ihre_Bestellung_=E2=80=93_bitte_pr?=\r\n"
     " =?UTF-8?Q?=C3=BCfen?=\r\n"
     "Content-Type: text/plain; charset=UTF-8; format=flowed\r\n"
     "Content-Transfer-Encoding: 8bit\r\n"
     "\r\n"
     ".\r\n",
     // The second word goes on in the middle of the first one's last word.
     u"Jürgen Weiß <jw@example.de>", u"Rechnung für Ihre Bestellung – bitte prüfen", 1677852300,
     3600},
    {"RussianPortalWindows1251",
     "Received: from mxfront1.example.ru ([127.0.0.1])\r\n"
     "\tby mxfront1.example.ru with LMTP id 8d1b2c;\r\n"
     "\tThu, 09 Feb 2012 17:45:10 +0400\r\n"
     "From: \"=?windows-1251?B?zuv84+Ag yOLg7e7i4A==?=\" <olga@example.ru>\r\n"
     "Subject: =?windows-1251?Q?=D1=F7=B8=F2_=ED=E0_=EE=EF=EB=E0=F2=F3_=B9_17?=\r\n"
     "Content-Type: text/plain; charset=\"windows-1251\"\r\n"
     "\r\n",
     u"\"Ольга Иванова\" <olga@example.ru>", u"Счёт на оплату № 17", 1328809510, 14400},
    {"JapaneseIso2022JpWithAlphabeticZone",
     "Received: from mail.example.jp by pop.example.jp; Mon, 4 Apr 2011 09:00:00 JST\r\n"
     "From: =?ISO-2022-JP?B?GyRCOzNFREJATzobKEI=?= <yamada@example.jp>\r\n"
     "Subject: =?ISO-2022-JP?B?GyRCJDRDbUo4JE5IL0F3JEskRCQkJEYbKEI=?=\r\n"
     "\r\n",
     u"山田太郎 <yamada@example.jp>", u"ご注文の発送について", 1301907600, 0},
    {"OldMailerRaw8BitUtf8AndTwoDigitYear",
     "Received: from old.example.net by mx.example.org; 7 Dec 09 10:15:30 GMT\r\n"
     "From: Zoë <zoe@example.net>\r\n"
     "Subject: Grüße aus Köln\r\n"
     "\r\n",
     u"Zoë <zoe@example.net>", u"Grüße aus Köln", kDecember7, 0},
};

void PrintTo(const RealBlock& sample, std::ostream* out) {
    *out << sample.name;
}

class RealHeaderBlock : public testing::TestWithParam<RealBlock> {};

TEST_P(RealHeaderBlock, GivesSenderSubjectAndArrival) {
    TestSupport::ScopedTimeZone zone("UTC0");
    const RealBlock& sample = GetParam();
    const auto fields = readHeaderFields(sample.block);
    EXPECT_EQ(fields.sender, sample.sender);
    EXPECT_EQ(fields.subject, sample.subject);
    EXPECT_EQ(fields.date.time, sample.time);
    EXPECT_EQ(fields.date.zoneOffset, sample.zoneOffset);
}

TEST_P(RealHeaderBlock, TruncatedBlocksStayInBounds) {
    TestSupport::ScopedTimeZone zone("UTC0");
    TestSupport::StderrCapture capture; // cut dates leave diagnostics
    const std::string block = GetParam().block;
    for (size_t length = 0; length <= block.size(); ++length) {
        const auto buffer = std::make_unique<char[]>(length);
        block.copy(buffer.get(), length);
        const auto fields = readHeaderFields(std::string_view(buffer.get(), length));
        EXPECT_LE(fields.subject.size() + fields.sender.size(), length);
    }
}

INSTANTIATE_TEST_SUITE_P(Providers, RealHeaderBlock, testing::ValuesIn(kRealBlocks),
                         [](const testing::TestParamInfo<RealBlock>& param) {
                             return std::string(param.param.name);
                         });

} // namespace
