// Writes a data file for the desktop benchmarks: one account on 127.0.0.1 whose server refuses
// every connection (port 9, unless another port is given), so a check ends at once, holding
// unread messages the pop-ups have not shown yet. The tray program started on it shows them at
// the end of its first check.
//
//   bench_desktop_seed <data folder> <messages> [port]
#include "core/LogicCore.h"
#include "logic/Mail.h"

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

namespace {

std::string twoDigits(int value) {
    return (value < 10 ? "0" : "") + std::to_string(value);
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3 && argc != 4) {
        std::fprintf(stderr, "usage: bench_desktop_seed <data folder> <messages> [port]\n");
        return 2;
    }
    const int count = std::atoi(argv[2]);
    LogicCore core(argv[1], {});
    auto account = std::make_unique<Logic::Account>();
    Logic::ConnectionSettings settings;
    settings.setEmailAddress("reader@example.org");
    settings.setUserLogin("reader");
    settings.setServerName("127.0.0.1");
    settings.setPort(static_cast<std::uint16_t>(argc == 4 ? std::atoi(argv[3]) : 9));
    account->setConnectionSettings(settings);
    Logic::Account::MailList mails;
    for (int i = 0; i < count; ++i) {
        const std::string n = std::to_string(i + 1);
        mails.push_back(std::make_shared<Logic::Mail>(
            "reader@example.org",
            "Received: from relay.example.net by mx.example.org; " +
                std::to_string(1 + i / 1440 % 28) + " Dec 2009 " + twoDigits(i / 60 % 24) + ":" +
                twoDigits(i % 60) + ":00 +0000\r\nFrom: Anna Lindqvist <anna" + n +
                "@example.net>\r\nSubject: Quarterly figures, draft " + n +
                " of the report with the corrections we talked about\r\n\r\n"));
    }
    account->mergeNewMails(mails);
    core.accountMgr().addAccount(std::move(account));
    return core.saveAll() ? 0 : 1;
}
