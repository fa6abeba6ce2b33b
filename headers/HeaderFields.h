#pragma once

// What the program reads from a message's header block: sender, subject, charset, Message-Id
// checksum and arrival date.

#include "headers/HeaderWalker.h"
#include "headers/MailDate.h"

#include <cstdint>
#include <string>
#include <string_view>

struct HeaderFields {
    /// From "Subject:", decoded.
    std::u16string subject;
    /// From "From:", decoded, display name and address as they stand.
    std::u16string sender;
    /// The quoted charset parameter of "Content-Type:", in lower case; empty when absent.
    std::string charset;
    /// nameChecksum of the "Message-Id:" value; 0 when absent.
    std::uint32_t messageIdSum = 0;
    /// From the first "Received:" field that carries a date; (0, 0) when none does.
    MailDate date;

    /// Takes what this field says, if it is one of the fields above. Fields must be read in the
    /// order of the block: the charset affects only a later subject, the first dated
    /// "Received:" wins, and a later repeat of any other field replaces the earlier value.
    void readField(const char* fieldStart, const char* fieldEnd);
};

/// Reads a whole header block (lines with CR LF, up to and past the empty line).
HeaderFields readHeaderFields(std::string_view headerBlock);
