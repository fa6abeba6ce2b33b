#include "foundation/DataFile.h"
#include "foundation/Exception.h"
#include "tests/support/StderrCapture.h"
#include "tests/support/TempHome.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

using Norq::DataFile;
using Norq::SaveLoad::Reader;
using Norq::SaveLoad::Writer;
using TestSupport::readFile;
using TestSupport::StderrCapture;
using TestSupport::TempHome;
using TestSupport::writeFile;

namespace {

// A record with every primitive, and a nested record, as the model's classes write them.
struct Sample {
    std::uint32_t number = 0;
    std::int32_t negative = 0;
    std::uint16_t port = 0;
    bool flag = false;
    std::string narrow;
    std::u16string wide;
    std::uint32_t nested = 0;

    void save(Writer& writer) const {
        writer.writeHeader("Logic::Account");
        writer.write(number);
        writer.write(negative);
        writer.write(port);
        writer.write(flag);
        writer.write(narrow);
        writer.write(wide);
        writer.writeHeader("Logic::Mail");
        writer.write(nested);
    }
    void load(Reader& reader) {
        reader.readHeader("Logic::Account");
        reader.read(number);
        reader.read(negative);
        reader.read(port);
        reader.read(flag);
        reader.read(narrow);
        reader.read(wide);
        reader.readHeader("Logic::Mail");
        reader.read(nested);
    }
    bool operator==(const Sample&) const = default;
};

const Sample kSample{0xDEADBEEF, -7200, 995, true, "pop.example.org", u"Привет \U0001F600", 42};

std::string bytesOf(const Sample& sample) {
    Writer writer;
    sample.save(writer);
    return writer.bytes();
}

} // namespace

TEST(DataFile, EmptyStoreIsTwelveBytes) {
    Writer writer;
    writer.writeHeader("Logic::AccountMgr");
    writer.write(std::uint32_t{0});
    const std::string& bytes = writer.bytes();
    ASSERT_EQ(bytes.size(), 12u);
    EXPECT_EQ(bytes.substr(0, 8), std::string("\x05\xD7\xEC\x95\0\0\0\0", 8));
    // The count is scrambled: reading it back gives 0 again.
    const std::string in = bytes;
    Reader reader(in);
    reader.readHeader("Logic::AccountMgr");
    std::uint32_t count = 99;
    reader.read(count);
    EXPECT_EQ(count, 0u);
    EXPECT_FALSE(reader.failed());
}

TEST(DataFile, PrimitiveEncodingsAndScrambling) {
    Writer writer;
    writer.write(std::string_view());
    writer.write(std::u16string_view());
    writer.write(std::uint16_t{0x0102});
    EXPECT_EQ(writer.bytes().size(), 1u + 2u + 2u);

    // The second record's contents continue the key index where the first record's stopped:
    // its first content byte is scrambled with key byte 5 whether a header stands between or
    // not.
    Writer withHeader;
    withHeader.write(std::uint32_t{0});
    withHeader.write(false);
    withHeader.writeHeader("Logic::Mail");
    withHeader.write(false);
    Writer without;
    without.write(std::uint32_t{0});
    without.write(false);
    without.write(false);
    EXPECT_EQ(withHeader.bytes().substr(13), without.bytes().substr(5));
}

TEST(DataFile, SavedStoreReadsBackEveryField) {
    TempHome home;
    {
        DataFile file(home.dataFolder(), "general");
        Writer* writer = file.openForWriting();
        ASSERT_NE(writer, nullptr);
        kSample.save(*writer);
        ASSERT_TRUE(file.closeWriting());
    }
    DataFile file(home.dataFolder(), "general");
    Sample loaded;
    Reader& reader = file.openForReading();
    ASSERT_FALSE(reader.isNull());
    loaded.load(reader);
    EXPECT_FALSE(reader.failed());
    EXPECT_EQ(loaded, kSample);
    file.closeReading();
}

TEST(DataFile, FolderAndFileAreOwnerOnly) {
    TempHome home;
    DataFile file(home.dataFolder(), "general");
    EXPECT_EQ(file.path(), home.dataFolder() / "data" / "general.bin");
    file.openForWriting();
    ASSERT_TRUE(file.closeWriting());
    struct stat info {};
    ::stat((home.dataFolder() / "data").c_str(), &info);
    EXPECT_EQ(info.st_mode & 0777, 0700u);
    ::stat(file.path().c_str(), &info);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
}

TEST(DataFile, MissingFileGivesTheNullReader) {
    TempHome home;
    DataFile file(home.dataFolder(), "general");
    Reader& reader = file.openForReading();
    EXPECT_TRUE(reader.isNull());
    std::uint32_t value = 5;
    reader.read(value);
    EXPECT_EQ(value, 5u);
    EXPECT_TRUE(reader.failed());
}

TEST(DataFile, SaveIsSkippedWhenNoFileCanBeMade) {
    TempHome home;
    writeFile(home.dataFolder() / "data", "a file where the folder should be");
    DataFile file(home.dataFolder(), "general");
    EXPECT_EQ(file.openForWriting(), nullptr);
    EXPECT_FALSE(file.closeWriting());
    EXPECT_TRUE(file.openForReading().isNull());
}

TEST(DataFile, TruncatedFileAtEveryLengthNeverReadsPastTheEnd) {
    const std::string whole = bytesOf(kSample);
    // The nested record's header is followed by 4 content bytes; its reserved word is not
    // checked, so only a cut before the end of its slot id fails.
    const size_t lastSlotIdEnd = whole.size() - 4 - 4;
    StderrCapture quiet;
    for (size_t length = 0; length < whole.size(); ++length) {
        const std::string in = whole.substr(0, length);
        Reader reader(in);
        Sample loaded;
        // A cut before a slot id is complete fails the check; a cut after the last one leaves
        // the fields not reached as they were, without an error.
        if (length < lastSlotIdEnd) {
            EXPECT_THROW(loaded.load(reader), Norq::SaveLoad::Failure) << length;
        } else {
            EXPECT_NO_THROW(loaded.load(reader)) << length;
            EXPECT_EQ(loaded.nested, 0u);
        }
        EXPECT_TRUE(reader.failed()) << length;
        if (length >= 8 + 4) {
            EXPECT_EQ(loaded.number, kSample.number);
        }
        EXPECT_LE(loaded.narrow.size(), kSample.narrow.size());
    }
}

TEST(DataFile, FileWithAnotherKeyPassesTheFirstHeaderButNotTheSecond) {
    std::string bytes = bytesOf(kSample);
    // Scramble the contents once more, as a program with a different key would have.
    for (size_t i = 8; i < bytes.size(); ++i)
        bytes[i] = static_cast<char>(bytes[i] ^ 0x5C);
    const std::string in = bytes;
    Reader reader(in);
    Sample loaded;
    StderrCapture quiet;
    EXPECT_THROW(loaded.load(reader), Norq::SaveLoad::Failure);
    EXPECT_NE(loaded.number, kSample.number);
}
