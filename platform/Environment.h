#pragma once

#include <optional>
#include <string>

namespace Platform {

/// The value of an environment variable, or nothing when it is not set.
std::optional<std::string> environmentVariable(const std::string& name);

} // namespace Platform
