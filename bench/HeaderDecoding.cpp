// Header block -> Logic::Mail over a corpus, the work a check does for every header it fetches.
// Prints one line in the form of python-headers.py: blocks, bytes, best seconds of the runs.
//
//   bench_headers <corpus file> [runs]
#include "bench/BenchSupport.h"
#include "logic/Mail.h"

#include <cstdlib>
#include <iostream>

int main(int argc, char** argv) {
    if (argc < 2) {
        std::cerr << "usage: bench_headers <corpus file> [runs]\n";
        return 2;
    }
    try {
        const std::vector<std::string> blocks = Bench::readHeaderCorpus(argv[1]);
        const int runs = argc > 2 ? std::atoi(argv[2]) : 5;
        std::size_t bytes = 0;
        for (const std::string& block : blocks)
            bytes += block.size();

        // Kept from every record, so that no part of the decoding can be optimised away, and
        // to see that the corpus really gave senders, subjects and dates.
        std::size_t undated = 0;
        std::size_t withoutSubject = 0;
        std::size_t textUnits = 0;
        double best = 0;
        for (int run = 0; run < runs; ++run) {
            undated = withoutSubject = 0;
            const auto start = Bench::Clock::now();
            for (const std::string& block : blocks) {
                const Logic::Mail mail("user@example.org", block);
                textUnits += mail.sender().size() + mail.subject().size();
                undated += mail.received().time == 0 ? 1 : 0;
                withoutSubject += mail.subject().empty() ? 1 : 0;
            }
            const double elapsed = Bench::secondsSince(start);
            best = run == 0 ? elapsed : std::min(best, elapsed);
        }
        if (undated != 0 || withoutSubject != 0)
            std::cerr << "bench_headers: " << undated << " blocks without a date, "
                      << withoutSubject << " without a subject\n";
        std::cerr << "bench_headers: " << textUnits << " text units decoded in all\n";
        std::cout << blocks.size() << ' ' << bytes << ' ' << Bench::fixed(best, 6) << '\n';
        return 0;
    } catch (const std::exception& failure) {
        std::cerr << "bench_headers: " << failure.what() << '\n';
        return 1;
    }
}
