#include "tools/InternetCheck.h"

#include <QObject>
#include <algorithm>
#include <cctype>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>

#include "platform/Connectivity.h"

namespace tools {
namespace {

// Between the checking thread and the receiver on the interface thread. The
// receiver's destruction waits for a delivery under way, so the thread never
// posts to a deleted object; what it posted in time dies with the receiver.
struct Relay {
  std::mutex mutex;
  QObject* receiver = nullptr;
};

class Receiver final : public QObject {
 public:
  Receiver(QObject* parent, std::shared_ptr<Relay> relay)
      : QObject(parent), relay_(std::move(relay)) {
    relay_->receiver = this;
  }
  ~Receiver() override {
    std::lock_guard<std::mutex> lock(relay_->mutex);
    relay_->receiver = nullptr;
  }

 private:
  std::shared_ptr<Relay> relay_;
};

// On the receiver's own call: done may destroy the context, which must not
// take the receiver along while its call runs.
void Deliver(QObject* receiver, const std::function<void(bool)>& done, bool reachable) {
  receiver->setParent(nullptr);
  receiver->deleteLater();
  if (done) done(reachable);
}

}  // namespace

void AddHttpsScheme(std::string& address) {
  std::string head = address.substr(0, 8);
  std::transform(head.begin(), head.end(), head.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  if (head != "https://") address.insert(0, "https://");
}

bool IsInternetReachable(std::string& address) {
  AddHttpsScheme(address);
  return platform::CheckConnection(address, kInternetCheckTimeoutMs);
}

void CheckInternet(std::string address, QObject* context, std::function<void(bool)> done) {
  if (!context) return;
  auto relay = std::make_shared<Relay>();
  auto* receiver = new Receiver(context, relay);
  try {
    std::thread([relay, address = std::move(address), done = std::move(done)]() mutable {
      const bool reachable = IsInternetReachable(address);
      std::lock_guard<std::mutex> lock(relay->mutex);
      if (!relay->receiver) return;
      QObject* r = relay->receiver;
      QMetaObject::invokeMethod(
          r, [r, done = std::move(done), reachable] { Deliver(r, done, reachable); },
          Qt::QueuedConnection);
    }).detach();
  } catch (const std::system_error&) {
    // No thread to be had: the check fails as an unreachable host would.
    QMetaObject::invokeMethod(
        receiver, [receiver, done = std::move(done)] { Deliver(receiver, done, false); },
        Qt::QueuedConnection);
  }
}

}  // namespace tools
