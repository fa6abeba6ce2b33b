#include "transport/ImapResponse.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

namespace {

using Kind = ImapResponse::Kind;

struct Sample {
    const char* name;
    std::string received;
    bool complete;
    Kind kind;
    std::string bytes; // what is kept of the first response
};

const std::vector<Sample> kSamples = {
    {"tagged", "A1 OK done\r\n", true, Kind::Tagged, "A1 OK done\r\n"},
    {"untagged", "* 3 EXISTS\r\n", true, Kind::Untagged, "* 3 EXISTS\r\n"},
    {"continuation", "+ go ahead\r\n", true, Kind::Continuation, "+ go ahead\r\n"},
    {"bare continuation", "+\r\n", true, Kind::Continuation, "+\r\n"},
    {"LF without CR does not end a line", "* OK a\nb\r\n", true, Kind::Untagged, "* OK a\nb\r\n"},
    {"literal holding line ends", "* 1 FETCH (BODY[] {5}\r\nab\r\nc)\r\n", true, Kind::Untagged,
     "* 1 FETCH (BODY[] {5}\r\nab\r\nc)\r\n"},
    {"CR closing a literal does not pair with the LF after it", "* X {1}\r\n\r\n)\r\nA1 OK\r\n",
     true, Kind::Untagged, "* X {1}\r\n\r\n)\r\n"},
    {"non-synchronising literal", "* 1 FETCH (BODY[] {3+}\r\nabc)\r\n", true, Kind::Untagged,
     "* 1 FETCH (BODY[] {3+}\r\nabc)\r\n"},
    {"empty literal", "* 1 FETCH (BODY[] {0}\r\n)\r\n", true, Kind::Untagged,
     "* 1 FETCH (BODY[] {0}\r\n)\r\n"},
    {"two literals", "* 1 FETCH (A {1}\r\nx B {2}\r\nyz)\r\n", true, Kind::Untagged,
     "* 1 FETCH (A {1}\r\nx B {2}\r\nyz)\r\n"},
    {"braces before the line end are no literal", "* OK {3} later\r\n", true, Kind::Untagged,
     "* OK {3} later\r\n"},
    {"braces without a count are no literal", "* OK {x}\r\n", true, Kind::Untagged, "* OK {x}\r\n"},
    {"no line end yet", "* OK ready", false, Kind::Untagged, "* OK ready"},
    {"literal not all come", "* 1 FETCH (BODY[] {10}\r\nabc", false, Kind::Untagged,
     "* 1 FETCH (BODY[] {10}\r\nabc"},
    {"bytes after the end are not part of it", "A1 OK\r\n* 1 EXISTS\r\n", true, Kind::Tagged,
     "A1 OK\r\n"},
};

void expectSample(const ImapResponse& response, const Sample& sample, const std::string& how) {
    EXPECT_EQ(response.isComplete(), sample.complete) << sample.name << ", " << how;
    EXPECT_EQ(response.bytes(), sample.bytes) << sample.name << ", " << how;
    EXPECT_FALSE(response.isTooLong()) << sample.name << ", " << how;
    if (sample.complete) {
        EXPECT_EQ(response.kind(), sample.kind) << sample.name << ", " << how;
    }
}

// Takes every value of a response, the way a session walks one it does not know.
void readThrough(std::string_view response) {
    ImapReader reader(response);
    while (!reader.atEnd()) {
        std::string value;
        bool nil = false;
        if (!reader.skip(' ') && !reader.skip('*') && !reader.readNString(value, nil) &&
            !reader.skipValue())
            break;
    }
}

} // namespace

TEST(ImapResponse, SamplesGiveTheSameResultWholeByteByByteAndCutAnywhere) {
    for (const auto& sample : kSamples) {
        ImapResponse response;
        EXPECT_EQ(response.feed(sample.received.data(), sample.received.size()), sample.complete)
            << sample.name;
        expectSample(response, sample, "whole");

        response = ImapResponse();
        for (char byte : sample.received)
            response.feed(&byte, 1);
        expectSample(response, sample, "byte by byte");

        for (std::size_t cut = 0; cut <= sample.received.size(); ++cut) {
            response = ImapResponse();
            response.feed(sample.received.data(), cut);
            response.feed(sample.received.data() + cut, sample.received.size() - cut);
            expectSample(response, sample, "cut at " + std::to_string(cut));
        }
    }
}

TEST(ImapResponse, BytesAfterTheEndStartTheNextResponse) {
    const std::string received = "+ go\r\n* 2 EXISTS\r\nA1 OK [READ-ONLY] done\r\nA2 N";
    ImapResponse response;
    EXPECT_TRUE(response.feed(received.data(), received.size()));
    EXPECT_EQ(response.bytes(), "+ go\r\n");
    EXPECT_EQ(response.tag(), "");
    response.reset();
    EXPECT_EQ(response.bytes(), "* 2 EXISTS\r\n");
    response.reset();
    EXPECT_EQ(response.kind(), Kind::Tagged);
    EXPECT_EQ(response.tag(), "A1");
    response.reset();
    EXPECT_FALSE(response.isComplete());
    EXPECT_FALSE(response.isEmpty());
    EXPECT_TRUE(response.feed("O\r\n", 3));
    EXPECT_EQ(response.bytes(), "A2 NO\r\n");
    response.reset();
    EXPECT_TRUE(response.isEmpty());
}

TEST(ImapResponse, AHugeLiteralIsReadToItsEndAndOnlyItsHeadKept) {
    const std::string literal(200000, 'h');
    const std::string received =
        "* 1 FETCH (BODY[] {200000}\r\n" + literal + " UID 7)\r\nA1 OK\r\n";
    for (const std::size_t chunk : {std::size_t{1}, std::size_t{4099}, received.size()}) {
        ImapResponse response;
        for (std::size_t at = 0; at < received.size(); at += chunk)
            response.feed(received.data() + at, std::min(chunk, received.size() - at));
        ASSERT_TRUE(response.isComplete()) << chunk;
        EXPECT_TRUE(response.isCut());
        // The count says what was kept, so the response still reads as a whole.
        EXPECT_EQ(response.bytes(), "* 1 FETCH (BODY[] {65536}\r\n" +
                                        literal.substr(0, ImapResponse::kKept) + " UID 7)\r\n");
        ImapReader reader(response.bytes());
        std::string body;
        std::uint32_t uid = 0;
        EXPECT_TRUE(reader.skip('*') && reader.skip(' ') && reader.readNumber(uid) &&
                    reader.skip(' ') && reader.skipWord("fetch") && reader.skip(' ') &&
                    reader.skip('(') && reader.skipWord("BODY") && reader.skipSection() &&
                    reader.skip(' ') && reader.readString(body) && reader.skip(' ') &&
                    reader.skipWord("UID") && reader.skip(' ') && reader.readNumber(uid) &&
                    reader.skip(')') && reader.atEnd());
        EXPECT_EQ(body.size(), ImapResponse::kKept);
        EXPECT_EQ(uid, 7u);
        response.reset();
        EXPECT_EQ(response.bytes(), "A1 OK\r\n") << chunk;
    }
}

TEST(ImapResponse, ALineOrLiteralPastTheLimitEndsTheResponseAndDropsWhatCame) {
    const std::vector<std::pair<const char*, std::string>> floods = {
        {"endless line", "* OK " + std::string(200, 'x')},
        {"literal larger than the limit", "* 1 FETCH (BODY[] {101}\r\n"},
        {"literal that would take the response past it",
         "* 1 FETCH (A {40}\r\n" + std::string(40, 'a') + " B {40}\r\n"},
        {"count with too many digits", "* 1 FETCH (BODY[] {000000000000000000000001}\r\n"},
    };
    for (const auto& [name, flood] : floods) {
        ImapResponse response(100);
        EXPECT_TRUE(response.feed(flood.data(), flood.size())) << name;
        EXPECT_TRUE(response.isTooLong()) << name;
        EXPECT_FALSE(response.isComplete()) << name;
        EXPECT_TRUE(response.bytes().empty()) << name;
        // Nothing more is taken in, nor kept for a next response.
        EXPECT_TRUE(response.feed("A1 OK\r\n", 7)) << name;
        response.reset();
        EXPECT_TRUE(response.bytes().empty()) << name;
    }
    const std::string exact = "* OK " + std::string(93, 'x') + "\r\n";
    ImapResponse response(exact.size());
    EXPECT_TRUE(response.feed(exact.data(), exact.size()));
    EXPECT_TRUE(response.isComplete());
}

TEST(ImapReader, NumbersFit32BitsAndAFailedReadMovesNothing) {
    ImapReader reader("4294967295 4294967296 12abc 0\r\n");
    std::uint32_t value = 1;
    EXPECT_TRUE(reader.readNumber(value));
    EXPECT_EQ(value, 4294967295u);
    EXPECT_TRUE(reader.skip(' '));
    EXPECT_FALSE(reader.readNumber(value));
    EXPECT_EQ(reader.rest(), "4294967296 12abc 0");
    std::string_view atom;
    EXPECT_TRUE(reader.readAtom(atom) && reader.skip(' '));
    EXPECT_FALSE(reader.readNumber(value));
    EXPECT_TRUE(reader.readAtom(atom) && reader.skip(' '));
    EXPECT_EQ(atom, "12abc");
    EXPECT_TRUE(reader.readNumber(value));
    EXPECT_EQ(value, 0u);
    EXPECT_TRUE(reader.atEnd());
    EXPECT_FALSE(reader.readNumber(value) || reader.readAtom(atom) || reader.skip(' '));
}

TEST(ImapReader, StringsAreQuotedLiteralOrNil) {
    ImapReader reader("\"a\\\"b\\\\c\" {3}\r\nx\"y NIL nil \"open\r\n");
    std::string value;
    bool nil = true;
    EXPECT_TRUE(reader.readNString(value, nil));
    EXPECT_EQ(value, "a\"b\\c");
    EXPECT_FALSE(nil);
    EXPECT_TRUE(reader.skip(' ') && reader.readString(value));
    EXPECT_EQ(value, "x\"y");
    EXPECT_TRUE(reader.skip(' ') && reader.readNString(value, nil) && nil && value.empty());
    EXPECT_TRUE(reader.skip(' ') && reader.readNString(value, nil) && nil);
    // A quote that never closes is no string.
    EXPECT_TRUE(reader.skip(' '));
    EXPECT_FALSE(reader.readString(value));
    EXPECT_EQ(reader.rest(), "\"open");

    for (const char* beyond : {"{9}\r\nabc\r\n", "{3}abc\r\n", "{99999999999999999999}\r\n"}) {
        ImapReader literal(beyond);
        EXPECT_FALSE(literal.readString(value)) << beyond;
        EXPECT_FALSE(literal.skipValue()) << beyond;
    }
}

TEST(ImapReader, ValuesOfAnyKindAreSkippedButNotTooDeep) {
    ImapReader reader("(A (B \"c)\" {2}\r\nxy)) ()) BODY[HEADER.FIELDS (FROM)]<0> x\r\n");
    EXPECT_TRUE(reader.skipValue());
    EXPECT_TRUE(reader.skip(' ') && reader.skipValue());
    EXPECT_TRUE(reader.skip(')'));
    EXPECT_TRUE(reader.skip(' ') && reader.skipValue());
    EXPECT_EQ(reader.rest(), " x");

    const std::string deep = std::string(33, '(') + std::string(33, ')') + "\r\n";
    const std::string shallower = std::string(32, '(') + std::string(32, ')') + "\r\n";
    EXPECT_FALSE(ImapReader(deep).skipValue());
    EXPECT_TRUE(ImapReader(shallower).skipValue());
    EXPECT_FALSE(ImapReader("(A B\r\n").skipValue());
    EXPECT_FALSE(ImapReader("BODY[HEADER\r\n").skipValue());
}

TEST(ImapReader, ResponseCodesAreReadFromTheFrontOfTheText) {
    struct Case {
        const char* text;
        const char* code;
        const char* argument;
        const char* words; // the whole text, as the user is shown it
    };
    for (const Case& sample : {
             Case{"[UIDVALIDITY 3857529045] UIDs valid", "UIDVALIDITY", "3857529045",
                  "[UIDVALIDITY 3857529045] UIDs valid"},
             Case{"[ALERT] Mailbox nearly full", "ALERT", "", "[ALERT] Mailbox nearly full"},
             Case{"[CAPABILITY IMAP4rev1 IDLE] Hi", "CAPABILITY", "IMAP4rev1 IDLE",
                  "[CAPABILITY IMAP4rev1 IDLE] Hi"},
             Case{"[PERMANENTFLAGS (\\Seen \\*)] Limited", "PERMANENTFLAGS", "(\\Seen \\*)",
                  "[PERMANENTFLAGS (\\Seen \\*)] Limited"},
             Case{"  [AUTHENTICATIONFAILED] Failed.", "AUTHENTICATIONFAILED", "",
                  "[AUTHENTICATIONFAILED] Failed."},
             Case{"no code [ALERT]", "", "", "no code [ALERT]"},
             Case{"[UNCLOSED code", "", "", "[UNCLOSED code"},
             Case{"", "", "", ""},
         }) {
        const std::string response = std::string(sample.text) + "\r\n";
        ImapReader reader(response);
        const ImapResponseText text = reader.readText();
        EXPECT_EQ(text.code, sample.code) << sample.text;
        EXPECT_EQ(text.argument, sample.argument) << sample.text;
        EXPECT_EQ(text.text, sample.words) << sample.text;
        EXPECT_TRUE(reader.atEnd());
    }
}

TEST(ImapReader, AResponseCutAtAnyLengthIsNeverReadPastItsEnd) {
    const std::string response =
        "* 12 FETCH (UID 7 FLAGS (\\Seen) INTERNALDATE \"17-Jul-1996 02:44:25 -0700\" "
        "BODY[HEADER.FIELDS (FROM SUBJECT)]<0> {12}\r\nSubject: x\r\n NIL)\r\n";
    // Each cut in a buffer of its own size, where a read past the end meets AddressSanitizer.
    for (std::size_t length = 0; length <= response.size(); ++length) {
        const auto cut = std::make_unique<char[]>(length);
        std::copy_n(response.data(), length, cut.get());
        readThrough(std::string_view(cut.get(), length));
    }
}
