// The system's connections for the IMAP client: TCP sockets with TLS from OpenSSL (Linux).
#pragma once

#include <memory>

#include "export/MailTransport.h"

namespace mailshift::platform {

// Makes TCP connections, with TLS where asked; the server's certificate is verified against the
// system's trusted certificates and the options' CA file, and its name against the host.
std::unique_ptr<mail::TransportFactory> CreateSystemTransports();

}  // namespace mailshift::platform
