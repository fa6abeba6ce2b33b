#pragma once

#include "cli/JobOutput.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

/// What another start of the program says to the running tray program over its local socket,
/// and the answer. Lines of percent-encoded bytes, so any argument or output survives as it
/// is. A request is the line "velomar-request 1", one line per command-line argument (without
/// the program name, each after a '='), at most one line after a '<' with what the job read
/// before it asked (the password of --add-account, which must never be an argument: those show
/// in process listings) and an empty line; the arguments say what is asked, the way they would
/// on a command line, so a new job needs no new frame. The reply is three lines: the exit code,
/// the standard output and the standard error of the job.
namespace InstanceProtocol {

/// A request that has not ended within this many bytes is refused.
inline constexpr std::size_t kMaxRequestSize = 64 * 1024;

std::string encodeRequest(const std::vector<std::string>& arguments, const std::string& input = {});

struct Request {
    enum class State { Incomplete, Complete, Invalid };
    State state = State::Incomplete;
    std::vector<std::string> arguments;
    std::string input;
};
/// Reads what has arrived so far.
Request decodeRequest(std::string_view received);

std::string encodeReply(const JobOutput& output);
/// Nothing until all three lines have arrived or when they do not make a reply.
std::optional<JobOutput> decodeReply(std::string_view received);

} // namespace InstanceProtocol
