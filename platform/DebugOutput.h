#pragma once

namespace Platform {

/// Passes one piece of diagnostic text to the system's debug channel: on Linux standard error,
/// and only when VELOMAR_DEBUG=1 is set, as standard error is also where a person reads the one
/// line each failure gets.
void debugOutput(const char* text);

} // namespace Platform
