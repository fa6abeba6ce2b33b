#include "tests/servers/DovecotServer.h"

#include "tests/servers/Subprocess.h"

#include <arpa/inet.h>
#include <cerrno>
#include <csignal>
#include <ctime>
#include <fcntl.h>
#include <fstream>
#include <grp.h>
#include <iterator>
#include <netinet/in.h>
#include <poll.h>
#include <pwd.h>
#include <sstream>
#include <stdexcept>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace TestServers {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// How long Dovecot may take to come up or go down before the test gives up on it.
constexpr auto kPatience = 30s;

bool accepts(std::uint16_t port, const char* host = "127.0.0.1") {
    const int probe = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (probe < 0)
        return false;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    ::inet_pton(AF_INET, host, &address.sin_addr);
    const bool connected =
        ::connect(probe, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    ::close(probe);
    return connected;
}

void chownTo(const fs::path& path, uid_t uid, gid_t gid) {
    if (::chown(path.c_str(), uid, gid) != 0)
        throw std::runtime_error("cannot give " + path.string() + " to the mail user");
}

// Sets a file's or folder's modification time, so Dovecot sees a change even within the
// second of its last look.
void touch(const fs::path& path, std::time_t when) {
    const timespec times[2] = {{when, 0}, {when, 0}};
    ::utimensat(AT_FDCWD, path.c_str(), times, 0);
}

} // namespace

DovecotServer::DovecotServer(std::optional<CertificateFiles> tls) {
    if (::geteuid() == 0) {
        const passwd* nobody = ::getpwnam("nobody");
        if (nobody == nullptr)
            throw std::runtime_error("no user 'nobody' to own the test mail");
        // Dovecot refuses to read mail as root; the mail belongs to an unprivileged user.
        m_mailUid = nobody->pw_uid;
        m_mailGid = nobody->pw_gid;
    } else {
        // Without root every part of Dovecot runs as this user, who also owns the mail.
        const passwd* user = ::getpwuid(::geteuid());
        const group* userGroup = ::getgrgid(::getegid());
        if (user == nullptr || userGroup == nullptr)
            throw std::runtime_error("this user has no name for Dovecot to run as");
        m_mailUid = user->pw_uid;
        m_mailGid = userGroup->gr_gid;
        m_runAs = {user->pw_name, userGroup->gr_name};
    }
    m_folder = makeTemporaryFolder("velomar-dovecot-");
    try {
        fs::create_directories(m_folder / "mail");
        fs::create_directories(m_folder / "users");
        chownTo(m_folder / "mail", m_mailUid, m_mailGid);
        // A port found free may be taken before Dovecot binds it; then try new ones.
        bool started = false;
        for (int attempt = 0; attempt < 3 && !started; ++attempt) {
            m_plainPort = freeLoopbackPort();
            m_tlsPort = tls ? freeLoopbackPort() : 0;
            m_imapPort = tls ? freeLoopbackPort() : 0;
            m_imapsPort = tls ? freeLoopbackPort() : 0;
            writeConfiguration(tls);
            started = start();
        }
        if (!started)
            throw std::runtime_error("Dovecot did not start; its log:\n" + log());
    } catch (...) {
        stop();
        std::error_code ignored;
        fs::remove_all(m_folder, ignored);
        throw;
    }
}

DovecotServer::~DovecotServer() {
    stop();
    std::error_code ignored;
    fs::remove_all(m_folder, ignored);
}

void DovecotServer::writeConfiguration(const std::optional<CertificateFiles>& tls) {
    const std::string folder = m_folder.string();
    std::ofstream out(m_folder / "dovecot.conf");
    out << "base_dir = " << folder << "/run\n"
        << "state_dir = " << folder << "/state\n"
        << "log_path = " << folder << "/dovecot.log\n"
        << "protocols = pop3" << (tls ? " imap" : "") << "\n"
        << "listen = 127.0.0.1\n"
        << "disable_plaintext_auth = no\n"
        << "auth_mechanisms = plain\n"
        // A refused login is answered at once rather than after the usual two seconds.
        << "auth_failure_delay = 0\n"
        // One file per user: Dovecot looks at a changed passwd-file at most once a second,
        // too seldom for a user added right before logging in; a new file is read at once.
        << "passdb {\n  driver = passwd-file\n  args = scheme=PLAIN username_format=%u " << folder
        << "/users/%u\n}\n"
        << "userdb {\n  driver = passwd-file\n  args = username_format=%u " << folder
        << "/users/%u\n}\n"
        << "mail_location = maildir:~\n"
        // Nor is a login slowed down because an earlier test gave a wrong password.
        << "service anvil {\n  unix_listener anvil-auth-penalty {\n    mode = 0\n  }\n"
        << (m_runAs ? "  chroot =\n" : "") << "}\n";
    if (m_runAs)
        out << "default_internal_user = " << m_runAs->first << "\n"
            << "default_internal_group = " << m_runAs->second << "\n"
            << "default_login_user = " << m_runAs->first << "\n";
    if (tls)
        out << "ssl = yes\nssl_cert = <" << tls->certificate.string() << "\nssl_key = <"
            << tls->key.string() << "\n";
    else
        out << "ssl = no\n";
    out << "service pop3-login {\n"
        << (m_runAs ? "  chroot =\n" : "")
        << "  inet_listener pop3 {\n    address = 127.0.0.1\n    port = " << m_plainPort
        << "\n  }\n";
    if (tls)
        out << "  inet_listener pop3s {\n    address = 127.0.0.1\n    port = " << m_tlsPort
            << "\n    ssl = yes\n  }\n";
    out << "}\n";
    if (tls)
        // POP3 takes a password in plain text, as some tests need; IMAP only once the
        // connection is secure, as a careful server does. A session that IDLEs hears of a
        // delivery within the second.
        out << "protocol imap {\n  disable_plaintext_auth = yes\n}\n"
            << "mailbox_idle_check_interval = 1 secs\n"
            << "service imap-login {\n"
            << (m_runAs ? "  chroot =\n" : "")
            << "  inet_listener imap {\n    address = " << kStartTlsAddress
            << "\n    port = " << m_imapPort << "\n  }\n"
            << "  inet_listener imaps {\n    address = 127.0.0.1\n    port = " << m_imapsPort
            << "\n    ssl = yes\n  }\n}\n";
    if (!out)
        throw std::runtime_error("cannot write Dovecot's configuration");
}

bool DovecotServer::start() {
    m_process = startProgram({findProgram("dovecot", "dovecot-pop3d").string(), "-F", "-c",
                              (m_folder / "dovecot.conf").string()},
                             m_folder / "output.log");
    const auto giveUp = std::chrono::steady_clock::now() + kPatience;
    while (std::chrono::steady_clock::now() < giveUp) {
        int status = 0;
        if (::waitpid(m_process, &status, WNOHANG) == m_process) {
            m_process = -1;
            return false;
        }
        if (accepts(m_plainPort) && (m_tlsPort == 0 || accepts(m_tlsPort)) &&
            (m_imapPort == 0 || (accepts(m_imapPort, kStartTlsAddress) && accepts(m_imapsPort))))
            return true;
        // Nothing to wait on for "listening" but the listening itself; look again shortly.
        std::this_thread::sleep_for(10ms);
    }
    stop();
    return false;
}

void DovecotServer::stop() {
    if (m_process <= 0)
        return;
    ::kill(m_process, SIGTERM);
    const auto giveUp = std::chrono::steady_clock::now() + kPatience;
    int status = 0;
    while (::waitpid(m_process, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() >= giveUp) {
            ::kill(m_process, SIGKILL);
            ::waitpid(m_process, &status, 0);
            break;
        }
        std::this_thread::sleep_for(10ms);
    }
    m_process = -1;
}

void DovecotServer::addUser(const std::string& name, const std::string& password) {
    if (!m_messageFiles.try_emplace(name).second)
        throw std::runtime_error("user " + name + " added twice");
    const fs::path home = m_folder / "mail" / name;
    for (const char* sub : {"", "cur", "new", "tmp"}) {
        fs::create_directories(home / sub);
        chownTo(home / sub, m_mailUid, m_mailGid);
    }
    std::ofstream(m_folder / "users" / name, std::ios::trunc)
        << name << ":{PLAIN}" << password << ":" << m_mailUid << ":" << m_mailGid
        << "::" << home.string() << "::\n";
}

int DovecotServer::deliver(const std::string& user, std::string_view message) {
    return deliverMany(user, {std::string(message)});
}

int DovecotServer::deliverMany(const std::string& user, const std::vector<std::string>& messages) {
    const auto files = m_messageFiles.find(user);
    if (files == m_messageFiles.end())
        throw std::runtime_error("deliver to unknown user " + user);
    const fs::path home = m_folder / "mail" / user;
    for (const std::string& message : messages) {
        // Dovecot numbers new maildir files by the time stamp at the front of their names, so a
        // rising counter there fixes the POP3 order to the order of delivery. The microseconds
        // field only spreads the names over Dovecot's file-name hash (7919 shares no factor
        // with a million, so it never repeats within a million deliveries); names too much
        // alike made every login to a large mailbox slow.
        ++m_deliveries;
        const std::string name = std::to_string(1000000000 + m_deliveries) + ".M" +
                                 std::to_string(m_deliveries * 7919 % 1000000) + "P" +
                                 std::to_string(::getpid()) + ".velomar";
        const fs::path draft = home / "tmp" / name;
        {
            std::ofstream out(draft, std::ios::binary);
            out.write(message.data(), static_cast<std::streamsize>(message.size()));
            if (!out)
                throw std::runtime_error("cannot write a message for " + user);
        }
        chownTo(draft, m_mailUid, m_mailGid);
        fs::rename(draft, home / "cur" / (name + ":2,"));
        files->second.push_back(name);
    }
    touch(home / "cur", std::time(nullptr) + m_deliveries);
    return static_cast<int>(files->second.size());
}

void DovecotServer::remove(const std::string& user, int number) {
    const auto files = m_messageFiles.find(user);
    if (files == m_messageFiles.end() || number < 1 ||
        static_cast<std::size_t>(number) > files->second.size())
        throw std::runtime_error("no message " + std::to_string(number) + " for " + user);
    // Through Dovecot's own tool, so that its index and every open session learn of it as of
    // an expunge by another client; the mailbox's sequence numbers are the message numbers.
    const int status = runProgram({findProgram("doveadm", "dovecot-core").string(), "-c",
                                   (m_folder / "dovecot.conf").string(), "expunge", "-u", user,
                                   "mailbox", "INBOX", std::to_string(number)},
                                  m_folder / "doveadm.log");
    if (status != 0)
        throw std::runtime_error("doveadm could not expunge message " + std::to_string(number) +
                                 " of " + user + "; its log:\n" + log());
    files->second.erase(files->second.begin() + number - 1);
}

void DovecotServer::cutImapConnections() {
    // The IMAP processes are the master's children named "imap" (their login processes are
    // "imap-login"); /proc/<pid>/stat holds "<pid> (<name>) <state> <parent> ...".
    for (const auto& entry : fs::directory_iterator("/proc")) {
        std::ifstream stat(entry.path() / "stat");
        std::string pid;
        std::string name;
        std::string state;
        pid_t parent = 0;
        if (stat >> pid >> name >> state >> parent && parent == m_process && name == "(imap)")
            ::kill(std::stoi(pid), SIGKILL);
    }
}

std::string DovecotServer::log() const {
    std::string text;
    for (const char* name : {"output.log", "dovecot.log", "doveadm.log"}) {
        std::ifstream in(m_folder / name, std::ios::binary);
        text.append(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    return text;
}

} // namespace TestServers
