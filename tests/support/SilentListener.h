#pragma once
// A port on 127.0.0.1 that never answers a connection request: its listener accepts nothing and its
// queue is full, so the system drops further requests unanswered, as a filtered host would.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <string>
#include <vector>

namespace testsupport {

class SilentListener {
 public:
  SilentListener() {
    addr_.sin_family = AF_INET;
    addr_.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(fd_, reinterpret_cast<sockaddr*>(&addr_), sizeof addr_);
    socklen_t length = sizeof addr_;
    getsockname(fd_, reinterpret_cast<sockaddr*>(&addr_), &length);
    listen(fd_, 0);
    for (int i = 0; i < 3; ++i) {
      fillers_.push_back(socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0));
      connect(fillers_.back(), reinterpret_cast<const sockaddr*>(&addr_), sizeof addr_);
    }
    usleep(100000);  // the fillers' handshakes are through
  }
  ~SilentListener() {
    for (int fd : fillers_) close(fd);
    close(fd_);
  }
  SilentListener(const SilentListener&) = delete;
  SilentListener& operator=(const SilentListener&) = delete;

  std::string At() const { return "127.0.0.1:" + std::to_string(ntohs(addr_.sin_port)); }

 private:
  int fd_ = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in addr_{};
  std::vector<int> fillers_;
};

}  // namespace testsupport
