#include "foundation/NameChecksum.h"

#include <gtest/gtest.h>

namespace {

// The bit-by-bit form, kept here as an independent reference for the table-driven code.
std::uint32_t bitwiseChecksum(std::string_view name) {
    std::uint32_t reg = 0x0000FFFF;
    for (char c : name) {
        reg ^= static_cast<std::uint32_t>(static_cast<unsigned char>(c)) << 24;
        for (int i = 0; i < 8; ++i) {
            const bool carry = (reg & 0x80000000u) != 0;
            reg <<= 1;
            if (carry)
                reg ^= 0x00001021u;
        }
    }
    return reg;
}

} // namespace

TEST(NameChecksum, KnownValues) {
    EXPECT_EQ(Norq::nameChecksum(""), 0x0000FFFFu);
    EXPECT_EQ(Norq::nameChecksum("abc"), 0xE56491DAu);
    EXPECT_EQ(Norq::nameChecksum("Logic::AccountMgr"), 0x95ECD705u);
    EXPECT_EQ(Norq::nameChecksum("Logic::Account"), 0x8594DB03u);
    EXPECT_EQ(Norq::nameChecksum("Logic::ConnectionSettings"), 0xEA1C8813u);
    EXPECT_EQ(Norq::nameChecksum("Logic::AccountPreferences"), 0x8CE9F37Bu);
    EXPECT_EQ(Norq::nameChecksum("Logic::Mail"), 0x7B866F33u);
}

TEST(NameChecksum, TableFormMatchesBitwiseForm) {
    for (const char* name : {"Mail Checking Timer", "<1234.5678@mail.example.org>", "\xFF\x80\x01"})
        EXPECT_EQ(Norq::nameChecksum(name), bitwiseChecksum(name)) << name;
    std::string all;
    for (int c = 0; c < 256; ++c)
        all.push_back(static_cast<char>(c));
    EXPECT_EQ(Norq::nameChecksum(all), bitwiseChecksum(all));
}
