#pragma once

// Small helpers shared by the benchmark programs: clocks, medians, memory figures, temporary
// folders and the machine-readable pieces of the report.

#include <chrono>
#include <cstddef>
#include <filesystem>
#include <string>
#include <vector>

namespace Bench {

using Clock = std::chrono::steady_clock;

inline double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

/// The middle value (the mean of the two middle ones for an even count); 0 for none.
double median(std::vector<double> values);

/// Resident set size of this process in kilobytes, from /proc/self/status.
long residentKilobytes();

/// Sets the heap up as the program's processes have it: started again with large heap pages
/// unless it was started so, large blocks given back to the system. Call it first thing.
void heapLikeTheProgram(char** argv);
/// Bytes the allocator has handed out and not had back: the heap the program really uses,
/// free of the pages the allocator keeps for later.
std::size_t heapBytesInUse();

/// A fresh folder under the system's temporary folder, removed with the object.
class TemporaryFolder {
public:
    explicit TemporaryFolder(const std::string& prefix);
    TemporaryFolder(const TemporaryFolder&) = delete;
    TemporaryFolder& operator=(const TemporaryFolder&) = delete;
    ~TemporaryFolder();

    const std::filesystem::path& path() const { return m_path; }

private:
    std::filesystem::path m_path;
};

/// The header blocks of a corpus file written by make-header-corpus.py, each with its
/// closing "." line, as a TOP reply hands them to the checker.
std::vector<std::string> readHeaderCorpus(const std::filesystem::path& file);

/// Fixed-point text with `decimals` digits after the point.
std::string fixed(double value, int decimals);
/// "a / b" as a ratio with two decimals, or "–" when b is 0.
std::string ratio(double a, double b);

} // namespace Bench
