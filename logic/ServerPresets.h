#pragma once

#include "logic/ServerPreset.h"

#include <cstddef>
#include <map>
#include <string>
#include <string_view>

class TiXmlElement;

namespace Logic {

/// The known providers, keyed by mail domain, read once from an installed XML file. Problems in
/// the file are reported line by line and skipped; a missing file gives an empty table.
class ServerPresets {
public:
    /// Reads `fileName` under the installed-files root; never throws.
    explicit ServerPresets(const std::string& fileName);
    ~ServerPresets();

    /// Exact, case-sensitive lookup of a mail domain; nullptr when the domain is unknown.
    const ServerPreset* find(std::string_view serverName) const;

    std::size_t size() const { return m_presets.size(); }
    const std::map<std::string, ServerPreset, std::less<>>& all() const { return m_presets; }

private:
    void loadServer(const TiXmlElement& server);

    std::map<std::string, ServerPreset, std::less<>> m_presets;
};

} // namespace Logic
