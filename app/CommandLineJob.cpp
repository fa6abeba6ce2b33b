#include "app/CommandLineJob.h"

#include "app/Application.h"
#include "app/HeadlessCheck.h"
#include "core/LogicCore.h"
#include "foundation/Product.h"

#include <iostream>

CommandLineJob::CommandLineJob(const CommandLineOptions& options)
    : m_json(options.hasOption("-json")) {
    if (options.hasOption("-help"))
        m_kind = Kind::Help;
    else if (options.hasOption("-version"))
        m_kind = Kind::Version;
    else if (options.hasOption("-check-once"))
        m_kind = Kind::CheckOnce;
}

JobOutput CommandLineJob::run(const Application& application) const {
    switch (m_kind) {
    case Kind::None:
        break;
    case Kind::Help:
        return {0, usage(), {}};
    case Kind::Version:
        return {0, Norq::Product::versionText() + '\n', {}};
    case Kind::CheckOnce: {
        LogicCore core(application.dataFolder(), application.presetsFile());
        HeadlessCheck check(core);
        return checkOutput(check.run());
    }
    }
    return {2, {}, std::string("velomar: nothing to do\n\n") + usage()};
}

JobOutput CommandLineJob::checkOutput(const CheckReport& report) const {
    std::string failure;
    if (report.saveFailure)
        failure = "velomar: could not save what the check found: " + *report.saveFailure + '\n';
    return {report.exitCode(), m_json ? report.json() : report.plainText(), failure};
}

const char* CommandLineJob::usage() {
    return "Usage: velomar [-minimized]\n"
           "       velomar --check-once [--json]\n"
           "       velomar --help | --version\n"
           "\n"
           "  without options  start the tray program, or show its window if it runs already\n"
           "  -minimized       start with the window hidden in the tray\n"
           "  --check-once     check every account once, print what is new and exit:\n"
           "                   0 all accounts checked, 3 some could not be checked,\n"
           "                   1 the program itself could not run, or what it found could\n"
           "                   not be saved (the reason on standard error); while the tray\n"
           "                   program runs, it does the check\n"
           "  --json           print the result as one JSON object\n";
}

int printJobOutput(const JobOutput& output) {
    std::cout << output.standardOutput << std::flush;
    std::cerr << output.standardError << std::flush;
    return output.exitCode;
}
