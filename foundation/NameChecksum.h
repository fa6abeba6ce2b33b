#pragma once

#include <cstdint>
#include <string_view>

namespace Norq {

/// The 32-bit checksum that identifies records and Message-Ids: a CRC with the 16-bit
/// polynomial 0x1021 run in a 32-bit register, most significant bit first, starting from
/// 0x0000FFFF, with no reflection and no final XOR. "" gives 0x0000FFFF, "abc" 0xE56491DA.
std::uint32_t nameChecksum(std::string_view name);

} // namespace Norq
