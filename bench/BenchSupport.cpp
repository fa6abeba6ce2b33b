#include "bench/BenchSupport.h"

#include "platform/HeapSettings.h"
#include "platform/ProcessImage.h"
#include "platform/SpecialFolders.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <malloc.h>
#include <stdexcept>

namespace Bench {

double median(std::vector<double> values) {
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const std::size_t middle = values.size() / 2;
    return values.size() % 2 == 1 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

long residentKilobytes() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0)
            return std::strtol(line.c_str() + 6, nullptr, 10);
    }
    return 0;
}

std::size_t heapBytesInUse() {
    const struct mallinfo2 info = ::mallinfo2();
    return info.uordblks + info.hblkhd;
}

TemporaryFolder::TemporaryFolder(const std::string& prefix) {
    std::string pattern = (std::filesystem::temp_directory_path() / (prefix + "XXXXXX")).string();
    if (::mkdtemp(pattern.data()) == nullptr)
        throw std::runtime_error("cannot make a temporary folder " + pattern);
    m_path = pattern;
}

TemporaryFolder::~TemporaryFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(m_path, ignored);
}

std::vector<std::string> readHeaderCorpus(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot read the corpus " + file.string());
    const std::string data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    static constexpr std::string_view kEnd = "\r\n.\r\n";
    std::vector<std::string> blocks;
    std::size_t start = 0;
    for (std::size_t end = data.find(kEnd); end != std::string::npos;
         end = data.find(kEnd, start)) {
        blocks.push_back(data.substr(start, end + kEnd.size() - start));
        start = end + kEnd.size();
    }
    return blocks;
}

std::string fixed(double value, int decimals) {
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return text;
}

std::string ratio(double a, double b) {
    return b == 0 ? "–" : fixed(a / b, 2);
}

void heapLikeTheProgram(char** argv) {
    if (!Platform::takeLargeHeapPagesSetting())
        Platform::replaceProcessImage(Platform::executablePath(), argv, true);
    Platform::returnLargeBlocksToTheSystem();
}

} // namespace Bench
