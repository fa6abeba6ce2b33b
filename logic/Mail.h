#pragma once

#include "foundation/SaveLoadFwd.h"
#include "headers/HeaderFields.h"
#include "headers/MailDate.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace Logic {

/// One unread message: whose it is, who sent it, its subject and when it arrived. Built from the
/// header block a check fetched, kept in its account until it is marked read. Messages have no
/// identity but the object itself: the model compares records by address, never by contents.
class Mail {
public:
    /// Set once the notification window has shown the message.
    static constexpr std::uint32_t kNotified = 1;

    /// Reads the fields the program uses out of a header block fetched for `accountEmail`: its
    /// first 64 KiB at most, keeping 1 000 characters of sender and subject at most, "…" added
    /// where they were cut.
    Mail(std::string accountEmail, std::string_view headerBlock);
    /// Reads a "Logic::Mail" record.
    explicit Mail(Norq::SaveLoad::Reader& reader);
    ~Mail();

    Mail(const Mail&) = delete;
    Mail& operator=(const Mail&) = delete;

    void save(Norq::SaveLoad::Writer& writer) const;

    const std::u16string& subject() const { return m_fields.subject; }
    const std::u16string& sender() const { return m_fields.sender; }
    const std::string& accountEmail() const { return m_accountEmail; }
    /// The date of the first Received line that carries one; (0, 0) when there is none.
    const MailDate& received() const { return m_fields.date; }
    std::uint32_t messageIdSum() const { return m_fields.messageIdSum; }

    /// The message's UID in its IMAP account's INBOX; 0 for a POP3 message.
    std::uint32_t imapUid() const { return m_imapUid; }
    void setImapUid(std::uint32_t uid) { m_imapUid = uid; }

    std::uint32_t flags() const { return m_flags; }
    void setFlags(std::uint32_t flags) { m_flags = flags; }
    bool notified() const { return (m_flags & kNotified) != 0; }
    void setNotified() { m_flags |= kNotified; }

private:
    HeaderFields m_fields;
    std::string m_accountEmail;
    std::uint32_t m_flags = 0;
    /// Kept with the account's IMAP record, not in the message's own.
    std::uint32_t m_imapUid = 0;
};

} // namespace Logic
