// TCP with OpenSSL: the connection of SystemTransport.h on Linux.
#include <netdb.h>
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "platform/net/SystemTransport.h"

namespace mailshift::platform {
namespace {

using mail::TransportError;

std::string OpenSslReason() {
  const unsigned long code = ERR_get_error();
  ERR_clear_error();
  if (code == 0) return "the TLS connection failed";
  char text[256];
  ERR_error_string_n(code, text, sizeof text);
  return text;
}

class OpenSslTransport : public mail::MailTransport {
 public:
  OpenSslTransport(int socket, mail::TransportOptions options)
      : socket_(socket), options_(std::move(options)) {}
  ~OpenSslTransport() override {
    if (ssl_ != nullptr) {
      SSL_shutdown(ssl_);
      SSL_free(ssl_);
    }
    if (context_ != nullptr) SSL_CTX_free(context_);
    ::close(socket_);
  }
  OpenSslTransport(const OpenSslTransport&) = delete;
  OpenSslTransport& operator=(const OpenSslTransport&) = delete;

  void Write(std::string_view bytes) override {
    while (!bytes.empty()) {
      WaitFor(POLLOUT);
      long written = 0;
      if (ssl_ != nullptr) {
        std::size_t done = 0;
        const int result = SSL_write_ex(ssl_, bytes.data(), bytes.size(), &done);
        if (result <= 0) {
          const int error = SSL_get_error(ssl_, result);
          if (error == SSL_ERROR_WANT_READ || error == SSL_ERROR_WANT_WRITE) continue;
          throw TransportError("the connection failed while sending: " + OpenSslReason());
        }
        written = static_cast<long>(done);
      } else {
        written = ::send(socket_, bytes.data(), bytes.size(), MSG_NOSIGNAL);
        if (written < 0) {
          if (errno == EINTR || errno == EAGAIN) continue;
          throw TransportError(std::string("the connection failed while sending: ") + std::strerror(errno));
        }
      }
      bytes.remove_prefix(static_cast<std::size_t>(written));
    }
  }

  std::size_t Read(char* into, std::size_t size) override {
    for (;;) {
      if (ssl_ == nullptr || SSL_pending(ssl_) == 0) WaitFor(POLLIN);
      if (ssl_ != nullptr) {
        std::size_t done = 0;
        const int result = SSL_read_ex(ssl_, into, size, &done);
        if (result > 0) return done;
        const int error = SSL_get_error(ssl_, result);
        if (error == SSL_ERROR_WANT_READ || error == SSL_ERROR_WANT_WRITE) continue;
        if (error == SSL_ERROR_ZERO_RETURN) throw TransportError("the server closed the connection");
        throw TransportError("the connection failed: " + OpenSslReason());
      }
      const long got = ::recv(socket_, into, size, 0);
      if (got > 0) return static_cast<std::size_t>(got);
      if (got == 0) throw TransportError("the server closed the connection");
      if (errno != EINTR && errno != EAGAIN)
        throw TransportError(std::string("the connection failed: ") + std::strerror(errno));
    }
  }

  void StartTls() override {
    // OpenSSL writes to the socket with write(), which raises SIGPIPE when the server has gone:
    // that must end the delivery with a lost connection, not the program.
    signal(SIGPIPE, SIG_IGN);
    context_ = SSL_CTX_new(TLS_client_method());
    if (context_ == nullptr) throw TransportError("TLS cannot be used: " + OpenSslReason());
    SSL_CTX_set_min_proto_version(context_, TLS1_2_VERSION);
    SSL_CTX_set_verify(context_, SSL_VERIFY_PEER, nullptr);
    if (SSL_CTX_set_default_verify_paths(context_) != 1)
      throw TransportError("the system's trusted certificates cannot be read: " + OpenSslReason());
    if (!options_.caFile.empty() &&
        SSL_CTX_load_verify_locations(context_, options_.caFile.c_str(), nullptr) != 1)
      throw TransportError("the certificates of " + options_.caFile + " cannot be read: " + OpenSslReason());
    ssl_ = SSL_new(context_);
    if (ssl_ == nullptr || SSL_set_fd(ssl_, socket_) != 1)
      throw TransportError("TLS cannot be used: " + OpenSslReason());
    // The server name (SNI), as SSL_set_tlsext_host_name would send it without its cast.
    SSL_ctrl(ssl_, SSL_CTRL_SET_TLSEXT_HOSTNAME, TLSEXT_NAMETYPE_host_name,
             const_cast<char*>(options_.host.c_str()));
    // The certificate must name the host (or its address) the user gave.
    X509_VERIFY_PARAM* parameters = SSL_get0_param(ssl_);
    X509_VERIFY_PARAM_set_hostflags(parameters, X509_CHECK_FLAG_NO_PARTIAL_WILDCARDS);
    if (X509_VERIFY_PARAM_set1_ip_asc(parameters, options_.host.c_str()) != 1)
      X509_VERIFY_PARAM_set1_host(parameters, options_.host.c_str(), 0);
    for (;;) {
      const int result = SSL_connect(ssl_);
      if (result == 1) break;
      const int error = SSL_get_error(ssl_, result);
      if (error == SSL_ERROR_WANT_READ) {
        WaitFor(POLLIN);
        continue;
      }
      if (error == SSL_ERROR_WANT_WRITE) {
        WaitFor(POLLOUT);
        continue;
      }
      const long verify = SSL_get_verify_result(ssl_);
      if (verify != X509_V_OK) {
        throw TransportError("the server's certificate cannot be verified: " +
                             std::string(X509_verify_cert_error_string(verify)) +
                             " (give --ca-file with the certificate that signed it)");
      }
      throw TransportError("the TLS connection failed: " + OpenSslReason());
    }
  }

  bool Secure() const override { return ssl_ != nullptr; }

 private:
  void WaitFor(short events) {
    pollfd entry{socket_, events, 0};
    for (;;) {
      const int ready = ::poll(&entry, 1, options_.timeoutSeconds * 1000);
      if (ready > 0) return;
      if (ready == 0) {
        throw TransportError("the server did not answer within " + std::to_string(options_.timeoutSeconds) +
                             " seconds");
      }
      if (errno != EINTR) throw TransportError(std::string("the connection failed: ") + std::strerror(errno));
    }
  }

  int socket_;
  mail::TransportOptions options_;
  SSL_CTX* context_ = nullptr;
  SSL* ssl_ = nullptr;
};

class SystemTransports : public mail::TransportFactory {
 public:
  std::unique_ptr<mail::MailTransport> Connect(const mail::TransportOptions& options) override {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    const std::string port = std::to_string(options.port);
    if (const int error = ::getaddrinfo(options.host.c_str(), port.c_str(), &hints, &found); error != 0) {
      throw TransportError("the server " + options.host + " cannot be found: " + gai_strerror(error));
    }
    std::string why = "no address";
    int connected = -1;
    for (addrinfo* address = found; address != nullptr && connected < 0; address = address->ai_next) {
      const int s = ::socket(address->ai_family, address->ai_socktype | SOCK_CLOEXEC, address->ai_protocol);
      if (s < 0) continue;
      timeval timeout{options.timeoutSeconds, 0};
      ::setsockopt(s, SOL_SOCKET, SO_SNDTIMEO, &timeout, sizeof timeout);
      if (::connect(s, address->ai_addr, address->ai_addrlen) == 0) {
        connected = s;
      } else {
        why = std::strerror(errno);
        ::close(s);
      }
    }
    ::freeaddrinfo(found);
    if (connected < 0) {
      throw TransportError("no connection to " + options.host + ":" + port + ": " + why);
    }
    auto transport = std::make_unique<OpenSslTransport>(connected, options);
    if (options.implicitTls) transport->StartTls();
    return transport;
  }
};

}  // namespace

std::unique_ptr<mail::TransportFactory> CreateSystemTransports() {
  return std::make_unique<SystemTransports>();
}

}  // namespace mailshift::platform
