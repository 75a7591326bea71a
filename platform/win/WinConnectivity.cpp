// The connectivity check: a real TCP connection to the address's host, as on
// Linux (the system's own check would also ask a proxy or the cache).
#include <winsock2.h>
#include <ws2tcpip.h>
// winsock2 before windows.h, which would bring the old winsock.
#include <windows.h>

#include <algorithm>
#include <cctype>
#include <memory>
#include <string>

#include "platform/Connectivity.h"

namespace platform {
namespace {

struct Endpoint {
  std::string host;
  std::string port;
};

// scheme://[user@]host[:port][/path] with the host possibly an [IPv6] literal.
bool ParseAddress(const std::string& address, Endpoint& out) {
  std::string rest = address, scheme;
  const std::size_t sep = rest.find("://");
  if (sep != std::string::npos && sep > 0 &&
      std::all_of(
          rest.begin(), rest.begin() + static_cast<std::ptrdiff_t>(sep),
          [](unsigned char c) { return std::isalnum(c) || c == '+' || c == '-' || c == '.'; })) {
    scheme = rest.substr(0, sep);
    std::transform(scheme.begin(), scheme.end(), scheme.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    rest = rest.substr(sep + 3);
  }
  rest = rest.substr(0, rest.find_first_of("/?#"));
  if (const std::size_t at = rest.rfind('@'); at != std::string::npos) rest = rest.substr(at + 1);
  std::string port;
  if (!rest.empty() && rest[0] == '[') {
    const std::size_t close = rest.find(']');
    if (close == std::string::npos) return false;
    out.host = rest.substr(1, close - 1);
    const std::string after = rest.substr(close + 1);
    if (!after.empty()) {
      if (after[0] != ':') return false;
      port = after.substr(1);
    }
  } else {
    const std::size_t colon = rest.find(':');
    out.host = rest.substr(0, colon);
    if (colon != std::string::npos) port = rest.substr(colon + 1);
  }
  if (out.host.empty()) return false;
  if (port.empty()) {
    if (scheme == "http")
      port = "80";
    else if (scheme == "https" || scheme.empty())
      port = "443";
    else if (scheme == "ftp")
      port = "21";
    else
      return false;
  }
  if (port.size() > 5 ||
      !std::all_of(port.begin(), port.end(), [](unsigned char c) { return std::isdigit(c); }))
    return false;
  const int number = std::stoi(port);
  if (number < 1 || number > 65535) return false;
  out.port = std::to_string(number);
  return true;
}

// A name lookup may wait on the resolver far longer than we may; it runs on a
// thread of its own that is left to finish alone when time is up.
struct Lookup {
  Endpoint endpoint;
  addrinfo* result = nullptr;
  LONG refs = 2;
  void Release() {
    if (InterlockedDecrement(&refs) == 0) {
      if (result) freeaddrinfo(result);
      delete this;
    }
  }
};

DWORD WINAPI LookUp(void* arg) {
  auto* lookup = static_cast<Lookup*>(arg);
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_flags = AI_NUMERICSERV;
  getaddrinfo(lookup->endpoint.host.c_str(), lookup->endpoint.port.c_str(), &hints,
              &lookup->result);
  lookup->Release();
  return 0;
}

bool TryConnect(const addrinfo* ai, DWORD deadline) {
  SOCKET s = socket(ai->ai_family, ai->ai_socktype, ai->ai_protocol);
  if (s == INVALID_SOCKET) return false;
  u_long nonBlocking = 1;
  ioctlsocket(s, FIONBIO, &nonBlocking);
  bool connected = connect(s, ai->ai_addr, static_cast<int>(ai->ai_addrlen)) == 0;
  if (!connected && WSAGetLastError() == WSAEWOULDBLOCK) {
    const DWORD now = GetTickCount();
    const DWORD left = static_cast<LONG>(deadline - now) > 0 ? deadline - now : 0;
    fd_set writable, failed;
    FD_ZERO(&writable);
    FD_ZERO(&failed);
    FD_SET(s, &writable);
    FD_SET(s, &failed);
    timeval tv{static_cast<long>(left / 1000), static_cast<long>(left % 1000) * 1000};
    connected = select(0, nullptr, &writable, &failed, &tv) > 0 && FD_ISSET(s, &writable);
  }
  closesocket(s);
  return connected;
}

}  // namespace

bool CheckConnection(const std::string& address, int timeoutMs) {
  Endpoint endpoint;
  if (!ParseAddress(address, endpoint) || timeoutMs <= 0) return false;
  static const bool started = [] {
    WSADATA data;
    return WSAStartup(MAKEWORD(2, 2), &data) == 0;
  }();
  if (!started) return false;
  const DWORD deadline = GetTickCount() + static_cast<DWORD>(timeoutMs);

  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_flags = AI_NUMERICHOST | AI_NUMERICSERV;
  addrinfo* numeric = nullptr;
  if (getaddrinfo(endpoint.host.c_str(), endpoint.port.c_str(), &hints, &numeric) == 0) {
    bool ok = false;
    for (const addrinfo* ai = numeric; ai && !ok; ai = ai->ai_next) ok = TryConnect(ai, deadline);
    freeaddrinfo(numeric);
    return ok;
  }

  auto* lookup = new Lookup{endpoint};
  HANDLE thread = CreateThread(nullptr, 0, LookUp, lookup, 0, nullptr);
  if (!thread) {
    lookup->refs = 1;
    lookup->Release();
    return false;
  }
  const bool resolved = WaitForSingleObject(thread, static_cast<DWORD>(timeoutMs)) == WAIT_OBJECT_0;
  CloseHandle(thread);
  bool ok = false;
  if (resolved)
    for (const addrinfo* ai = lookup->result; ai && !ok; ai = ai->ai_next)
      ok = TryConnect(ai, deadline);
  lookup->Release();
  return ok;
}

}  // namespace platform
