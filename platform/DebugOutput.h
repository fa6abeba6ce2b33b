#pragma once

namespace Platform {

/// Passes one piece of diagnostic text to the system's debug channel (standard error on Linux).
void debugOutput(const char* text);

} // namespace Platform
