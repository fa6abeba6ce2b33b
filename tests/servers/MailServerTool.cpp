// A throwaway mail server for the desktop run and the demo: the test Dovecot with plain POP3,
// POP3 over TLS, IMAP with STARTTLS (at 127.0.0.2) and IMAP over TLS (a certificate for
// localhost, 127.0.0.1 and 127.0.0.2 from a throwaway authority), driven through standard
// input, one command a line:
//
//     user NAME PASSWORD      adds a mailbox
//     deliver NAME FILE       puts the message in FILE at the end of NAME's mailbox
//
// It prints "plain PORT", "tls PORT", "imap PORT", "imaps PORT", "authority FILE" and then
// "ready"; each command is answered "ok" or "error: REASON". End of input stops the server and
// removes everything.
#include "tests/servers/DovecotServer.h"
#include "tests/servers/TestCertificates.h"

#include <exception>
#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>
#include <string>

namespace {

std::string readWholeFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file)
        throw std::runtime_error("cannot read " + path);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

void runCommand(TestServers::DovecotServer& dovecot, const std::string& line) {
    std::istringstream words(line);
    std::string verb, name, argument;
    words >> verb >> name >> argument;
    if (verb == "user" && !argument.empty())
        dovecot.addUser(name, argument);
    else if (verb == "deliver" && !argument.empty())
        dovecot.deliver(name, readWholeFile(argument));
    else
        throw std::runtime_error("unknown command: " + line);
}

} // namespace

int main() {
    try {
        const TestServers::TestCertificates certificates;
        TestServers::DovecotServer dovecot(certificates.localhost());
        std::cout << "plain " << dovecot.plainPort() << "\ntls " << dovecot.tlsPort() << "\nimap "
                  << dovecot.imapPort() << "\nimaps " << dovecot.imapsPort() << "\nauthority "
                  << certificates.authorityFile().string() << "\nready" << std::endl;
        for (std::string line; std::getline(std::cin, line);) {
            if (line.empty())
                continue;
            try {
                runCommand(dovecot, line);
                std::cout << "ok" << std::endl;
            } catch (const std::exception& failure) {
                std::cout << "error: " << failure.what() << std::endl;
            }
        }
        return 0;
    } catch (const std::exception& failure) {
        std::cerr << "mail server: " << failure.what() << '\n';
        return 1;
    }
}
