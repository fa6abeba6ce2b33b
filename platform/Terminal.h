#pragma once

#include <cstddef>
#include <optional>
#include <string>

namespace Platform {

/// True when standard input is a terminal a person types at.
bool standardInputIsTerminal();

/// Shows `prompt` on the terminal and reads one line typed there without showing it; the line
/// end is not part of the result. Nothing when the terminal cannot be read or closes first.
/// Echo comes back also when the program is interrupted while it waits. At most `limit` bytes
/// are kept.
std::optional<std::string> readHiddenLine(const std::string& prompt, std::size_t limit);

/// The first line of standard input without its line end ("\n" or "\r\n"); nothing when the
/// input ends before any character. At most `limit` bytes are kept.
std::optional<std::string> readStandardInputLine(std::size_t limit);

} // namespace Platform
