#pragma once
// An HTTP transfer as the update checker drives it: start a GET, hear one
// state change when it is over, then read the body in pieces.
#include <QByteArray>
#include <QObject>
#include <QString>
#include <functional>
#include <memory>
#include <utility>

namespace platform {

class HttpTransfer : public QObject {
  Q_OBJECT
 public:
  // The states callers act on; persisted meaning, never renumber.
  enum State { icError = 11, icResponseCompleted = 12 };

  ~HttpTransfer() override = default;

  // Starts the transfer and returns at once; the state change follows later,
  // never from inside this call. target is recorded only: the caller writes
  // the body where it wants.
  virtual void Execute(const QString& url, const QString& operation,
                       const QString& target = QString()) = 0;
  // After icResponseCompleted: the next piece of the body, at most size
  // bytes; empty at the end.
  virtual QByteArray GetChunk(int size) = 0;
  // Ends a transfer under way; no state change follows.
  virtual void Cancel() = 0;
  virtual bool StillExecuting() const = 0;

  // The body is kept in memory: a larger one ends the transfer in icError.
  // Holds for the next Execute only; after it, kDefaultMaximumSize again.
  static constexpr qint64 kDefaultMaximumSize = qint64{512} << 20;
  void SetMaximumSize(qint64 bytes) { nextMaximum_ = bytes; }

 signals:
  // icResponseCompleted after a whole body with a status below 400;
  // icError for every network error, every status of 400 or more, and
  // StallTimeoutMs without data.
  void StateChanged(int state);

 protected:
  explicit HttpTransfer(QObject* parent) : QObject(parent) {}
  // For Execute: the limit of the transfer it starts.
  qint64 TakeMaximumSize() { return std::exchange(nextMaximum_, kDefaultMaximumSize); }

 private:
  qint64 nextMaximum_ = kDefaultMaximumSize;
};

// QNetworkAccessManager's transfer, caching off; or the test hook's.
std::unique_ptr<HttpTransfer> CreateHttpTransfer(QObject* parent = nullptr);
using HttpTransferFactory = std::function<std::unique_ptr<HttpTransfer>(QObject* parent)>;
void SetHttpTransferFactory(HttpTransferFactory factory);

}  // namespace platform
