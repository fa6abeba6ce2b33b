#include "cli/CommandLineJob.h"
#include "cli/ProgramContext.h"
#include "shell/SingleInstance.h"
#include "shell/TrayProgram.h"

#include <iostream>

namespace {

// A job on the accounts goes to the running tray program, so the data file keeps one writer.
int runCommandLineJob(int argc, char** argv, const CommandLineJob& job) {
    if (!job.needsAccounts())
        return printJobOutput(job.runAlone());
    try {
        const ProgramContext application(argc, argv);
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

} // namespace

int main(int argc, char** argv) {
    {
        const CommandLineOptions options(argc, argv);
        const CommandLineJob job(options);
        if (job.isRequested())
            return runCommandLineJob(argc, argv, job);
    }
    TrayProgram program(argc, argv);
    return program.run();
}
