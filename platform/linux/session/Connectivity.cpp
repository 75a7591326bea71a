// The connectivity check: a real TCP connection to the address's host.
#include "platform/Connectivity.h"

#include <fcntl.h>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/portable/Address.h"
#include "platform/portable/TimedCall.h"

namespace platform {
namespace {

using Clock = std::chrono::steady_clock;

struct AddrInfoDeleter {
  void operator()(addrinfo* ai) const { freeaddrinfo(ai); }
};
using AddrInfoPtr = std::unique_ptr<addrinfo, AddrInfoDeleter>;

// getaddrinfo of a name may wait on the resolver far longer than we may; it
// runs on a thread of its own that is left to finish alone when time is up.
AddrInfoPtr Resolve(const Endpoint& endpoint, Clock::time_point deadline) {
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_flags = AI_NUMERICHOST | AI_NUMERICSERV;
  addrinfo* result = nullptr;
  if (getaddrinfo(endpoint.host.c_str(), endpoint.port.c_str(), &hints, &result) == 0)
    return AddrInfoPtr(result);

  TimedCall<AddrInfoPtr> lookup;
  const bool started = lookup.start([endpoint] {
    addrinfo h{};
    h.ai_family = AF_UNSPEC;
    h.ai_socktype = SOCK_STREAM;
    h.ai_flags = AI_NUMERICSERV;
    addrinfo* r = nullptr;
    if (getaddrinfo(endpoint.host.c_str(), endpoint.port.c_str(), &h, &r) != 0) r = nullptr;
    return AddrInfoPtr(r);
  });
  if (!started) return nullptr;
  std::optional<AddrInfoPtr> found = lookup.waitUntil(deadline);
  return found ? std::move(*found) : nullptr;
}

int RemainingMs(Clock::time_point deadline) {
  const auto left =
      std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
  return left > 0 ? static_cast<int>(std::min<long long>(left, 1 << 30)) : 0;
}

}  // namespace

bool CheckConnection(const std::string& address, int timeoutMs) {
  Endpoint endpoint;
  if (!ParseAddress(address, endpoint)) return false;
  const Clock::time_point deadline =
      Clock::now() + std::chrono::milliseconds(std::max(0, timeoutMs));
  AddrInfoPtr addresses = Resolve(endpoint, deadline);
  if (!addresses) return false;

  // Every address is tried at once: one that swallows the attempt must not
  // use up the time of the others.
  std::vector<pollfd> pending;
  bool connected = false;
  for (const addrinfo* ai = addresses.get(); ai && !connected; ai = ai->ai_next) {
    const int fd =
        socket(ai->ai_family, ai->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, ai->ai_protocol);
    if (fd < 0) continue;
    if (connect(fd, ai->ai_addr, ai->ai_addrlen) == 0) {
      connected = true;
      close(fd);
    } else if (errno == EINPROGRESS) {
      pending.push_back({fd, POLLOUT, 0});
    } else {
      close(fd);
    }
  }

  while (!connected && !pending.empty()) {
    const int ready = poll(pending.data(), pending.size(), RemainingMs(deadline));
    if (ready < 0 && errno == EINTR) continue;
    if (ready <= 0) break;  // time is up
    for (auto it = pending.begin(); it != pending.end();) {
      if (it->revents == 0) {
        ++it;
        continue;
      }
      int error = 0;
      socklen_t length = sizeof error;
      if (getsockopt(it->fd, SOL_SOCKET, SO_ERROR, &error, &length) == 0 && error == 0)
        connected = true;
      close(it->fd);
      it = pending.erase(it);
    }
  }
  for (const pollfd& p : pending) close(p.fd);
  return connected;
}

}  // namespace platform
