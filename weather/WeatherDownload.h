#pragma once
// Fetching for the weather windows. Every wait lets window events run, ends
// after a time-out, and ends at once when its window closes (Cancel), after
// which the caller returns without touching the window.
#include <QByteArray>
#include <QObject>
#include <QString>
#include <vector>

class QWidget;

namespace weather {

// Milliseconds a weather transfer may take (15 s; tests shorten it).
int WaitTimeoutMs();
void SetWaitTimeoutMs(int ms);

enum class FetchResult { Ok, Failed, Cancelled };

class Fetch : public QObject {
  Q_OBJECT
 public:
  Fetch() = default;
  ~Fetch() override;  // ends a running wait as Cancelled
  // A fresh copy of url, never a cached one.
  FetchResult Get(const QString& url, QByteArray* body);
  // Ends every running Get with Cancelled.
  void Cancel();
  bool Running() const { return !waits_.empty(); }

 private:
  struct Wait;
  std::vector<Wait*> waits_;
};

// Downloads address into path: a temporary file that replaces path only when
// the whole answer came. Then lets window events run once.
FetchResult DownloadToFile(Fetch& fetch, const QString& address, const QString& path);

// The download address into "weather.xml" of the program folder, read back
// whole into the downloaded text. A failed download shows the message and
// leaves the downloaded text and the earlier file as they were.
FetchResult DownloadWeatherXml(Fetch& fetch, QWidget* parent);

// The old city code from the downloaded text, stored as "oldcodecity";
// false (nothing stored) when the feed holds none.
bool GetOldCodeCity();

}  // namespace weather
