// The entry point of a build without the desktop program: the command-line jobs only.
#include "cli/CommandLineJob.h"
#include "cli/ProgramContext.h"
#include "cli/WriterLock.h"

#include <iostream>

int main(int argc, char** argv) {
    std::optional<CommandLineJob> job;
    {
        const CommandLineOptions options(argc, argv);
        job.emplace(options);
    }
    if (!job->isRequested()) {
        std::cerr << "velomar: this build has no tray program; use --check-once\n\n"
                  << CommandLineJob::usage();
        return 2;
    }
    if (!job->needsAccounts())
        return printJobOutput(job->runAlone());
    try {
        const ProgramContext application(argc, argv);
        const auto password = job->readInput(application.dataFolder());
        if (!password)
            return 1;
        // What the job loads, it saves: no other writer may come in between.
        WriterLock lock(application.dataFolder());
        if (!lock.take(std::chrono::seconds(60))) {
            std::cerr << "velomar: another Quorvex Velomar holds " << lock.file().string()
                      << "; try again once it has ended.\n";
            return 1;
        }
        return printJobOutput(job->run(application, *password));
    } catch (const std::exception& failure) {
        std::cerr << "velomar: " << failure.what() << '\n';
        return 1;
    }
}
