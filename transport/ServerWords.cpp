#include "transport/ServerWords.h"

#include "transport/SocketWait.h"

std::string serverWords(std::string_view text) {
    constexpr std::size_t kLongest = 200;
    std::string words;
    for (const char c : text) {
        if (words.size() == kLongest)
            break;
        const bool printable = c > ' ' && c <= '~';
        if (printable || !words.empty())
            words += printable ? c : ' ';
    }
    while (!words.empty() && words.back() == ' ')
        words.pop_back();
    return words;
}

std::string withWords(const std::string& lead, const std::string& words) {
    if (words.empty())
        return lead + ".";
    return lead + ": " + words + (words.back() == '.' ? "" : ".");
}

std::string silenceReason(const std::string& after, const std::string& failedCommand,
                          std::chrono::milliseconds waited, bool replyTooSlow) {
    if (replyTooSlow)
        return "The server's reply to " + after + " did not end within " + Vusk::limitText(waited) +
               ".";
    if (failedCommand.empty())
        return "No greeting from the server within " + Vusk::limitText(waited) + ".";
    return "No answer from the server within " + Vusk::limitText(waited) + " after " +
           failedCommand + ".";
}
