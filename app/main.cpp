#include "app/Application.h"
#include "app/CommandLineJob.h"
#include "app/DesktopProgram.h"
#include "app/SingleInstance.h"

#include <iostream>

namespace {

bool isCommandLineJob(int argc, char** argv) {
    const CommandLineOptions options(argc, argv);
    return CommandLineJob(options).isRequested();
}

// A job on the accounts goes to the running tray program, so the data file keeps one writer.
int runCommandLineJob(int argc, char** argv) {
    try {
        const Application application(argc, argv);
        const CommandLineJob job(application.options());
        if (!job.needsAccounts())
            return printJobOutput(job.run(application));
        SingleInstance instance(application.dataFolder());
        if (instance.claim() == SingleInstance::Role::Second)
            return printJobOutput(instance.ask(std::vector<std::string>(argv + 1, argv + argc)));
        return printJobOutput(job.run(application));
    } catch (const std::exception& failure) {
        std::cerr << "velomar: " << failure.what() << '\n';
        return 1;
    }
}

} // namespace

int main(int argc, char** argv) {
    if (isCommandLineJob(argc, argv))
        return runCommandLineJob(argc, argv);
    DesktopProgram program(argc, argv);
    return program.run();
}
