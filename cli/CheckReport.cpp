#include "cli/CheckReport.h"

#include "cli/JsonText.h"

#include <cstdio>
#include <ctime>

std::optional<std::string> isoDate(const MailDate& date) {
    if (!date.isKnown())
        return std::nullopt;
    // `time` is the header's wall-clock time read as local time, so reading it back as local
    // time gives the fields the header wrote.
    const std::time_t seconds = date.time;
    std::tm fields{};
    if (localtime_r(&seconds, &fields) == nullptr)
        return std::nullopt;
    const int zone = date.zoneOffset;
    const int zoneMinutes = (zone < 0 ? -zone : zone) / 60;
    char text[64];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d%c%02d:%02d",
                  fields.tm_year + 1900, fields.tm_mon + 1, fields.tm_mday, fields.tm_hour,
                  fields.tm_min, fields.tm_sec, zone < 0 ? '-' : '+', zoneMinutes / 60,
                  zoneMinutes % 60);
    return std::string(text);
}

std::size_t CheckReport::totalNew() const {
    std::size_t total = 0;
    for (const Account& account : accounts)
        total += account.newMessages.size();
    return total;
}

std::size_t CheckReport::totalUnread() const {
    std::size_t total = 0;
    for (const Account& account : accounts)
        total += account.unread;
    return total;
}

int CheckReport::exitCode() const {
    if (saveFailure)
        return 1;
    for (const Account& account : accounts) {
        if (!account.checked)
            return 3;
    }
    return 0;
}

namespace {

// A header's text on one line of its own: breaks and other control characters become spaces.
std::string oneLine(std::string text) {
    for (char& c : text) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
            c = ' ';
    }
    return text;
}

} // namespace

std::string CheckReport::plainText() const {
    // Said last, where a reader of the list ends up, so no one takes the list as kept.
    const std::string notSaved =
        saveFailure ? "Not saved: the next check will report all of this again.\n" : "";
    if (accounts.empty())
        return "No accounts are set up.\n" + notSaved;
    std::string text;
    for (const Account& account : accounts) {
        text += account.email + ": ";
        const std::string unread = std::to_string(account.unread) + " unread";
        if (account.checked && account.failure) // read in part: the reason says why
            text += std::to_string(account.newMessages.size()) + " new, " + unread + " (" +
                    account.reason + ")\n";
        else if (account.checked)
            text += std::to_string(account.newMessages.size()) + " new, " + unread + "\n";
        else if (account.failure)
            text += "failed, " + unread + " (" + account.reason + ")\n";
        else
            text += "not checked, " + unread + "\n";
        for (const Message& message : account.newMessages)
            text += "  " + oneLine(message.from) + ": " + oneLine(message.subject) + "\n";
    }
    text += "Total: " + std::to_string(totalNew()) + " new, " + std::to_string(totalUnread()) +
            " unread\n";
    return text + notSaved;
}

std::string CheckReport::json() const {
    std::string out = "{\"unread\": " + std::to_string(totalUnread()) +
                      ", \"new\": " + std::to_string(totalNew()) +
                      ", \"saved\": " + (saveFailure ? "false" : "true") + ", \"accounts\": [";
    for (std::size_t i = 0; i < accounts.size(); ++i) {
        const Account& account = accounts[i];
        out += i ? ", " : "";
        out += "{\"email\": " + jsonString(account.email);
        out += std::string(", \"status\": ") + (account.checked ? "\"checked\"" : "\"failed\"");
        out += ", \"failure\": ";
        out += account.failure ? jsonString(failureName(*account.failure)) : "null";
        out += ", \"reason\": " + (account.reason.empty() ? "null" : jsonString(account.reason));
        out += ", \"new\": " + std::to_string(account.newMessages.size());
        out += ", \"unread\": " + std::to_string(account.unread);
        out += ", \"newMessages\": [";
        for (std::size_t m = 0; m < account.newMessages.size(); ++m) {
            const Message& message = account.newMessages[m];
            const auto date = isoDate(message.date);
            out += m ? ", " : "";
            out += "{\"from\": " + jsonString(message.from) +
                   ", \"subject\": " + jsonString(message.subject) +
                   ", \"date\": " + (date ? jsonString(*date) : "null") + "}";
        }
        out += "]}";
    }
    return out + "]}\n";
}
