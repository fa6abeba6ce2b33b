// `velomar`, the program a person starts: it runs the jobs without a window itself, without
// loading the desktop's libraries, and starts the tray program (an executable of its own) when
// no job is asked for.
#include "cli/CommandLineJob.h"
#include "cli/ProgramContext.h"
#include "cli/SingleInstance.h"
#include "core/LogicCore.h"
#include "foundation/InstallLayout.h"
#include "platform/AtomicFile.h"
#include "platform/HeapSettings.h"
#include "platform/ProcessImage.h"
#include "platform/SpecialFolders.h"

#include <iostream>
#include <optional>
#include <system_error>

namespace {

// From about 30 000 unread messages on the data file loads several times faster with large
// heap pages; below, starting again would cost more than it saves.
constexpr std::uintmax_t kLargeDataFile = 8 * 1024 * 1024;

bool hasLargeDataFile(const std::filesystem::path& dataFolder) {
    std::error_code error;
    const std::uintmax_t size =
        std::filesystem::file_size(LogicCore::dataFilePath(dataFolder), error);
    return !error && size > kLargeDataFile;
}

// A job on the accounts goes to the running tray program, so the data file keeps one writer.
int runCommandLineJob(int argc, char** argv, const CommandLineJob& job, bool largeHeapPages) {
    if (!job.needsAccounts())
        return printJobOutput(job.runAlone());
    try {
        const ProgramContext application(argc, argv);
        // Before anything is read from standard input: the job starts again from the beginning.
        // When that fails it goes on as it is.
        if (!largeHeapPages && hasLargeDataFile(application.dataFolder()))
            Platform::replaceProcessImage(Platform::executablePath(), argv, true);
        const auto password = job.readInput(application.dataFolder());
        if (!password)
            return 1;
        SingleInstance instance(application.dataFolder());
        if (instance.claim() == SingleInstance::Role::Second)
            return printJobOutput(
                instance.ask(std::vector<std::string>(argv + 1, argv + argc), *password));
        return printJobOutput(job.run(application, *password));
    } catch (const std::exception& failure) {
        std::cerr << "velomar: " << failure.what() << '\n';
        return 1;
    }
}

// The tray program takes this process over, with the same command line.
int startTrayProgram(char** argv) {
#if VELOMAR_HAS_TRAY
    const std::filesystem::path installDir = Platform::executablePath().parent_path();
    const auto tray = Norq::InstallLayout::findTrayProgram(installDir);
    if (!tray) {
        std::cerr << "velomar: the tray program velomar-tray is neither beside this velomar nor in "
                  << (installDir / ".." / "libexec" / "velomar").lexically_normal().string()
                  << "; install the program again. velomar --check-once works without it.\n";
        return 1;
    }
    const int error = Platform::replaceProcessImage(*tray, argv, true);
    std::cerr << "velomar: cannot start the tray program " << tray->string() << ": "
              << Platform::errorText(error) << '\n';
    return 1;
#else
    (void)argv;
    std::cerr << "velomar: this build has no tray program; use --check-once\n\n"
              << CommandLineJob::usage();
    return 2;
#endif
}

} // namespace

int main(int argc, char** argv) {
    const bool largeHeapPages = Platform::takeLargeHeapPagesSetting();
    Platform::returnLargeBlocksToTheSystem();
    std::optional<CommandLineJob> job;
    {
        const CommandLineOptions options(argc, argv);
        job.emplace(options);
    }
    if (job->isRequested())
        return runCommandLineJob(argc, argv, *job, largeHeapPages);
    return startTrayProgram(argv);
}
