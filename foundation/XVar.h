#pragma once

#include "platform/RegistryStore.h"

#include <cstdint>
#include <string>

namespace Norq {

/// One enrolled registry variable: a number (stored as dword) or a narrow text (stored as a
/// string value).
class XVar {
public:
    enum class Type { Number, Text };

    virtual ~XVar() = default;
    virtual Type type() const = 0;
    /// Takes the stored value when the key holds one of the right kind; otherwise keeps the
    /// current value.
    virtual void load(const Platform::RegistryStore::Values& key, const std::string& name) = 0;
    virtual void store(Platform::RegistryStore::Values& key, const std::string& name) const = 0;
};

template <class T> class XVarOf : public XVar {
public:
    explicit XVarOf(T value) : m_value(std::move(value)) {}

    Type type() const override { return kType; }
    void load(const Platform::RegistryStore::Values& key, const std::string& name) override {
        const auto found = key.find(name);
        if (found == key.end())
            return;
        if (const T* stored = std::get_if<T>(&found->second))
            m_value = *stored;
    }
    void store(Platform::RegistryStore::Values& key, const std::string& name) const override {
        key[name] = m_value;
    }

    const T& value() const { return m_value; }
    void setValue(T value) { m_value = std::move(value); }

    static constexpr Type kType = std::is_same_v<T, std::string> ? Type::Text : Type::Number;

private:
    T m_value;
};

using XNumber = XVarOf<std::uint32_t>;
using XText = XVarOf<std::string>;

} // namespace Norq
