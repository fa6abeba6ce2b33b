#include "logic/SeenMessages.h"

#include "foundation/SaveLoad.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using Seen = Logic::SeenMessages::Seen;

TEST(SeenMessages, ReportedIdsArePassedOnceAWalkWentThroughThem) {
    Logic::SeenMessages seen("bob@pop.example.org:995");
    seen.walkCut({"u9", "u8"});
    EXPECT_FALSE(seen.walkedThrough());
    EXPECT_EQ(seen.find("u9"), Seen::Reported);
    seen.walkEnded({"u9", "u7"});
    EXPECT_TRUE(seen.walkedThrough());
    EXPECT_EQ(seen.find("u9"), Seen::Passed);
    EXPECT_EQ(seen.find("u8"), Seen::Reported);
    EXPECT_EQ(seen.find("u7"), Seen::Passed);
    // A later cut never makes a passed id merely reported.
    seen.walkCut({"u7"});
    EXPECT_EQ(seen.find("u7"), Seen::Passed);
    EXPECT_EQ(seen.find("u1"), Seen::No);
}

TEST(SeenMessages, OnlyTheNewestAreKept) {
    Logic::SeenMessages seen("bob@pop.example.org:995");
    std::vector<std::string> ids;
    for (std::size_t i = Logic::SeenMessages::kKept + 10; i > 0; --i)
        ids.push_back("u" + std::to_string(i));
    seen.walkEnded({"u1"});
    seen.walkEnded(ids); // newest first
    EXPECT_EQ(seen.find(ids.front()), Seen::Passed);
    EXPECT_EQ(seen.find(ids[Logic::SeenMessages::kKept - 1]), Seen::Passed);
    EXPECT_EQ(seen.find(ids[Logic::SeenMessages::kKept]), Seen::No);
    EXPECT_EQ(seen.find("u1"), Seen::No);
}

TEST(SeenMessages, ARecordReadsBackAndADamagedOneChangesNothing) {
    Logic::SeenMessages seen("bob@pop.example.org:995");
    seen.walkEnded({"u2", "u1"});
    seen.walkCut({"u3"});
    Norq::SaveLoad::Writer writer;
    seen.save(writer);
    std::string bytes = writer.bytes();

    const std::string whole = bytes;
    Norq::SaveLoad::Reader reader(whole);
    Logic::SeenMessages loaded;
    ASSERT_TRUE(loaded.load(reader));
    EXPECT_EQ(loaded.mailbox(), "bob@pop.example.org:995");
    EXPECT_TRUE(loaded.walkedThrough());
    EXPECT_EQ(loaded.find("u3"), Seen::Reported);
    EXPECT_EQ(loaded.find("u1"), Seen::Passed);

    const std::string cut = bytes.substr(0, bytes.size() - 3);
    Norq::SaveLoad::Reader cutReader(cut);
    Logic::SeenMessages untouched("other@pop.example.org:110");
    EXPECT_FALSE(untouched.load(cutReader));
    EXPECT_EQ(untouched.mailbox(), "other@pop.example.org:110");
}
