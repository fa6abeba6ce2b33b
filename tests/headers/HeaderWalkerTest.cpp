#include "headers/HeaderWalker.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

// Records what the walker reports, with every range checked to lie inside the block.
class Recorder : public HeaderWalker::Listener {
public:
    explicit Recorder(std::string_view block) : m_block(block) {}

    void onField(const char* fieldStart, const char* fieldEnd) override {
        check(fieldStart, fieldEnd);
        fields.emplace_back(fieldStart, fieldEnd);
    }
    void onHeadersEnd(const char* restStart, const char* blockEnd) override {
        check(restStart, blockEnd);
        EXPECT_EQ(blockEnd, m_block.data() + m_block.size());
        rest = std::string(restStart, blockEnd);
        ++ends;
    }

    std::vector<std::string> fields;
    std::string rest;
    int ends = 0;

private:
    void check(const char* start, const char* end) const {
        EXPECT_LE(m_block.data(), start);
        EXPECT_LE(start, end);
        EXPECT_LE(end, m_block.data() + m_block.size());
    }
    std::string_view m_block;
};

Recorder walk(std::string_view block) {
    Recorder recorder(block);
    HeaderWalker(block).walk(recorder);
    return recorder;
}

using Fields = std::vector<std::string>;

TEST(HeaderWalker, SplitsFieldsAndHandsOverTheRest) {
    const auto r = walk("From: a@example.org\r\nSubject: hi\r\n\r\n.\r\n");
    EXPECT_EQ(r.fields, (Fields{"From: a@example.org", "Subject: hi"}));
    EXPECT_EQ(r.ends, 1);
    EXPECT_EQ(r.rest, ".\r\n");
}

TEST(HeaderWalker, ContinuationLinesStayInTheirField) {
    const auto r = walk("Subject: one\r\n two\r\n\tthree\r\nTo: x\r\n\r\n");
    EXPECT_EQ(r.fields, (Fields{"Subject: one\r\n two\r\n\tthree", "To: x"}));
    EXPECT_EQ(r.rest, "");
}

TEST(HeaderWalker, LoneCrAndLfAreOrdinaryData) {
    const auto r = walk("A: x\ry\r\nB: 1\n2\r\n\r\n");
    EXPECT_EQ(r.fields, (Fields{"A: x\ry", "B: 1\n2"}));
}

TEST(HeaderWalker, BlockWithoutEmptyLineEndsAtItsLastField) {
    // The "." line of the POP3 reply counts as one more field.
    const auto r = walk("Subject: hi\r\n.\r\n");
    EXPECT_EQ(r.fields, (Fields{"Subject: hi", "."}));
    EXPECT_EQ(r.ends, 0);

    const auto noLineEnd = walk("Subject: no line end at all");
    EXPECT_EQ(noLineEnd.fields, (Fields{"Subject: no line end at all"}));
    EXPECT_EQ(walk("").fields, Fields{});
}

TEST(HeaderWalker, EmptyLineFirstEndsTheHeadersAtOnce) {
    const auto r = walk("\r\nSubject: body text\r\n");
    EXPECT_EQ(r.fields, Fields{});
    EXPECT_EQ(r.rest, "Subject: body text\r\n");
}

// Each prefix of a block lies in a buffer of exactly its size, so that the address sanitizer
// catches a look past the end (at a CR at the very end, say).
TEST(HeaderWalker, EveryTruncationStaysInBounds) {
    const std::string block = "Received: from a\r\n\tby b; Mon, 7 Dec 2009 10:15:30 +0300\r\n"
                              "Subject: =?utf-8?Q?a?=\r\n =?utf-8?Q?b?=\r\n\r\n.\r\n";
    for (size_t length = 0; length <= block.size(); ++length) {
        const auto buffer = std::make_unique<char[]>(length);
        block.copy(buffer.get(), length);
        const auto r = walk(std::string_view(buffer.get(), length));
        size_t total = 0;
        for (const auto& field : r.fields)
            total += field.size();
        EXPECT_LE(total + r.rest.size(), length);
    }
}

TEST(HeaderWalker, LongContinuedFieldIsWalkedOnce) {
    std::string block = "X-Long: a";
    while (block.size() < (1u << 20))
        block += "\r\n b";
    block += "\r\n\r\n";
    const auto r = walk(block);
    ASSERT_EQ(r.fields.size(), 1u);
    EXPECT_EQ(r.fields[0].size(), block.size() - 4);
}

TEST(MatchFieldName, IgnoresCaseAndSkipsBlanks) {
    const std::string field = "sUbJeCt: \t hello";
    const char* value = matchFieldName("Subject:", field.data(), field.data() + field.size());
    ASSERT_NE(value, nullptr);
    EXPECT_EQ(std::string(value, field.data() + field.size()), "hello");
}

TEST(MatchFieldName, RejectsOtherFields) {
    const auto match = [](std::string_view name, std::string_view field) {
        return matchFieldName(name, field.data(), field.data() + field.size());
    };
    EXPECT_EQ(match("Subject:", "Subject : hello"), nullptr); // blank before the colon
    EXPECT_EQ(match("Subject:", "Subjec"), nullptr);          // shorter than the name
    EXPECT_EQ(match("From:", "X-From: a"), nullptr);
    // An empty value starts at the end of the field.
    const std::string_view empty = "From:  ";
    EXPECT_EQ(match("From:", empty), empty.data() + empty.size());
}

} // namespace
