#include "transport/TcpSecureStream.h"

#include "foundation/Reporter.h"
#include "transport/SigpipeBlock.h"
#include "transport/TcpClientFailure.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>
#include <poll.h>
#include <string>
#include <string_view>

namespace Vusk {
namespace {

constexpr const char* kHandshakeFailed = "Failed to enable ssl connection!";

bool isIpv4Address(const std::string& text) {
    in_addr parsed;
    return ::inet_pton(AF_INET, text.c_str(), &parsed) == 1;
}

// Why the handshake failed: in OpenSSL's words for the diagnostics, and as a sentence for the
// user, who may have to decide whether to trust a server.
struct HandshakeFailure {
    std::string detail;
    std::string sentence;
};

std::string setupSentence(std::string_view why) {
    return "The secure connection could not be set up: " + std::string(why) + ".";
}

HandshakeFailure setupFailure(std::string detail) {
    std::string sentence = setupSentence(detail);
    return {std::move(detail), std::move(sentence)};
}

// The common verdicts in plain words; the rest in OpenSSL's.
std::string verdictSentence(long verdict) {
    switch (verdict) {
    case X509_V_ERR_HOSTNAME_MISMATCH:
        return "The server's certificate is for another host name.";
    case X509_V_ERR_IP_ADDRESS_MISMATCH:
        return "The server's certificate is for another address.";
    case X509_V_ERR_DEPTH_ZERO_SELF_SIGNED_CERT:
    case X509_V_ERR_SELF_SIGNED_CERT_IN_CHAIN:
    case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT:
    case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT_LOCALLY:
    case X509_V_ERR_UNABLE_TO_VERIFY_LEAF_SIGNATURE:
    case X509_V_ERR_CERT_UNTRUSTED:
        return "The server's certificate is not signed by an authority this computer trusts.";
    case X509_V_ERR_CERT_HAS_EXPIRED:
        return "The server's certificate has expired.";
    case X509_V_ERR_CERT_NOT_YET_VALID:
        return "The server's certificate is not valid yet.";
    default:
        return std::string("The server's certificate was refused: ") +
               X509_verify_cert_error_string(verdict) + ".";
    }
}

// The client refuses versions before TLS 1.2; a server that offers nothing newer is out of
// date, and saying so spares the user a hunt for a certificate problem.
std::string oldProtocolSentence(int serverVersion) {
    switch (serverVersion) {
    case SSL3_VERSION:
        return "The server offers only SSL 3.0, which is not safe.";
    case TLS1_VERSION:
        return "The server offers only TLS 1.0, which is not safe.";
    case TLS1_1_VERSION:
        return "The server offers only TLS 1.1, which is not safe.";
    default: // it answered the client's hello with a protocol-version alert
        return "The server offers only versions of TLS older than 1.2, which are not safe.";
    }
}

bool isRefusedProtocol(unsigned long error) {
    return ERR_GET_LIB(error) == ERR_LIB_SSL &&
           (ERR_GET_REASON(error) == SSL_R_UNSUPPORTED_PROTOCOL ||
            ERR_GET_REASON(error) == SSL_R_TLSV1_ALERT_PROTOCOL_VERSION);
}

// Notes the version of the server's hello: once the client has refused it, OpenSSL reports its
// own version again.
void noteServerVersion(int sent, int, int contentType, const void* bytes, size_t length, SSL*,
                       void* serverVersion) {
    const auto* message = static_cast<const unsigned char*>(bytes);
    if (!sent && contentType == SSL3_RT_HANDSHAKE && length >= 6 &&
        message[0] == SSL3_MT_SERVER_HELLO)
        *static_cast<int*>(serverVersion) = message[4] << 8 | message[5];
}

// An outdated server when the client refused the version of its hello (or it had none to
// offer), else the certificate check's verdict when there is one, else the first error on the
// thread's queue.
HandshakeFailure handshakeFailure(SSL* connection, int errorKind, int serverVersion) {
    if (const unsigned long queued = ERR_peek_error();
        isRefusedProtocol(queued) && serverVersion < TLS1_2_VERSION) {
        char text[256];
        ERR_error_string_n(queued, text, sizeof text);
        return {text, oldProtocolSentence(serverVersion)};
    }
    const long verdict = SSL_get_verify_result(connection);
    if (verdict != X509_V_OK)
        return {std::string("certificate: ") + X509_verify_cert_error_string(verdict),
                verdictSentence(verdict)};
    if (const unsigned long queued = ERR_peek_error(); queued != 0) {
        char text[256];
        ERR_error_string_n(queued, text, sizeof text);
        const char* reason = ERR_reason_error_string(queued);
        return {text, setupSentence(reason != nullptr ? reason : text)};
    }
    if (errorKind == SSL_ERROR_SYSCALL && errno != 0)
        return setupFailure(std::strerror(errno));
    return setupFailure("the connection ended during the handshake");
}

// SSL_set_tlsext_host_name, spelled out: the macro casts in the old style.
bool sendServerName(SSL* connection, const std::string& host) {
    return SSL_ctrl(connection, SSL_CTRL_SET_TLSEXT_HOSTNAME, TLSEXT_NAMETYPE_host_name,
                    const_cast<char*>(host.c_str())) == 1;
}

[[noreturn]] void failHandshake(const HandshakeFailure& failure) {
    ERR_clear_error();
    Norq::report("Vusk", "TLS handshake failed", failure.detail);
    throw TcpClientSecureFailure(kHandshakeFailed, failure.sentence);
}

} // namespace

void TcpSecureStream::ContextFree::operator()(SSL_CTX* context) const {
    SSL_CTX_free(context);
}

void TcpSecureStream::ConnectionFree::operator()(SSL* connection) const {
    SSL_free(connection);
}

TcpSecureStream::TcpSecureStream(int socket, std::string_view hostName, Clock::time_point deadline,
                                 int stopDescriptor)
    : m_socket(socket) {
    ERR_clear_error();
    m_context.reset(SSL_CTX_new(TLS_client_method()));
    if (!m_context)
        throw TcpClientSecureFailure("Failed to create SSL context!");
    SSL_CTX_set_min_proto_version(m_context.get(), TLS1_2_VERSION);
    SSL_CTX_set_default_verify_paths(m_context.get());
    SSL_CTX_set_verify(m_context.get(), SSL_VERIFY_PEER, nullptr);
    // Renegotiation would make a read wait for the socket to become writable.
    SSL_CTX_set_options(m_context.get(), SSL_OP_NO_RENEGOTIATION);
    SSL_CTX_set_mode(m_context.get(),
                     SSL_MODE_ENABLE_PARTIAL_WRITE | SSL_MODE_ACCEPT_MOVING_WRITE_BUFFER);

    m_connection.reset(SSL_new(m_context.get()));
    if (!m_connection)
        throw TcpClientSecureFailure("Failed to create SSL structure!");
    if (SSL_set_fd(m_connection.get(), socket) == 0)
        throw TcpClientSecureFailure("Failed to set file description for SSL structure!");

    const std::string host(hostName);
    if (host.empty())
        failHandshake(setupFailure("no host name to check the certificate against"));
    if (isIpv4Address(host)) {
        // An address is matched against the certificate's IP entries and is never sent as SNI.
        if (X509_VERIFY_PARAM_set1_ip_asc(SSL_get0_param(m_connection.get()), host.c_str()) != 1)
            failHandshake(setupFailure("cannot check the certificate against " + host));
    } else if (SSL_set1_host(m_connection.get(), host.c_str()) != 1 ||
               !sendServerName(m_connection.get(), host)) {
        failHandshake(setupFailure("cannot check the certificate against " + host));
    }

    SSL_set_msg_callback(m_connection.get(), noteServerVersion);
    SSL_set_msg_callback_arg(m_connection.get(), &m_serverVersion);
    for (;;) {
        int result;
        {
            SigpipeBlock noSigpipe;
            ERR_clear_error();
            errno = 0;
            result = SSL_connect(m_connection.get());
        }
        if (result == 1) {
            SSL_set_msg_callback(m_connection.get(), nullptr);
            return;
        }
        const int errorKind = SSL_get_error(m_connection.get(), result);
        short events = 0;
        if (errorKind == SSL_ERROR_WANT_READ)
            events = POLLIN;
        else if (errorKind == SSL_ERROR_WANT_WRITE)
            events = POLLOUT;
        else
            failHandshake(handshakeFailure(m_connection.get(), errorKind, m_serverVersion));
        switch (waitForSocket(m_socket, events, deadline, stopDescriptor)) {
        case WaitResult::Ready:
            break;
        case WaitResult::TimedOut:
            failHandshake(setupFailure("the server did not complete the handshake in time"));
        case WaitResult::Stopped:
            failHandshake(setupFailure("stopped"));
        }
    }
}

TcpSecureStream::~TcpSecureStream() {
    if (!m_broken) {
        // One call: the close-notify goes out, the peer's is not waited for.
        SigpipeBlock noSigpipe;
        ERR_clear_error();
        SSL_shutdown(m_connection.get());
    }
    ERR_clear_error();
}

int TcpSecureStream::classify(int result) {
    if (result > 0)
        return result;
    const int errorKind = SSL_get_error(m_connection.get(), result);
    switch (errorKind) {
    case SSL_ERROR_WANT_READ:
    case SSL_ERROR_WANT_WRITE:
        return kWouldBlock;
    case SSL_ERROR_ZERO_RETURN:
        return 0;
    default:
        m_broken = true;
        if (errorKind != SSL_ERROR_SYSCALL || errno == 0)
            errno = EIO;
        ERR_clear_error();
        return kFailed;
    }
}

int TcpSecureStream::write(const char* data, int length) {
    SigpipeBlock noSigpipe;
    ERR_clear_error();
    errno = 0;
    return classify(SSL_write(m_connection.get(), data, length));
}

int TcpSecureStream::read(char* buffer, int capacity) {
    // A read may answer the server (a key update), so it may write as well.
    SigpipeBlock noSigpipe;
    ERR_clear_error();
    errno = 0;
    return classify(SSL_read(m_connection.get(), buffer, capacity));
}

int TcpSecureStream::pending() {
    return SSL_pending(m_connection.get());
}

} // namespace Vusk
