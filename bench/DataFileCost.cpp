// Saving and loading the data file with many unread messages, and the memory each message holds.
// Real Logic::Mail records, built from the header corpus, go through AccountMgr into a real
// DataFile in a temporary folder. Memory is measured in fresh processes, one per figure, so that
// no allocator state from an earlier step makes a later one look cheaper. Prints a Markdown
// section.
//
//   bench_datafile <corpus file> <runs> <message count>...
#include "bench/BenchSupport.h"
#include "foundation/DataFile.h"
#include "logic/Account.h"
#include "logic/AccountMgr.h"
#include "logic/Mail.h"

#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <sstream>
#include <stdexcept>

namespace {

namespace fs = std::filesystem;
using namespace Bench;

constexpr const char* kEmail = "user@example.org";

Logic::Account& onlyAccount(const Logic::AccountMgr& accounts) {
    if (accounts.size() != 1)
        throw std::runtime_error("the data file holds " + std::to_string(accounts.size()) +
                                 " accounts");
    return *accounts.accounts().begin();
}

// Child: builds `count` records from the corpus into one account, reports the memory they took,
// then saves the account `runs` times.
// Prints: median save seconds, median encoding seconds, file bytes, resident KiB, heap bytes.
int saveMode(const fs::path& corpus, int runs, int count, const fs::path& folder) {
    const std::vector<std::string> blocks = readHeaderCorpus(corpus);
    if (blocks.empty())
        throw std::runtime_error("empty corpus");
    Norq::DataFile file(folder, "general");
    Logic::AccountMgr accounts(file.openForReading());
    file.closeReading();
    std::lock_guard lock(accounts.accountLock());
    Logic::Account& account = accounts.addAccount(std::make_unique<Logic::Account>());

    const long residentBefore = residentKilobytes();
    const std::size_t heapBefore = heapBytesInUse();
    {
        Logic::Account::MailList mails;
        mails.reserve(static_cast<std::size_t>(count));
        for (int i = 0; i < count; ++i)
            mails.push_back(std::make_shared<Logic::Mail>(
                kEmail, blocks[static_cast<std::size_t>(i) % blocks.size()]));
        account.mergeNewMails(mails);
    }
    const long residentAfter = residentKilobytes();
    const std::size_t heapAfter = heapBytesInUse();

    std::vector<double> saves;
    std::vector<double> encodings;
    for (int run = 0; run < runs; ++run) {
        const auto start = Clock::now();
        Norq::SaveLoad::Writer* writer = file.openForWriting();
        if (writer == nullptr)
            throw std::runtime_error("cannot write in " + folder.string());
        const auto encodeStart = Clock::now();
        accounts.save(*writer);
        encodings.push_back(secondsSince(encodeStart));
        if (!file.closeWriting())
            throw std::runtime_error("cannot save in " + folder.string());
        saves.push_back(secondsSince(start));
    }
    std::cout << fixed(median(saves), 6) << ' ' << fixed(median(encodings), 6) << ' '
              << fs::file_size(file.path()) << ' ' << (residentAfter - residentBefore) << ' '
              << (heapAfter - heapBefore) << '\n';
    return 0;
}

// Child: loads the data file once, as the program does at start.
// Prints: load seconds, resident KiB, heap bytes of the loaded model.
int loadMode(const fs::path& folder, int count) {
    const long residentBefore = residentKilobytes();
    const std::size_t heapBefore = heapBytesInUse();
    const auto start = Clock::now();
    Norq::DataFile file(folder, "general");
    Logic::AccountMgr accounts(file.openForReading());
    file.closeReading();
    const double elapsed = secondsSince(start);
    const long residentAfter = residentKilobytes();
    const std::size_t heapAfter = heapBytesInUse();
    std::lock_guard lock(accounts.accountLock());
    const std::size_t loaded = onlyAccount(accounts).mails().size();
    if (loaded != static_cast<std::size_t>(count))
        throw std::runtime_error("loaded " + std::to_string(loaded) + " of " +
                                 std::to_string(count) + " messages");
    std::cout << fixed(elapsed, 6) << ' ' << (residentAfter - residentBefore) << ' '
              << (heapAfter - heapBefore) << '\n';
    return 0;
}

// Single quotes for the shell; the paths here are ours and hold none.
std::string quoted(const std::string& text) {
    std::string result(1, '\'');
    result += text;
    result += '\'';
    return result;
}

std::vector<double> runChild(const std::string& arguments) {
    const std::string command =
        quoted(fs::read_symlink("/proc/self/exe").string()) + " " + arguments;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr)
        throw std::runtime_error("cannot run " + command);
    std::string output;
    char buffer[256];
    while (std::fgets(buffer, sizeof buffer, pipe) != nullptr)
        output += buffer;
    if (::pclose(pipe) != 0)
        throw std::runtime_error("failed: " + command);
    std::vector<double> values;
    std::istringstream in(output);
    for (double value; in >> value;)
        values.push_back(value);
    return values;
}

int mainMode(const std::string& corpus, int runs, const std::vector<int>& counts) {
    std::cout << "## 3. The data file\n\n"
              << "One account holding N unread messages (records built from the header corpus "
                 "of section 2), saved through `AccountMgr` into a real data file in a temporary "
                 "folder (written beside the old one, synced, renamed over it) and loaded back "
                 "the way the program starts, with large heap pages as the program runs. Save time "
                 "is the median of "
              << runs << " saves in one process; load time and loaded memory the median of " << runs
              << " fresh processes that each load the file once. Memory is the difference before "
                 "and after, per message: resident set (`VmRSS`) and heap in use (`mallinfo2`).\n\n"
              << "| unread messages | file size (MiB) | bytes per message | median save (ms) | "
                 "of which encoding (ms) | median load (ms) | resident memory per message, loaded "
                 "(bytes) | heap per message, loaded (bytes) | resident memory per message, built "
                 "from headers (bytes) |\n"
              << "|---:|---:|---:|---:|---:|---:|---:|---:|---:|\n";
    for (const int count : counts) {
        const TemporaryFolder folder("velomar-bench-data-");
        const std::string folderArgument = quoted(folder.path().string());
        const std::vector<double> saved =
            runChild("save " + quoted(corpus) + " " + std::to_string(runs) + " " +
                     std::to_string(count) + " " + folderArgument);
        std::vector<double> loads, resident, heap;
        for (int run = 0; run < runs; ++run) {
            const std::vector<double> loaded =
                runChild("load " + folderArgument + " " + std::to_string(count));
            loads.push_back(loaded.at(0));
            resident.push_back(loaded.at(1));
            heap.push_back(loaded.at(2));
        }
        const double messages = count;
        std::cout << "| " << count << " | " << fixed(saved.at(2) / (1024 * 1024), 2) << " | "
                  << fixed(saved.at(2) / messages, 0) << " | " << fixed(saved.at(0) * 1000, 1)
                  << " | " << fixed(saved.at(1) * 1000, 1) << " | "
                  << fixed(median(loads) * 1000, 1) << " | "
                  << fixed(median(resident) * 1024 / messages, 0) << " | "
                  << fixed(median(heap) / messages, 0) << " | "
                  << fixed(saved.at(3) * 1024 / messages, 0) << " |\n";
        std::cerr << "bench_datafile: " << count << " messages done\n";
    }
    std::cout << "\n";
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    heapLikeTheProgram(argv);
    try {
        const std::vector<std::string> arguments(argv + 1, argv + argc);
        if (arguments.size() == 5 && arguments[0] == "save")
            return saveMode(arguments[1], std::stoi(arguments[2]), std::stoi(arguments[3]),
                            arguments[4]);
        if (arguments.size() == 3 && arguments[0] == "load")
            return loadMode(arguments[1], std::stoi(arguments[2]));
        if (arguments.size() >= 3) {
            std::vector<int> counts;
            for (std::size_t i = 2; i < arguments.size(); ++i)
                counts.push_back(std::stoi(arguments[i]));
            return mainMode(arguments[0], std::stoi(arguments[1]), counts);
        }
        std::cerr << "usage: bench_datafile <corpus file> <runs> <message count>...\n";
        return 2;
    } catch (const std::exception& failure) {
        std::cerr << "bench_datafile: " << failure.what() << '\n';
        return 1;
    }
}
