#include "platform/RegistryStore.h"

#include "platform/AtomicFile.h"
#include "platform/SpecialFolders.h"

#include <cerrno>
#include <cstdio>
#include <fstream>
#include <optional>
#include <sstream>

namespace Platform {
namespace {

constexpr std::string_view kHeader = "REGEDIT4";
constexpr std::string_view kRoot = "HKEY_CURRENT_USER\\";

std::string escape(std::string_view text) {
    std::string escaped;
    escaped.reserve(text.size() + 2);
    for (char c : text) {
        switch (c) {
        case '\\':
            escaped += "\\\\";
            break;
        case '"':
            escaped += "\\\"";
            break;
        // A line break inside a value would end the line; keep the value on one line.
        case '\n':
            escaped += "\\n";
            break;
        case '\r':
            escaped += "\\r";
            break;
        default:
            escaped += c;
        }
    }
    return escaped;
}

// Reads a quoted text starting at `pos` (which holds the opening quote); on success `pos` is
// behind the closing quote.
std::optional<std::string> readQuoted(std::string_view line, size_t& pos) {
    if (pos >= line.size() || line[pos] != '"')
        return std::nullopt;
    std::string text;
    for (++pos; pos < line.size(); ++pos) {
        char c = line[pos];
        if (c == '"') {
            ++pos;
            return text;
        }
        if (c == '\\') {
            if (++pos >= line.size())
                return std::nullopt;
            c = line[pos];
            if (c == 'n')
                c = '\n';
            else if (c == 'r')
                c = '\r';
        }
        text += c;
    }
    return std::nullopt;
}

std::optional<std::uint32_t> readDword(std::string_view digits) {
    if (digits.empty() || digits.size() > 8)
        return std::nullopt;
    std::uint32_t value = 0;
    for (char c : digits) {
        int digit;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (c >= 'a' && c <= 'f')
            digit = c - 'a' + 10;
        else if (c >= 'A' && c <= 'F')
            digit = c - 'A' + 10;
        else
            return std::nullopt;
        value = (value << 4) | static_cast<std::uint32_t>(digit);
    }
    return value;
}

// One `"Name"=...` line; nothing when it is not well-formed.
std::optional<std::pair<std::string, RegistryStore::Value>> parseValueLine(std::string_view line) {
    size_t pos = 0;
    auto name = readQuoted(line, pos);
    if (!name || pos >= line.size() || line[pos] != '=')
        return std::nullopt;
    ++pos;
    if (pos < line.size() && line[pos] == '"') {
        auto text = readQuoted(line, pos);
        if (!text || pos != line.size())
            return std::nullopt;
        return std::make_pair(std::move(*name), RegistryStore::Value(std::move(*text)));
    }
    constexpr std::string_view kDword = "dword:";
    if (line.substr(pos, kDword.size()) != kDword)
        return std::nullopt;
    const auto number = readDword(line.substr(pos + kDword.size()));
    if (!number)
        return std::nullopt;
    return std::make_pair(std::move(*name), RegistryStore::Value(*number));
}

} // namespace

RegistryStore::RegistryStore(std::filesystem::path file) : m_file(std::move(file)) {}

std::filesystem::path RegistryStore::userStorePath(std::string_view maker,
                                                   std::string_view product) {
    const auto folder = userConfigFolder();
    if (folder.empty())
        return {};
    return folder / maker / (std::string(product) + ".reg");
}

RegistryStore::Snapshot RegistryStore::parse(std::string_view text) {
    Snapshot snapshot;
    Values* section = nullptr;
    bool headerSeen = false;
    int lineNumber = 0;
    while (!text.empty()) {
        const size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        ++lineNumber;
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (line.empty() || line.front() == ';')
            continue;

        std::string problem;
        if (!headerSeen) {
            if (line == kHeader)
                headerSeen = true;
            else
                problem = "no REGEDIT4 header";
        } else if (line.front() == '[') {
            if (line.back() != ']' || line.substr(1, kRoot.size()) != kRoot)
                problem = "not a key of HKEY_CURRENT_USER";
            else
                section = &snapshot.keys[std::string(
                    line.substr(1 + kRoot.size(), line.size() - 2 - kRoot.size()))];
        } else if (section == nullptr) {
            problem = "value outside a key";
        } else if (auto value = parseValueLine(line)) {
            (*section)[value->first] = std::move(value->second);
        } else {
            problem = "malformed value";
        }
        if (!problem.empty()) {
            snapshot.problem = "line " + std::to_string(lineNumber) + ": " + problem;
            break;
        }
    }
    return snapshot;
}

std::string RegistryStore::format(const Keys& keys) {
    std::string text(kHeader);
    text += "\n\n";
    for (const auto& [path, values] : keys) {
        text += '[';
        text += kRoot;
        text += path;
        text += "]\n";
        for (const auto& [name, value] : values) {
            text += '"' + escape(name) + "\"=";
            if (const auto* number = std::get_if<std::uint32_t>(&value)) {
                char digits[16];
                std::snprintf(digits, sizeof digits, "dword:%08x", static_cast<unsigned>(*number));
                text += digits;
            } else {
                text += '"' + escape(std::get<std::string>(value)) + '"';
            }
            text += '\n';
        }
        text += '\n';
    }
    return text;
}

RegistryStore::Snapshot RegistryStore::read() const {
    std::ifstream in(m_file, std::ios::binary);
    if (!in)
        return {};
    std::ostringstream content;
    content << in.rdbuf();
    return parse(content.view());
}

int RegistryStore::write(const std::string& keyPath, const Values& values) const {
    if (m_file.empty())
        return ENOENT;
    if (const int error = makePrivateDirectories(m_file.parent_path()); error != 0)
        return error;
    Keys keys = read().keys;
    Values& key = keys[keyPath];
    for (const auto& [name, value] : values)
        key[name] = value;
    AtomicFile file(m_file);
    if (!file.write(format(keys)) || !file.commit())
        return file.error() != 0 ? file.error() : EIO;
    return 0;
}

} // namespace Platform
