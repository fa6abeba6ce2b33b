// Runs one program and prints what the kernel counted for it: wall seconds, user and system CPU
// seconds, peak resident kilobytes and exit code, on one line.
//
//   bench_measure_child <stdout file> <stderr file> <program> [arguments...]
//
// A separate small program on purpose: a child's peak resident size (`ru_maxrss`) starts from
// the size of the process that forked it, since Linux carries the high-water mark across exec.
// Forked from the benchmark itself, which holds whole mailboxes in memory, every child would
// seem to need tens of megabytes.
#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

double seconds(const timeval& t) {
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: bench_measure_child <stdout file> <stderr file> <program> "
                             "[arguments...]\n");
        return 2;
    }
    const auto start = std::chrono::steady_clock::now();
    const pid_t child = ::fork();
    if (child < 0)
        return 1;
    if (child == 0) {
        const int out = ::open(argv[1], O_WRONLY | O_CREAT | O_TRUNC, 0600);
        const int err = ::open(argv[2], O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (out < 0 || err < 0 || ::dup2(out, 1) < 0 || ::dup2(err, 2) < 0)
            ::_exit(126);
        ::execv(argv[3], argv + 3);
        ::_exit(127);
    }
    int status = 0;
    rusage usage{};
    if (::wait4(child, &status, 0, &usage) != child)
        return 1;
    const double wall =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("%.6f %.6f %.6f %ld %d\n", wall, seconds(usage.ru_utime), seconds(usage.ru_stime),
                usage.ru_maxrss, WIFEXITED(status) ? WEXITSTATUS(status) : -1);
    return 0;
}
