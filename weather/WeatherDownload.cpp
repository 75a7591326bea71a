#include "weather/WeatherDownload.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QFile>
#include <QPointer>
#include <QSaveFile>
#include <QTimer>
#include <QWidget>
#include <algorithm>

#include "platform/HttpTransfer.h"
#include "platform/MessageBox.h"
#include "settings/Options.h"
#include "settings/ProgramFolder.h"
#include "weather/WeatherText.h"
#include "weather/WeatherValues.h"

namespace weather {
namespace {
int& TimeoutMs() {
  static int ms = 15000;
  return ms;
}
}  // namespace

int WaitTimeoutMs() { return TimeoutMs(); }
void SetWaitTimeoutMs(int ms) { TimeoutMs() = ms; }

struct Fetch::Wait {
  QEventLoop loop;
  bool cancelled = false;
};

Fetch::~Fetch() { Cancel(); }

void Fetch::Cancel() {
  for (Wait* w : waits_) {
    w->cancelled = true;
    w->loop.quit();
  }
}

FetchResult Fetch::Get(const QString& url, QByteArray* body) {
  body->clear();
  // Everything the wait needs lives on this frame: the window, and this
  // object with it, may be gone when the loop returns.
  Wait wait;
  std::unique_ptr<platform::HttpTransfer> transfer = platform::CreateHttpTransfer();
  int state = 0;
  connect(transfer.get(), &platform::HttpTransfer::StateChanged, &wait.loop, [&](int s) {
    state = s;
    wait.loop.quit();
  });
  QTimer timeout;
  timeout.setSingleShot(true);
  connect(&timeout, &QTimer::timeout, &wait.loop, [&] { wait.loop.quit(); });
  QPointer<Fetch> self(this);
  waits_.push_back(&wait);
  transfer->Execute(url, QStringLiteral("GET"));
  timeout.start(WaitTimeoutMs());
  wait.loop.exec();
  if (self) waits_.erase(std::remove(waits_.begin(), waits_.end(), &wait), waits_.end());
  if (!self || wait.cancelled) return FetchResult::Cancelled;
  if (state != platform::HttpTransfer::icResponseCompleted) return FetchResult::Failed;
  for (QByteArray piece; !(piece = transfer->GetChunk(1 << 16)).isEmpty();) *body += piece;
  return FetchResult::Ok;
}

FetchResult DownloadToFile(Fetch& fetch, const QString& address, const QString& path) {
  QPointer<Fetch> alive(&fetch);
  QByteArray body;
  FetchResult result = fetch.Get(address, &body);
  if (result == FetchResult::Ok) {
    QSaveFile file(path);
    const bool written = file.open(QIODevice::WriteOnly) && file.write(body) == body.size();
    if (!written || !file.commit()) result = FetchResult::Failed;
  }
  if (result == FetchResult::Cancelled) return result;
  QCoreApplication::processEvents();
  return alive ? result : FetchResult::Cancelled;
}

FetchResult DownloadWeatherXml(Fetch& fetch, QWidget* parent) {
  const QString path = QString::fromStdString(settings::ProgramFile("weather.xml"));
  QPointer<QWidget> window(parent);
  const FetchResult result = DownloadToFile(fetch, Values().downloadAddress, path);
  if (result == FetchResult::Cancelled) return result;
  QFile file(path);
  if (result == FetchResult::Ok && file.open(QIODevice::ReadOnly)) {
    Values().downloadedText = file.readAll();
    return FetchResult::Ok;
  }
  if (parent && !window) return FetchResult::Cancelled;  // closed meanwhile: no message
  // The earlier answer is not taken for a fresh one.
  platform::MsgBox(QStringLiteral("Ha habido algún error, pruebe a cambiar de servidor a través de "
                                  "Mapas en 'Método de datos'"),
                   platform::kOkOnly | platform::kExclamation, QStringLiteral("Error"),
                   window.data());
  return FetchResult::Failed;
}

bool GetOldCodeCity() {
  const auto code = OldCityCodeIn(QString::fromUtf8(Values().downloadedText));
  if (!code) return false;
  Values().oldCityCode = *code;
  settings::Options().SetText(settings::Key::OldCityCode, code->toStdString());
  return true;
}

}  // namespace weather
