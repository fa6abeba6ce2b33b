#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace TestServers {

/// A server's certificate chain and private key, as PEM files.
struct CertificateFiles {
    std::filesystem::path certificate;
    std::filesystem::path key;
};

/// A throwaway certificate authority and server certificates made by the openssl command at
/// test time, in a temporary folder removed with the object. A test trusts the authority by
/// pointing SSL_CERT_FILE at `authorityFile` (see `trustAuthority`).
class TestCertificates {
public:
    /// Throws std::runtime_error when openssl is missing or fails.
    TestCertificates();
    TestCertificates(const TestCertificates&) = delete;
    TestCertificates& operator=(const TestCertificates&) = delete;
    ~TestCertificates();

    const std::filesystem::path& authorityFile() const { return m_authority; }
    /// Signed by the authority, for "localhost", 127.0.0.1 and 127.0.0.2.
    const CertificateFiles& localhost() const { return m_localhost; }
    /// Signed by the authority, for kOtherHostName only.
    const CertificateFiles& otherHost() const { return m_otherHost; }
    /// For "localhost", 127.0.0.1 and 127.0.0.2, signed by its own key.
    const CertificateFiles& selfSigned() const { return m_selfSigned; }
    /// For "localhost", 127.0.0.1 and 127.0.0.2, signed by another authority that nobody trusts.
    const CertificateFiles& unrelatedAuthority() const { return m_unrelated; }

    /// Sets SSL_CERT_FILE in this process to the authority, which OpenSSL reads whenever a
    /// context loads its default trust store.
    void trustAuthority() const;

    static constexpr const char* kOtherHostName = "mail.elsewhere.test";

private:
    void makeAuthority(const std::string& name, const std::string& commonName);
    CertificateFiles makeSigned(const std::string& name, const std::string& authority,
                                const std::string& altNames);
    CertificateFiles makeSelfSigned(const std::string& name, const std::string& altNames);
    void openssl(const std::vector<std::string>& arguments);

    std::filesystem::path m_folder;
    std::filesystem::path m_authority;
    CertificateFiles m_localhost;
    CertificateFiles m_otherHost;
    CertificateFiles m_selfSigned;
    CertificateFiles m_unrelated;
};

} // namespace TestServers
