#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <string_view>
#include <variant>

namespace Platform {

/// The per-user store of keys and typed values (numbers and texts) that stands in for the
/// current user's registry: one text file in REGEDIT4 format, a `[HKEY_CURRENT_USER\...]`
/// section per key. Every write rewrites the file atomically with owner-only access.
class RegistryStore {
public:
    using Value = std::variant<std::uint32_t, std::string>;
    using Values = std::map<std::string, Value>;
    /// Sections by key path below HKEY_CURRENT_USER ("Software\\Vendor\\Product").
    using Keys = std::map<std::string, Values>;

    struct Snapshot {
        Keys keys;
        /// Empty when the whole file parsed; otherwise what stopped the parse and where.
        std::string problem;
    };

    explicit RegistryStore(std::filesystem::path file);

    /// The store of the current user: $XDG_CONFIG_HOME/<maker>/<product>.reg; empty when the
    /// user has no configuration folder.
    static std::filesystem::path userStorePath(std::string_view maker, std::string_view product);

    const std::filesystem::path& path() const { return m_file; }

    /// Everything the file holds now; an absent file is an empty store.
    Snapshot read() const;
    /// Sets `values` in the key (creating it, keeping its other values and every other key) and
    /// rewrites the file. Returns 0, or the errno value of the failure (nothing is written then).
    int write(const std::string& keyPath, const Values& values) const;

    /// The text format; `parse` reads as far as the text is well-formed.
    static Snapshot parse(std::string_view text);
    static std::string format(const Keys& keys);

private:
    std::filesystem::path m_file;
};

} // namespace Platform
