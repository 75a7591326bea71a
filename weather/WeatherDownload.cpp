#include "weather/WeatherDownload.h"

#include <QFile>
#include <QPointer>
#include <QSaveFile>
#include <QWidget>
#include <utility>

#include "platform/HttpTransfer.h"
#include "platform/MessageBox.h"
#include "settings/Options.h"
#include "settings/ProgramFolder.h"
#include "weather/WeatherText.h"

namespace weather {
namespace {
int& TimeoutMs() {
  static int ms = 15000;
  return ms;
}
}  // namespace

int WaitTimeoutMs() { return TimeoutMs(); }
void SetWaitTimeoutMs(int ms) { TimeoutMs() = ms; }

Fetch::Fetch() {
  timeout_.setSingleShot(true);
  connect(&timeout_, &QTimer::timeout, this, [this] { Finish(platform::HttpTransfer::icError); });
}

Fetch::~Fetch() { Drop(); }

void Fetch::Cancel() {
  Drop();
  ticket_ = std::make_unique<QObject>();
}

void Fetch::Drop() {
  timeout_.stop();
  then_ = nullptr;
  if (transfer_) {
    transfer_->Cancel();
    transfer_.release()->deleteLater();  // it may be the sender of what runs now
  }
}

void Fetch::Get(const QString& url, Then then) {
  Cancel();
  then_ = std::move(then);
  transfer_ = platform::CreateHttpTransfer();
  connect(transfer_.get(), &platform::HttpTransfer::StateChanged, this, &Fetch::Finish);
  transfer_->Execute(url, QStringLiteral("GET"));
  timeout_.start(WaitTimeoutMs());
}

void Fetch::Finish(int state) {
  if (!transfer_) return;
  QByteArray body;
  FetchResult result = FetchResult::Failed;
  if (state == platform::HttpTransfer::icResponseCompleted) {
    for (QByteArray piece; !(piece = transfer_->GetChunk(1 << 16)).isEmpty();) body += piece;
    result = FetchResult::Ok;
  }
  Then then = std::exchange(then_, nullptr);
  Drop();
  // Last: it may destroy this object's window, and this object with it.
  if (then) then(result, body);
}

void DownloadToFile(Fetch& fetch, const QString& address, const QString& path,
                    std::function<void(FetchResult)> then) {
  fetch.Get(address, [path, then = std::move(then)](FetchResult result, const QByteArray& body) {
    if (result == FetchResult::Ok) {
      QSaveFile file(path);
      const bool written = file.open(QIODevice::WriteOnly) && file.write(body) == body.size();
      if (!written || !file.commit()) result = FetchResult::Failed;
    }
    then(result);
  });
}

void DownloadWeatherXml(Fetch& fetch, const QString& address, QWidget* parent,
                        std::function<void(FetchResult, const QByteArray&)> then) {
  const QString path = QString::fromStdString(settings::ProgramFile("weather.xml"));
  DownloadToFile(
      fetch, address, path,
      [path, &fetch, window = QPointer<QWidget>(parent),
       then = std::move(then)](FetchResult result) {
        QFile file(path);
        if (result == FetchResult::Ok && file.open(QIODevice::ReadOnly)) {
          then(FetchResult::Ok, file.readAll());
          return;
        }
        // The earlier answer is not taken for a fresh one.
        platform::MsgBoxThen(
            QStringLiteral("Ha habido algún error, pruebe a cambiar de servidor a través de "
                           "Mapas en 'Método de datos'"),
            platform::kOkOnly | platform::kExclamation, QStringLiteral("Error"), window.data(),
            [then, ticket = QPointer<QObject>(fetch.Ticket())](int) {
              if (ticket) then(FetchResult::Failed, QByteArray());
            });
      });
}

std::optional<QString> GetOldCodeCity(const QByteArray& downloadedText) {
  const auto code = OldCityCodeIn(QString::fromUtf8(downloadedText));
  if (code) settings::Options().SetText(settings::Key::OldCityCode, code->toStdString());
  return code;
}

}  // namespace weather
