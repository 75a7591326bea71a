// The connectivity check before the weather maps: the scheme rule and the answer.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <string>

#include "bin/InternetCheck.h"

namespace {

std::string Prefixed(std::string address) {
  bin::AddHttpsScheme(address);
  return address;
}

TEST(InternetCheckTest, SchemeIsAddedUnlessTheAddressStartsWithHttps) {
  EXPECT_EQ(Prefixed("example.org"), "https://example.org");
  EXPECT_EQ(Prefixed("HTTPS://X"), "HTTPS://X");
  EXPECT_EQ(Prefixed("hTtPs://example.org/a"), "hTtPs://example.org/a");
  // Only https counts: any other scheme gets it in front as well.
  EXPECT_EQ(Prefixed("http://example.org"), "https://http://example.org");
  EXPECT_EQ(Prefixed("https:/x"), "https://https:/x");
  EXPECT_EQ(Prefixed(""), "https://");
}

// Bound to 127.0.0.1 on a port the system picks; listening or not.
int LoopbackPort(int& fd, bool listening) {
  fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
  socklen_t length = sizeof addr;
  getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &length);
  if (listening) listen(fd, 8);
  return ntohs(addr.sin_port);
}

TEST(InternetCheckTest, AnswersWhetherTheHostTakesConnectionsAndChangesTheCallersText) {
  int listener, closed;
  const std::string up = "127.0.0.1:" + std::to_string(LoopbackPort(listener, true));
  const std::string down = "127.0.0.1:" + std::to_string(LoopbackPort(closed, false));

  std::string address = up;
  EXPECT_TRUE(bin::IsInternetReachable(address));
  EXPECT_EQ(address, "https://" + up);

  address = "HTTPS://" + up;
  EXPECT_TRUE(bin::IsInternetReachable(address));
  EXPECT_EQ(address, "HTTPS://" + up);

  address = down;
  EXPECT_FALSE(bin::IsInternetReachable(address));
  EXPECT_EQ(address, "https://" + down);
  close(listener);
  close(closed);
}

}  // namespace
