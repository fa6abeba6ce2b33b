#pragma once

#include <cstdint>

namespace Logic {

/// Where an IMAP account's checks stand in its INBOX: the UIDVALIDITY its UIDs belong to and
/// the next UID not looked at yet; both 0 before its first check.
struct ImapMark {
    std::uint32_t uidValidity = 0;
    std::uint32_t nextUid = 0;
    bool operator==(const ImapMark&) const = default;
};

} // namespace Logic
