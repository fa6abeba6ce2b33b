#pragma once

#include <map>
#include <optional>
#include <string>

/// The program's options: an argument starting with '-' or '/' names an option (the name is the
/// argument without that first character, so "--json" names "-json"); the next argument that is
/// not an option becomes its value. While it lives, the object is reachable process-wide
/// through `current`.
class CommandLineOptions {
public:
    CommandLineOptions(int argc, const char* const* argv);
    CommandLineOptions(const CommandLineOptions&) = delete;
    CommandLineOptions& operator=(const CommandLineOptions&) = delete;
    ~CommandLineOptions();

    /// Absent when the option was not given; otherwise its value, possibly empty.
    std::optional<std::string> optionValue(const std::string& name) const;
    bool hasOption(const std::string& name) const { return m_options.contains(name); }

    /// The options of the running program, or nullptr outside its lifetime.
    static const CommandLineOptions* current();

private:
    std::map<std::string, std::string> m_options;
};
