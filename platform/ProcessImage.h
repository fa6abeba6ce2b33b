#pragma once

#include <filesystem>

namespace Platform {

/// Runs `executable` in place of this process, which keeps its id, its open files and its
/// environment. `arguments` are the whole command line, ended by a null pointer. Returns only
/// when it could not: the system's error number.
int replaceProcessImage(const std::filesystem::path& executable, char* const* arguments);

} // namespace Platform
