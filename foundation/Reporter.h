#pragma once

#include <string_view>

namespace Norq {

/// Writes one diagnostic line per tolerated condition: source ": " message " $[" detail "]".
class Reporter {
public:
    ~Reporter() = default;
    /// Called just before the process-wide instance is destroyed.
    void shutdown() {}
    void report(std::string_view source, std::string_view message, std::string_view detail);
};

/// Reports through the process-wide Reporter.
void report(std::string_view source, std::string_view message, std::string_view detail);

} // namespace Norq
