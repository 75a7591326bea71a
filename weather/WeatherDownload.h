#pragma once
// Fetching for the weather windows. Nothing here waits: each request ends in
// a continuation, which never runs once its Fetch is cancelled or destroyed
// (a window owns its Fetch and cancels it when it closes).
#include <QByteArray>
#include <QObject>
#include <QString>
#include <QTimer>
#include <functional>
#include <memory>
#include <optional>

class QWidget;

namespace platform {
class HttpTransfer;
}

namespace weather {

// Milliseconds a weather transfer may take (15 s; tests shorten it).
int WaitTimeoutMs();
void SetWaitTimeoutMs(int ms);

enum class FetchResult { Ok, Failed };

class Fetch : public QObject {
  Q_OBJECT
 public:
  using Then = std::function<void(FetchResult result, const QByteArray& body)>;
  Fetch();
  ~Fetch() override;
  // Asks for a fresh copy of url, never a cached one, and returns at once.
  // then runs on a later turn of the event loop with the whole body, or with
  // Failed (the time-out included). A Get while one runs replaces it.
  void Get(const QString& url, Then then);
  // Drops the running request: its continuation never runs, nor what was
  // tied to Ticket() before.
  void Cancel();
  bool Running() const { return transfer_ != nullptr; }
  // A context for what follows an answer (a message, then the next step):
  // gone at Cancel, at the next Get and with this object.
  QObject* Ticket() const { return ticket_.get(); }

 private:
  void Finish(int state);
  void Drop();
  std::unique_ptr<QObject> ticket_ = std::make_unique<QObject>();
  std::unique_ptr<platform::HttpTransfer> transfer_;
  QTimer timeout_;
  Then then_;
};

// Downloads address into path: a temporary file that replaces path only when
// the whole answer came.
void DownloadToFile(Fetch& fetch, const QString& address, const QString& path,
                    std::function<void(FetchResult)> then);

// The address into "weather.xml" of the program folder, read back whole:
// then gets the answer's bytes. A failed download shows the message first
// (over parent) and leaves the earlier file as it was; then gets Failed once
// the message is answered, unless the fetch was cancelled meanwhile.
void DownloadWeatherXml(Fetch& fetch, const QString& address, QWidget* parent,
                        std::function<void(FetchResult, const QByteArray& text)> then);

// The old city code of a downloaded feed, stored as "oldcodecity"; nothing
// (and nothing stored) when the feed holds none.
std::optional<QString> GetOldCodeCity(const QByteArray& downloadedText);

}  // namespace weather
