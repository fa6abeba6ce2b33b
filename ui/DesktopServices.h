#pragma once

#include <QString>

#include <optional>

/// What the desktop offers to start things: its default mail client, programs, and the default
/// handler of an address. Nothing here shows a window; callers report failures.
namespace DesktopServices {

/// The desktop's default handler for mailto: links.
struct MailClient {
    /// The handler's desktop entry id ("org.example.Mailer.desktop").
    QString id;
    /// Its command line as the desktop entry writes it, field codes such as %u included.
    QString commandLine;
};
/// Nothing when no handler is set or its program is not installed.
std::optional<MailClient> defaultMailClient();

/// Splits the text into the program and its arguments the way a shell would (quotes and
/// backslashes; no variables, no globbing) and starts it without waiting for it. False when
/// the text is empty or unbalanced, or the program does not start.
bool startCommandLine(const QString& commandLine);

/// Opens the address with the desktop's default handler for its scheme (or, for a local file,
/// its type). False when no handler takes it or the handler does not start: unlike starting a
/// generic opener, this knows the answer before it says yes.
bool openWithDefaultHandler(const QString& address);

} // namespace DesktopServices
