#include "platform/EndSignals.h"

#include <sys/socket.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <csignal>

namespace platform {
namespace {

int signalPipe[2] = {-1, -1};

// Only async-signal-safe calls here.
void OnSignal(int) {
  const char b = 1;
  [[maybe_unused]] ssize_t n = write(signalPipe[1], &b, 1);
}

}  // namespace

void WatchEndSignals(QObject* parent, std::function<void()> onEnd) {
  if (signalPipe[0] >= 0) return;
  if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, signalPipe) != 0) return;
  auto* notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, parent);
  QObject::connect(notifier, &QSocketNotifier::activated, parent, [onEnd = std::move(onEnd)] {
    char b;
    [[maybe_unused]] ssize_t n = read(signalPipe[0], &b, 1);
    onEnd();
  });
  struct sigaction sa {};
  sa.sa_handler = OnSignal;
  sigemptyset(&sa.sa_mask);
  sa.sa_flags = SA_RESTART;
  for (int sig : {SIGTERM, SIGINT, SIGHUP}) sigaction(sig, &sa, nullptr);
}

}  // namespace platform
