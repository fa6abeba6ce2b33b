// The entry point of a build without the desktop program: the command-line jobs only.
#include "app/Application.h"
#include "app/CommandLineJob.h"

#include <iostream>

int main(int argc, char** argv) {
    try {
        const Application application(argc, argv);
        const CommandLineJob job(application.options());
        if (!job.isRequested()) {
            std::cerr << "velomar: this build has no tray program; use --check-once\n\n"
                      << CommandLineJob::usage();
            return 2;
        }
        return printJobOutput(job.run(application));
    } catch (const std::exception& failure) {
        std::cerr << "velomar: " << failure.what() << '\n';
        return 1;
    }
}
