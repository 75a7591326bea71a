#include "platform/QtHttpTransfer.h"

#include <QNetworkReply>
#include <QNetworkRequest>
#include <QUrl>
#include <algorithm>

#include "platform/WebBrowser.h"

namespace platform {
namespace {
HttpTransferFactory& Factory() {
  static HttpTransferFactory factory;
  return factory;
}
}  // namespace

void SetHttpTransferFactory(HttpTransferFactory factory) { Factory() = std::move(factory); }

std::unique_ptr<HttpTransfer> CreateHttpTransfer(QObject* parent) {
  if (Factory()) return Factory()(parent);
  return std::make_unique<QtHttpTransfer>(parent);
}

QtHttpTransfer::QtHttpTransfer(QObject* parent) : HttpTransfer(parent) {
  manager_.setCache(nullptr);
  stall_.setSingleShot(true);
  connect(&stall_, &QTimer::timeout, this, [this] {
    if (reply_) Finish(icError);
  });
}

QtHttpTransfer::~QtHttpTransfer() { Cancel(); }

void QtHttpTransfer::Execute(const QString& url, const QString& operation, const QString&) {
  Cancel();
  body_.clear();
  read_ = 0;
  maximum_ = TakeMaximumSize();
  QNetworkRequest request{QUrl(url)};
  request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
  request.setAttribute(QNetworkRequest::CacheSaveControlAttribute, false);
  request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                       QNetworkRequest::NoLessSafeRedirectPolicy);
  request.setTransferTimeout(0);  // our own stall timer watches the data
  QNetworkReply* reply = manager_.sendCustomRequest(
      request, operation.isEmpty() ? QByteArray("GET") : operation.toLatin1());
  reply_ = reply;
  connect(reply, &QNetworkReply::readyRead, this, [this, reply] {
    if (reply != reply_) return;
    if (!Keep(reply)) return;
    stall_.start(StallTimeoutMs());
  });
  connect(reply, &QNetworkReply::finished, this, [this, reply] {
    if (reply != reply_) return;
    if (!Keep(reply)) return;
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    Finish(reply->error() == QNetworkReply::NoError && status < 400 ? icResponseCompleted
                                                                    : icError);
  });
  stall_.start(StallTimeoutMs());
}

bool QtHttpTransfer::Keep(QNetworkReply* reply) {
  // One byte past the limit is enough to know; the rest is never taken in. Only
  // what is there is asked for: read(n) reserves n bytes first.
  body_ += reply->read(std::min(reply->bytesAvailable(), maximum_ + 1 - body_.size()));
  if (body_.size() <= maximum_) return true;
  Finish(icError);
  return false;
}

void QtHttpTransfer::Finish(int state) {
  stall_.stop();
  QNetworkReply* reply = reply_;
  reply_ = nullptr;
  if (reply) {
    reply->disconnect(this);
    reply->abort();
    reply->deleteLater();
  }
  if (state != icResponseCompleted) body_.clear();
  // Last statement: a handler may destroy this transfer.
  emit StateChanged(state);
}

QByteArray QtHttpTransfer::GetChunk(int size) {
  if (reply_ || size <= 0 || read_ >= body_.size()) return QByteArray();
  const QByteArray piece = body_.mid(read_, size);
  read_ += piece.size();
  return piece;
}

void QtHttpTransfer::Cancel() {
  stall_.stop();
  if (QNetworkReply* reply = reply_) {
    reply_ = nullptr;
    reply->disconnect(this);
    reply->abort();
    reply->deleteLater();
  }
}

}  // namespace platform
