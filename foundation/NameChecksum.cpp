#include "foundation/NameChecksum.h"

#include <array>

namespace Norq {
namespace {

constexpr std::array<std::uint32_t, 256> makeTable() {
    std::array<std::uint32_t, 256> table{};
    for (std::uint32_t byte = 0; byte < 256; ++byte) {
        std::uint32_t reg = byte << 24;
        for (int bit = 0; bit < 8; ++bit)
            reg = (reg & 0x80000000u) ? (reg << 1) ^ 0x00001021u : reg << 1;
        table[byte] = reg;
    }
    return table;
}

constexpr auto kTable = makeTable();

} // namespace

std::uint32_t nameChecksum(std::string_view name) {
    std::uint32_t reg = 0x0000FFFF;
    for (char c : name)
        reg = (reg << 8) ^ kTable[((reg >> 24) ^ static_cast<unsigned char>(c)) & 0xFF];
    return reg;
}

} // namespace Norq
