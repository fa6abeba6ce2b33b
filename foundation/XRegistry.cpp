#include "foundation/XRegistry.h"

#include "foundation/Exception.h"
#include "foundation/Reporter.h"

#include <boost/format.hpp>

namespace Norq {

XRegistry::XRegistry(Platform::RegistryStore store, std::string keyPath)
    : m_store(std::move(store)), m_keyPath(std::move(keyPath)) {
    auto snapshot = m_store.read();
    if (!snapshot.problem.empty())
        report("Norq", "malformed registry file, read up to the fault", snapshot.problem);
    if (const auto found = snapshot.keys.find(m_keyPath); found != snapshot.keys.end())
        m_key = std::move(found->second);
}

void XRegistry::enroll(const std::string& name, std::uint32_t defaultValue, bool load) {
    add(name, std::make_unique<XNumber>(defaultValue), load);
}

void XRegistry::enroll(const std::string& name, std::string defaultValue, bool load) {
    add(name, std::make_unique<XText>(std::move(defaultValue)), load);
}

void XRegistry::add(const std::string& name, std::unique_ptr<XVar> variable, bool load) {
    if (m_variables.contains(name))
        throw XRegistryEnrollFailure(
            (boost::format("XRegistry: переменная <%s> уже зарегистрированна.") % name).str());
    if (load && m_key)
        variable->load(*m_key, name);
    m_variables.emplace(name, std::move(variable));
}

XVar& XRegistry::find(const std::string& name) const {
    const auto found = m_variables.find(name);
    if (found == m_variables.end())
        throw XRegistryNotExistFailure(
            (boost::format("XRegistry: переменная с именем <%s> не зарегистрированна.") % name)
                .str());
    return *found->second;
}

void XRegistry::throwCastFailure(const std::string& name, XVar::Type requested) {
    const char* typeName = requested == XVar::Type::Number ? "unsigned int" : "std::string";
    throw XRegistryVarCastFailure(
        (boost::format("XVar: ошибка при приведении переменной <%s> к типу [%s].") % name %
         typeName)
            .str());
}

int XRegistry::save() {
    Platform::RegistryStore::Values values;
    for (const auto& [name, variable] : m_variables)
        variable->store(values, name);
    if (const int error = m_store.write(m_keyPath, values); error != 0)
        return error;
    m_key = std::move(values);
    return 0;
}

} // namespace Norq
