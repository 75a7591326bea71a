#pragma once
// What the adapters' connectivity checks share: where a connection to an
// address goes.
#include <string>

namespace platform {

struct Endpoint {
  std::string host;
  std::string port;
};

// scheme://[user@]host[:port][/path] with the host possibly an [IPv6]
// literal; the scheme gives the port when none is named. False when no host
// or a port out of range is named.
bool ParseAddress(const std::string& address, Endpoint& out);

}  // namespace platform
