#include "tests/servers/TestCertificates.h"

#include "tests/servers/Subprocess.h"

#include <cstdlib>
#include <fstream>
#include <stdexcept>
#include <vector>

namespace TestServers {
namespace {

// Elliptic-curve keys: made in a moment, unlike RSA ones.
const std::vector<std::string> kNewKey = {"-newkey", "ec", "-pkeyopt",
                                          "ec_paramgen_curve:prime256v1", "-nodes"};
constexpr const char* kLocalNames = "DNS:localhost,IP:127.0.0.1,IP:127.0.0.2";

std::vector<std::string> joined(std::vector<std::string> first,
                                const std::vector<std::string>& second) {
    first.insert(first.end(), second.begin(), second.end());
    return first;
}

} // namespace

TestCertificates::TestCertificates() : m_folder(makeTemporaryFolder("velomar-ca-")) {
    try {
        makeAuthority("authority", "Velomar Test Authority");
        makeAuthority("unrelated-authority", "Unrelated Test Authority");
        m_authority = m_folder / "authority.pem";
        m_localhost = makeSigned("localhost", "authority", kLocalNames);
        m_otherHost = makeSigned("other-host", "authority", std::string("DNS:") + kOtherHostName);
        m_selfSigned = makeSelfSigned("self-signed", kLocalNames);
        m_unrelated = makeSigned("unrelated", "unrelated-authority", kLocalNames);
    } catch (...) {
        std::error_code ignored;
        std::filesystem::remove_all(m_folder, ignored);
        throw;
    }
}

TestCertificates::~TestCertificates() {
    std::error_code ignored;
    std::filesystem::remove_all(m_folder, ignored);
}

void TestCertificates::trustAuthority() const {
    ::setenv("SSL_CERT_FILE", m_authority.c_str(), 1);
}

void TestCertificates::openssl(const std::vector<std::string>& arguments) {
    const auto log = m_folder / "openssl.log";
    auto command = joined({findProgram("openssl", "openssl").string()}, arguments);
    if (runProgram(command, log) != 0)
        throw std::runtime_error("openssl " + arguments.front() + " failed; see " + log.string());
}

void TestCertificates::makeAuthority(const std::string& name, const std::string& commonName) {
    openssl(joined({"req", "-x509"}, joined(kNewKey, {
                                                         "-keyout",
                                                         (m_folder / (name + ".key")).string(),
                                                         "-out",
                                                         (m_folder / (name + ".pem")).string(),
                                                         "-subj",
                                                         "/CN=" + commonName,
                                                         "-days",
                                                         "2",
                                                         "-addext",
                                                         "basicConstraints=critical,CA:TRUE",
                                                         "-addext",
                                                         "keyUsage=critical,keyCertSign,cRLSign",
                                                     })));
}

CertificateFiles TestCertificates::makeSigned(const std::string& name, const std::string& authority,
                                              const std::string& altNames) {
    const CertificateFiles files{m_folder / (name + ".pem"), m_folder / (name + ".key")};
    const auto request = m_folder / (name + ".csr");
    const auto extensions = m_folder / (name + ".ext");
    std::ofstream(extensions) << "subjectAltName=" << altNames
                              << "\nbasicConstraints=CA:FALSE\nextendedKeyUsage=serverAuth\n";
    openssl(joined({"req", "-new"}, joined(kNewKey, {"-keyout", files.key.string(), "-out",
                                                     request.string(), "-subj", "/CN=" + name})));
    openssl({"x509", "-req", "-in", request.string(), "-CA",
             (m_folder / (authority + ".pem")).string(), "-CAkey",
             (m_folder / (authority + ".key")).string(), "-CAcreateserial", "-out",
             files.certificate.string(), "-days", "2", "-extfile", extensions.string()});
    return files;
}

CertificateFiles TestCertificates::makeSelfSigned(const std::string& name,
                                                  const std::string& altNames) {
    const CertificateFiles files{m_folder / (name + ".pem"), m_folder / (name + ".key")};
    openssl(joined(
        {"req", "-x509"},
        joined(kNewKey, {"-keyout", files.key.string(), "-out", files.certificate.string(), "-subj",
                         "/CN=localhost", "-days", "2", "-addext", "subjectAltName=" + altNames})));
    return files;
}

} // namespace TestServers
