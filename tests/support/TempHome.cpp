#include "tests/support/TempHome.h"

#include <cstdlib>
#include <fstream>
#include <sstream>

namespace TestSupport {
namespace {

const char* const kVariables[3] = {"HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME"};

} // namespace

TempHome::TempHome() {
    std::string pattern = (std::filesystem::temp_directory_path() / "velomar-test-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr)
        std::abort();
    m_path = pattern;
    const std::string values[3] = {m_path.string(), configFolder().string(), dataFolder().string()};
    for (int i = 0; i < 3; ++i) {
        if (const char* old = std::getenv(kVariables[i])) {
            m_saved[i] = old;
            m_wasSet[i] = true;
        }
        ::setenv(kVariables[i], values[i].c_str(), 1);
    }
}

TempHome::~TempHome() {
    for (int i = 0; i < 3; ++i) {
        if (m_wasSet[i])
            ::setenv(kVariables[i], m_saved[i].c_str(), 1);
        else
            ::unsetenv(kVariables[i]);
    }
    std::error_code ignored;
    std::filesystem::remove_all(m_path, ignored);
}

std::string readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

void writeFile(const std::filesystem::path& path, const std::string& content) {
    std::filesystem::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << content;
}

} // namespace TestSupport
