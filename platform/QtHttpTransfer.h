#pragma once
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QPointer>
#include <QTimer>

#include "platform/HttpTransfer.h"

namespace platform {

class QtHttpTransfer final : public HttpTransfer {
  Q_OBJECT
 public:
  explicit QtHttpTransfer(QObject* parent = nullptr);
  ~QtHttpTransfer() override;

  void Execute(const QString& url, const QString& operation, const QString& target) override;
  QByteArray GetChunk(int size) override;
  void Cancel() override;
  bool StillExecuting() const override { return reply_ != nullptr; }

 private:
  // Appends what arrived; past the limit, ends the transfer in icError and says false.
  bool Keep(QNetworkReply* reply);
  void Finish(int state);

  QNetworkAccessManager manager_;
  QPointer<QNetworkReply> reply_;
  QTimer stall_;
  QByteArray body_;
  qsizetype read_ = 0;
  qint64 maximum_ = kDefaultMaximumSize;
};

}  // namespace platform
