#pragma once

#include "foundation/XVar.h"

#include <map>
#include <memory>
#include <optional>
#include <string>

namespace Norq {

/// Named, typed variables of one registry key: enrolled once with a default (and loaded then,
/// if the key exists), read and changed in memory by name, and written back together by `save`.
class XRegistry {
public:
    XRegistry(Platform::RegistryStore store, std::string keyPath);
    XRegistry(const XRegistry&) = delete;
    XRegistry& operator=(const XRegistry&) = delete;
    virtual ~XRegistry() = default;

    /// Throws XRegistryEnrollFailure when the name is enrolled already.
    void enroll(const std::string& name, std::uint32_t defaultValue, bool load);
    void enroll(const std::string& name, std::string defaultValue, bool load);

    /// T is std::uint32_t or std::string. Throws XRegistryNotExistFailure for a name never
    /// enrolled and XRegistryVarCastFailure when the variable has the other type.
    template <class T> const T& getValue(const std::string& name) const {
        return variable<T>(name).value();
    }
    template <class T> void setValue(const std::string& name, T value) {
        variable<T>(name).setValue(std::move(value));
    }

    /// Creates the key if needed and writes every variable; returns 0 or the system's error
    /// code (nothing is written then).
    int save();
    /// The file of the store, for messages.
    const std::filesystem::path& storePath() const { return m_store.path(); }
    /// Whether the key exists in the store (it did at construction, or a save created it).
    bool keyExists() const { return m_key.has_value(); }

private:
    void add(const std::string& name, std::unique_ptr<XVar> variable, bool load);
    XVar& find(const std::string& name) const;
    template <class T> XVarOf<T>& variable(const std::string& name) const {
        XVar& found = find(name);
        if (found.type() != XVarOf<T>::kType)
            throwCastFailure(name, XVarOf<T>::kType);
        return static_cast<XVarOf<T>&>(found);
    }
    [[noreturn]] static void throwCastFailure(const std::string& name, XVar::Type requested);

    Platform::RegistryStore m_store;
    std::string m_keyPath;
    std::optional<Platform::RegistryStore::Values> m_key;
    std::map<std::string, std::unique_ptr<XVar>> m_variables;
};

} // namespace Norq
