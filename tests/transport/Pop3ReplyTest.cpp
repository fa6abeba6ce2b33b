#include "transport/Pop3Reply.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

struct Sample {
    const char* name;
    bool multiLine;
    std::string received;
    bool complete;
    bool ok;
    std::string bytes; // the complete lines kept
};

const std::vector<Sample> kSamples = {
    {"positive status line", false, "+OK ready\r\n", true, true, "+OK ready\r\n"},
    {"ok in lower case", false, "+ok hello\r\n", true, true, "+ok hello\r\n"},
    {"ok in mixed case", false, "+oK\r\n", true, true, "+oK\r\n"},
    {"negative status line", false, "-ERR no\r\n", true, false, "-ERR no\r\n"},
    {"plus sign alone", false, "+O\r\n", true, false, "+O\r\n"},
    {"negative reply to a multi-line command", true, "-ERR no such message\r\n", true, false,
     "-ERR no such message\r\n"},
    {"header block", true, "+OK\r\nSubject: a\r\nFrom: b\r\n\r\n.\r\n", true, true,
     "+OK\r\nSubject: a\r\nFrom: b\r\n\r\n.\r\n"},
    {"dot-stuffed line kept as sent", true, "+OK\r\n..hidden\r\n.\r\n", true, true,
     "+OK\r\n..hidden\r\n.\r\n"},
    {"dot followed by more is not the end", true, "+OK\r\n. \r\n.x\r\n.\r\n", true, true,
     "+OK\r\n. \r\n.x\r\n.\r\n"},
    {"LF without CR does not end a line", false, "+OK a\nb\r\n", true, true, "+OK a\nb\r\n"},
    {"CR without LF does not end a line", false, "+OK a\rb\r\n", true, true, "+OK a\rb\r\n"},
    {"no line end yet", false, "+OK ready", false, false, ""},
    {"dot line not yet come", true, "+OK\r\nSubject: a\r\n", false, true, "+OK\r\nSubject: a\r\n"},
    {"bytes after the end are not part of it", false, "+OK\r\n+OK again\r\n", true, true,
     "+OK\r\n"},
    {"lines after the dot line are not part of it", true, "+OK\r\n.\r\nSubject: late\r\n", true,
     true, "+OK\r\n.\r\n"},
};

void expectSample(const Pop3Reply& reply, const Sample& sample, const std::string& how) {
    EXPECT_EQ(reply.isComplete(), sample.complete) << sample.name << ", " << how;
    EXPECT_EQ(reply.isOk(), sample.ok) << sample.name << ", " << how;
    EXPECT_EQ(reply.bytes(), sample.bytes) << sample.name << ", " << how;
    EXPECT_FALSE(reply.isTooLong()) << sample.name << ", " << how;
}

} // namespace

TEST(Pop3Reply, SamplesGiveTheSameResultWholeByteByByteAndCutAnywhere) {
    for (const auto& sample : kSamples) {
        Pop3Reply reply;
        reply.reset(sample.multiLine);
        EXPECT_EQ(reply.feed(sample.received.data(), sample.received.size()), sample.complete)
            << sample.name;
        expectSample(reply, sample, "whole");

        reply = Pop3Reply();
        reply.reset(sample.multiLine);
        for (char byte : sample.received)
            reply.feed(&byte, 1);
        expectSample(reply, sample, "byte by byte");

        // Every cut into two chunks, CR and LF parted among them.
        for (std::size_t cut = 0; cut <= sample.received.size(); ++cut) {
            reply = Pop3Reply();
            reply.reset(sample.multiLine);
            reply.feed(sample.received.data(), cut);
            reply.feed(sample.received.data() + cut, sample.received.size() - cut);
            expectSample(reply, sample, "cut at " + std::to_string(cut));
        }
    }
}

TEST(Pop3Reply, BytesAfterTheEndStartTheNextReply) {
    // Replies to pipelined commands come together, cut anywhere.
    const std::string received = "+OK\r\n.\r\n-ERR gone\r\n+OK 2 ";
    Pop3Reply reply;
    reply.reset(true);
    EXPECT_TRUE(reply.feed(received.data(), received.size()));
    EXPECT_EQ(reply.bytes(), "+OK\r\n.\r\n");
    reply.reset(true);
    EXPECT_TRUE(reply.isComplete());
    EXPECT_EQ(reply.bytes(), "-ERR gone\r\n");
    reply.reset(false);
    EXPECT_FALSE(reply.isComplete());
    EXPECT_TRUE(reply.feed("9\r\n", 3));
    EXPECT_EQ(reply.bytes(), "+OK 2 9\r\n");
}

TEST(Pop3Reply, ResetForgetsTheLastReplyAndItsUnfinishedLine) {
    Pop3Reply reply;
    reply.reset(true);
    const std::string first = "+OK\r\nSubject: cut off";
    reply.feed(first.data(), first.size());
    reply.reset(false);
    const std::string second = "-ERR\r\n";
    reply.feed(second.data(), second.size());
    EXPECT_TRUE(reply.isComplete());
    EXPECT_FALSE(reply.isOk());
    EXPECT_EQ(reply.bytes(), "-ERR\r\n");
}

TEST(Pop3Reply, ALineLongerThanTheLimitEndsTheReplyAndDropsWhatCame) {
    Pop3Reply reply(100);
    reply.reset(true);
    const std::string status = "+OK\r\n";
    const std::string endless(60, 'x');
    EXPECT_FALSE(reply.feed(status.data(), status.size()));
    EXPECT_FALSE(reply.feed(endless.data(), endless.size()));
    EXPECT_TRUE(reply.feed(endless.data(), endless.size()));
    EXPECT_TRUE(reply.isTooLong());
    EXPECT_FALSE(reply.isComplete());
    EXPECT_TRUE(reply.bytes().empty());
    // Nothing more is taken in.
    EXPECT_TRUE(reply.feed(status.data(), status.size()));
    EXPECT_TRUE(reply.bytes().empty());
}

TEST(Pop3Reply, AReplyOfManyLinesIsHeldToTheLimitAsAWhole) {
    const std::string received = "+OK\r\n" + std::string(93, 'x') + "\r\n.\r\n";
    ASSERT_EQ(received.size(), 103u);
    Pop3Reply exact(received.size());
    exact.reset(true);
    EXPECT_TRUE(exact.feed(received.data(), received.size()));
    EXPECT_TRUE(exact.isComplete());
    EXPECT_FALSE(exact.isTooLong());

    Pop3Reply shorter(received.size() - 1);
    shorter.reset(true);
    EXPECT_TRUE(shorter.feed(received.data(), received.size()));
    EXPECT_FALSE(shorter.isComplete());
    EXPECT_TRUE(shorter.isTooLong());
}

TEST(Pop3Reply, AHugeHeaderIsReadToItsEndAndOnlyItsHeadKept) {
    // The head's lines, then one line too long to keep, lines after it, and the next reply.
    const std::string line = "Subject: " + std::string(990, 's') + "\r\n";
    std::string head = "+OK\r\n";
    while (head.size() + line.size() <= Pop3Reply::kKept)
        head += line;
    const std::string received =
        head + "X-Huge: " + std::string(300000, 'h') + "\r\n" + line + ".\r\n-ERR next\r\n";
    for (const std::size_t chunk : {std::size_t{1}, std::size_t{7}, received.size()}) {
        Pop3Reply reply;
        reply.reset(true);
        for (std::size_t at = 0; at < received.size(); at += chunk)
            reply.feed(received.data() + at, std::min(chunk, received.size() - at));
        ASSERT_TRUE(reply.isComplete()) << chunk;
        EXPECT_EQ(reply.bytes(), head + ".\r\n") << chunk;
        reply.reset(false);
        EXPECT_EQ(reply.bytes(), "-ERR next\r\n") << chunk;
    }
}
