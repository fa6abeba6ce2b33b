#include "cli/InstanceProtocol.h"

#include "foundation/AsciiText.h"

#include <charconv>

namespace InstanceProtocol {
namespace {

constexpr std::string_view kTag = "velomar-request 1";

// Every byte but letters, digits and "-._~" as %XX.
std::string line(std::string_view bytes) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string encoded;
    encoded.reserve(bytes.size() + 1);
    for (const char byte : bytes) {
        const auto value = static_cast<unsigned char>(byte);
        if ((value >= 'a' && value <= 'z') || (value >= 'A' && value <= 'Z') ||
            (value >= '0' && value <= '9') || byte == '-' || byte == '.' || byte == '_' ||
            byte == '~') {
            encoded += byte;
        } else {
            encoded += '%';
            encoded += kHex[value >> 4];
            encoded += kHex[value & 0xF];
        }
    }
    return encoded + '\n';
}

// A '%' without two hex digits after it stands for itself.
std::string unescaped(std::string_view line) {
    std::string bytes;
    bytes.reserve(line.size());
    for (std::size_t i = 0; i < line.size(); ++i) {
        if (line[i] == '%' && i + 2 < line.size() && Norq::hexDigitValue(line[i + 1]) >= 0 &&
            Norq::hexDigitValue(line[i + 2]) >= 0) {
            bytes += static_cast<char>(Norq::hexDigitValue(line[i + 1]) * 16 +
                                       Norq::hexDigitValue(line[i + 2]));
            i += 2;
        } else {
            bytes += line[i];
        }
    }
    return bytes;
}

// The complete lines received so far, without their line ends.
std::vector<std::string_view> completeLines(std::string_view received) {
    std::vector<std::string_view> lines;
    for (std::size_t end = received.find('\n'); end != std::string_view::npos;
         end = received.find('\n')) {
        lines.push_back(received.substr(0, end));
        received.remove_prefix(end + 1);
    }
    return lines;
}

} // namespace

std::string encodeRequest(const std::vector<std::string>& arguments, const std::string& input) {
    std::string request = std::string(kTag) + '\n';
    // The '=' keeps an empty argument apart from the empty line that ends the request.
    for (const std::string& argument : arguments)
        request += '=' + line(argument);
    if (!input.empty())
        request += '<' + line(input);
    return request + '\n';
}

Request decodeRequest(std::string_view received) {
    Request request;
    const std::vector<std::string_view> lines = completeLines(received);
    if (lines.empty())
        return request;
    if (lines.front() != kTag) {
        request.state = Request::State::Invalid;
        return request;
    }
    bool hasInput = false; // the input comes once, after the arguments
    for (std::size_t i = 1; i < lines.size(); ++i) {
        if (lines[i].empty()) {
            // Anything sent after the end of the request makes it unreadable as a whole.
            request.state = i + 1 == lines.size() && received.ends_with('\n')
                                ? Request::State::Complete
                                : Request::State::Invalid;
            return request;
        }
        if (lines[i].starts_with('=') && !hasInput) {
            request.arguments.push_back(unescaped(lines[i].substr(1)));
        } else if (lines[i].starts_with('<') && !hasInput) {
            request.input = unescaped(lines[i].substr(1));
            hasInput = true;
        } else {
            request.state = Request::State::Invalid;
            return request;
        }
    }
    request.arguments.clear();
    request.input.clear();
    return request;
}

std::string encodeReply(const JobOutput& output) {
    return std::to_string(output.exitCode) + '\n' + line(output.standardOutput) +
           line(output.standardError);
}

std::optional<JobOutput> decodeReply(std::string_view received) {
    const std::vector<std::string_view> lines = completeLines(received);
    if (lines.size() != 3)
        return std::nullopt;
    int exitCode = 0;
    const std::string_view number = lines[0];
    const auto [end, error] =
        std::from_chars(number.data(), number.data() + number.size(), exitCode);
    if (error != std::errc() || end != number.data() + number.size() || number.empty())
        return std::nullopt;
    return JobOutput{exitCode, unescaped(lines[1]), unescaped(lines[2])};
}

} // namespace InstanceProtocol
