// The connection an IMAP client talks through: bytes in and out, and the switch to TLS on the same
// connection (STARTTLS). The system's own sockets and TLS library stand behind it (platform/);
// tests put a scripted server in its place.
#pragma once

#include <cstddef>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>

namespace mailshift::mail {

// The connection failed or was closed; what() says how ("the server closed the connection").
class TransportError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class MailTransport {
 public:
  virtual ~MailTransport() = default;
  // Sends all of the bytes; throws TransportError.
  virtual void Write(std::string_view bytes) = 0;
  // Reads what is there, at least one byte, at most size; waits up to the transport's time-out.
  // Throws TransportError on a time-out or a closed connection.
  virtual std::size_t Read(char* into, std::size_t size) = 0;
  // Begins TLS on the connection, verifying the server's certificate for the host the transport
  // was made for (unless told otherwise when it was made); throws TransportError.
  virtual void StartTls() = 0;
  // Whether the connection is protected by TLS.
  virtual bool Secure() const = 0;
};

// Where and how to connect.
struct TransportOptions {
  std::string host;
  int port = 0;
  bool implicitTls = false;  // imaps: TLS from the first byte
  std::string caFile;        // a PEM file of certificates trusted beside the system's
  int timeoutSeconds = 60;   // for each read and write
};

// Makes the connections; the system's implementation lives in platform/.
class TransportFactory {
 public:
  virtual ~TransportFactory() = default;
  // Connects (and with implicitTls, begins TLS); throws TransportError.
  virtual std::unique_ptr<MailTransport> Connect(const TransportOptions& options) = 0;
};

}  // namespace mailshift::mail
