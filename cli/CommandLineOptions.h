#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

/// The program's options: an argument starting with '-' names an option (the name is the
/// argument without that first character, so "--json" names "-json"); the next argument that is
/// not an option becomes its value. An argument that is neither is a stray one.
class CommandLineOptions {
public:
    /// The running program's own options.
    CommandLineOptions(int argc, const char* const* argv);
    /// Options another start of the program sent (its arguments without the program name).
    explicit CommandLineOptions(const std::vector<std::string>& arguments);

    /// Absent when the option was not given; otherwise its value, possibly empty.
    std::optional<std::string> optionValue(const std::string& name) const;
    bool hasOption(const std::string& name) const { return m_options.contains(name); }
    /// Every option by name, with its value.
    const std::map<std::string, std::string>& all() const { return m_options; }
    /// The arguments that are neither an option nor an option's value, in order.
    const std::vector<std::string>& strays() const { return m_strays; }

private:
    void parse(const std::vector<std::string>& arguments);

    std::map<std::string, std::string> m_options;
    std::vector<std::string> m_strays;
};
