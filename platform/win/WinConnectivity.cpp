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
#include "platform/portable/Address.h"

namespace platform {
namespace {

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
