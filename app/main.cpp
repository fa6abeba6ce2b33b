#include "app/Application.h"
#include "app/HeadlessCheck.h"
#include "core/LogicCore.h"
#include "foundation/Product.h"

#include <iostream>

namespace {

constexpr const char* kUsage = "Usage: velomar --check-once [--json]\n"
                               "       velomar --help | --version\n"
                               "\n"
                               "  --check-once  check every account once, print what is new and "
                               "exit:\n"
                               "                0 all accounts checked, 3 some could not be "
                               "checked,\n"
                               "                1 the program itself could not run, or what "
                               "it found\n"
                               "                  could not be saved (the reason on standard "
                               "error)\n"
                               "  --json        print the result as one JSON object\n";

int checkOnce(const Application& application) {
    LogicCore core(application.dataFolder(), application.presetsFile());
    HeadlessCheck check(core);
    const CheckReport report = check.run();
    std::cout << (application.options().hasOption("-json") ? report.json() : report.plainText());
    if (report.saveFailure)
        std::cerr << "velomar: could not save what the check found: " << *report.saveFailure
                  << '\n';
    return report.exitCode();
}

} // namespace

int main(int argc, char** argv) {
    try {
        const Application application(argc, argv);
        const CommandLineOptions& options = application.options();
        if (options.hasOption("-help")) {
            std::cout << kUsage;
            return 0;
        }
        if (options.hasOption("-version")) {
            std::cout << Norq::Product::versionText() << '\n';
            return 0;
        }
        if (options.hasOption("-check-once"))
            return checkOnce(application);
        std::cerr << "velomar: this build has no tray program; use --check-once\n\n" << kUsage;
        return 2;
    } catch (const std::exception& failure) {
        std::cerr << "velomar: " << failure.what() << '\n';
        return 1;
    }
}
