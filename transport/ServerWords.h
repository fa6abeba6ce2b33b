#pragma once

#include <chrono>
#include <string>
#include <string_view>

/// A server's own words, as printable text of a reasonable length (200 characters): they are
/// shown to the user and written to JSON.
std::string serverWords(std::string_view text);
/// "<lead>: <words>." with the server's words when it gave any, "<lead>." otherwise.
std::string withWords(const std::string& lead, const std::string& words);
/// Why a reply never came whole: the greeting, or the answer after `failedCommand` (`after` is
/// how a message names the command), not within `waited`, or a reply that kept coming too long.
std::string silenceReason(const std::string& after, const std::string& failedCommand,
                          std::chrono::milliseconds waited, bool replyTooSlow);
