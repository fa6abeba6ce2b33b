#include "transport/ServerWords.h"

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
