#pragma once

#include "foundation/SaveLoadFwd.h"

#include <cstdint>
#include <string>

namespace Logic {

/// What "read mail" starts for an account. The values are stored in the data file.
enum class ReadMailAction : std::int32_t {
    DefaultMailClient = 0,
    LaunchProgram = 1,
    OpenUrl = 2,
};

/// The account's read-mail action. Program and URL are both kept whatever the action is, so
/// switching the action back and forth loses neither.
class AccountPreferences {
public:
    AccountPreferences() = default;
    /// Reads a "Logic::AccountPreferences" record. An action value this program does not know
    /// is kept as it stands; whoever carries the action out decides what it means.
    explicit AccountPreferences(Norq::SaveLoad::Reader& reader);
    void save(Norq::SaveLoad::Writer& writer) const;

    ReadMailAction readMailAction() const { return m_readMailAction; }
    void setReadMailAction(ReadMailAction action) { m_readMailAction = action; }
    const std::u16string& programPath() const { return m_programPath; }
    void setProgramPath(std::u16string path) { m_programPath = std::move(path); }
    const std::u16string& url() const { return m_url; }
    void setUrl(std::u16string url) { m_url = std::move(url); }
    /// "Mark messages read on the server too": Mark As Read sets an IMAP message's \Seen flag.
    /// Off, the program stays a notifier that changes nothing on the server.
    bool markReadOnServer() const { return m_markReadOnServer; }
    void setMarkReadOnServer(bool mark) { m_markReadOnServer = mark; }

    bool operator==(const AccountPreferences&) const = default;

private:
    ReadMailAction m_readMailAction = ReadMailAction::DefaultMailClient;
    std::u16string m_programPath;
    std::u16string m_url;
    /// Kept with the account's IMAP record, which older copies do not read.
    bool m_markReadOnServer = false;
};

} // namespace Logic
