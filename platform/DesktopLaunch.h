#pragma once

#include <string>

/// What the desktop offers to start things: its default mail client, programs, and the default
/// handler of an address, each as the desktop itself would start them (the desktop entries and
/// mimeapps.list it reads). Nothing here shows a window; callers report failures. Each answers
/// true only when the system says the start happened.
namespace Platform {

/// The handler of mailto: links, started as its menu entry starts it, with no address: its
/// field codes filled in, a terminal when it needs one, D-Bus activation when it offers it.
/// False when no handler is set, its program is not installed, or it does not start.
bool launchDefaultMailClient();

/// Splits the text into the program and its arguments the way a shell would (quotes and
/// backslashes; no variables, no globbing) and starts it without waiting for it. False when
/// the text is empty or unbalanced, or the program does not start.
bool startCommandLine(const std::string& commandLine);

/// Opens the address with the desktop's default handler for its scheme (or, for a local file,
/// its type). False when no handler takes it or the handler does not start.
bool openWithDefaultHandler(const std::string& address);

} // namespace Platform
