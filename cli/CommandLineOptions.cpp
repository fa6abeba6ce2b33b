#include "cli/CommandLineOptions.h"

CommandLineOptions::CommandLineOptions(int argc, const char* const* argv) {
    parse(argc > 1 ? std::vector<std::string>(argv + 1, argv + argc) : std::vector<std::string>());
}

CommandLineOptions::CommandLineOptions(const std::vector<std::string>& arguments) {
    parse(arguments);
}

void CommandLineOptions::parse(const std::vector<std::string>& arguments) {
    std::string* current = nullptr;
    for (const std::string& argument : arguments) {
        // Only a dash starts an option: "/srv" is a value, a folder name among them.
        if (!argument.empty() && argument[0] == '-') {
            // A repeated option keeps its value until another value follows it.
            current = &m_options.try_emplace(argument.substr(1)).first->second;
        } else if (current != nullptr) {
            *current = argument;
            current = nullptr;
        } else {
            m_strays.push_back(argument);
        }
    }
}

std::optional<std::string> CommandLineOptions::optionValue(const std::string& name) const {
    const auto found = m_options.find(name);
    if (found == m_options.end())
        return std::nullopt;
    return found->second;
}
