#pragma once

#include "logic/ServerPreset.h"

#include <cstddef>
#include <filesystem>
#include <map>
#include <string>
#include <string_view>

class TiXmlElement;

namespace Logic {

/// The known providers, keyed by mail domain, read once from an installed XML file. Problems in
/// the file are reported line by line and skipped; a missing file gives an empty table.
class ServerPresets {
public:
    /// No known providers.
    ServerPresets() = default;
    /// Reads the file; never throws. A file that cannot be read gives no presets.
    static ServerPresets fromFile(const std::filesystem::path& path);
    /// Reads XML text; `source` names it in the reports.
    static ServerPresets fromText(std::string_view text, std::string_view source);

    /// Exact, case-sensitive lookup of a mail domain; nullptr when the domain is unknown.
    const ServerPreset* find(std::string_view serverName) const;
    /// The provider whose POP3 or IMAP server this is (any case), whatever the address's
    /// domain: an account on a domain of its own may be served by a known provider; nullptr
    /// for none.
    const ServerPreset* findByServer(std::string_view server) const;
    /// What to add when this server refused a log-in (see ServerPreset::refusalAdvice); empty
    /// for a server no provider here runs.
    std::string refusalAdvice(std::string_view server) const;

    std::size_t size() const { return m_presets.size(); }
    const std::map<std::string, ServerPreset, std::less<>>& all() const { return m_presets; }

private:
    void loadServer(const TiXmlElement& server);

    std::map<std::string, ServerPreset, std::less<>> m_presets;
};

} // namespace Logic
